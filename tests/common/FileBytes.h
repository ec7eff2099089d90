// Whole-file reads and writes for Windows tests that check what the program put on disk,
// byte for byte (CR LF included).
#pragma once

#include <string>

#include <windows.h>

// The file's bytes; empty when it cannot be read.
inline std::string ReadFileBytes(const std::string& strPath)
{
    std::string bytes;
    HANDLE h = ::CreateFileA(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return bytes;
    char buf[65536];
    DWORD n = 0;
    while (::ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0)
        bytes.append(buf, n);
    ::CloseHandle(h);
    return bytes;
}

// Replaces the file's content with bytes; false when it cannot be written whole.
inline bool WriteFileBytes(const std::string& strPath, const std::string& bytes)
{
    HANDLE h = ::CreateFileA(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD n = 0;
    const bool bOk = ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) &&
                     n == bytes.size();
    ::CloseHandle(h);
    return bOk;
}
