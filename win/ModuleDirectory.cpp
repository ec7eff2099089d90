// The executable's folder, from its full path.
#include "win/ModuleDirectory.h"

#include <cstring>
#include <vector>

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

std::wstring GetModuleDirectoryW()
{
    // The longest path the wide calls know, so only a failure gives no folder.
    std::vector<wchar_t> path(32768);
    const DWORD nSize = static_cast<DWORD>(path.size());
    const DWORD nLength = ::GetModuleFileNameW(nullptr, path.data(), nSize);
    if (nLength == 0 || nLength >= nSize)
        return {};
    const std::wstring strPath(path.data(), nLength);
    const size_t nSlash = strPath.rfind(L'\\');
    if (nSlash == std::wstring::npos)
        return {};
    return strPath.substr(0, nSlash + 1);
}
