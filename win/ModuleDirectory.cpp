// The executable's folder, from its full path.
#include "win/ModuleDirectory.h"

#include <cstring>

#include <windows.h>

std::string GetModuleDirectory()
{
    char szPath[MAX_PATH];
    const DWORD nLength = ::GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    // A path that filled the buffer was cut short; its last backslash would name some other
    // folder, so rather have none.
    if (nLength == 0 || nLength >= MAX_PATH)
        return {};
    const char* pszSlash = std::strrchr(szPath, '\\');
    if (pszSlash == nullptr)
        return {};
    return std::string(szPath, static_cast<size_t>(pszSlash - szPath) + 1);
}
