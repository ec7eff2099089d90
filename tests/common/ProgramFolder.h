// The folder of the running test or benchmark, ending in a backslash: where the program under
// test finds "Kestrane.ini" and "Log". Found here, not through the code under test.
#pragma once

#include <string>

#include <windows.h>

inline std::string ExeDir()
{
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.rfind('\\') + 1);
}
