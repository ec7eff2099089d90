// Files and the console on Windows: names through the wide calls, so a folder named in a
// script outside the ANSI code page opens; wildcards expanded here, as cmd.exe does not.
#include "decode/Files.h"

#include <algorithm>
#include <cwchar>
#include <io.h>
#include <windows.h>

std::string Utf8Of(const wchar_t* text)
{
    const int wide = static_cast<int>(std::wcslen(text));
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, wide, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(std::max(bytes, 0)), '\0');
    if (bytes > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text, wide, &utf8[0], bytes, nullptr, nullptr);
    return utf8;
}

std::wstring WideOf(const std::string& utf8)
{
    const int size = static_cast<int>(utf8.size());
    const int wide = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(std::max(wide, 0)), L'\0');
    if (wide > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, &text[0], wide);
    return text;
}

std::FILE* OpenFile(const std::string& name, const char* mode)
{
    return ::_wfopen(WideOf(name).c_str(), WideOf(mode).c_str());
}

bool RemoveFile(const std::string& name)
{
    return ::_wremove(WideOf(name).c_str()) == 0;
}

std::string PutInPlace(const std::string& from, const std::string& to)
{
    // The C library's rename refuses an existing target here.
    if (::MoveFileExW(WideOf(from).c_str(), WideOf(to).c_str(), MOVEFILE_REPLACE_EXISTING))
        return {};
    return "Windows error " + std::to_string(::GetLastError());
}

bool FileIdentity(std::FILE* file, std::pair<std::uint64_t, std::uint64_t>& id)
{
    BY_HANDLE_FILE_INFORMATION info;
    const HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
    if (h == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(h, &info))
        return false;
    id = {info.dwVolumeSerialNumber,
          (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return true;
}

std::string ConsoleText(const std::string& utf8)
{
    const std::wstring wide = WideOf(utf8);
    const int size = static_cast<int>(wide.size());
    const int bytes =
        ::WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(std::max(bytes, 0)), '\0');
    if (bytes > 0)
        ::WideCharToMultiByte(CP_ACP, 0, wide.data(), size, &text[0], bytes, nullptr, nullptr);
    return text;
}

namespace
{
// Name order, case aside, as the names read in the ANSI code page: a day's parts sort before
// its current file, days by date.
bool NameOrder(const std::string& a, const std::string& b)
{
    const auto lower = [](std::string s)
    {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return s;
    };
    const std::string la = lower(ConsoleText(a)), lb = lower(ConsoleText(b));
    return la != lb ? la < lb : ConsoleText(a) < ConsoleText(b);
}

// The entries of one folder that a part with * or ? matches, folders or files, in name order.
std::vector<std::string> Matches(const std::string& pattern, bool folders)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW data;
    const HANDLE hFind = ::FindFirstFileW(WideOf(pattern).c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return names;
    do
    {
        const std::string name = Utf8Of(data.cFileName);
        const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (folder == folders && name != "." && name != "..")
            names.push_back(name);
    } while (::FindNextFileW(hFind, &data));
    ::FindClose(hFind);
    std::sort(names.begin(), names.end(), NameOrder);
    return names;
}

// The files that prefix + rest names, a wildcard allowed in any part.
void Expand(const std::string& prefix, const std::string& rest, std::vector<std::string>& files)
{
    const std::size_t sep = rest.find_first_of("\\/");
    const bool last = sep == std::string::npos;
    const std::string part = rest.substr(0, sep);
    const std::vector<std::string> names = part.find_first_of("*?") == std::string::npos
                                               ? std::vector<std::string>{part}
                                               : Matches(prefix + part, !last);
    for (const std::string& name : names)
        if (last)
            files.push_back(prefix + name);
        else
            Expand(prefix + name + rest[sep], rest.substr(sep + 1), files);
}
} // namespace

void AddExpanded(const std::string& arg, std::vector<std::string>& files)
{
    std::vector<std::string> found;
    if (arg.find_first_of("*?") != std::string::npos)
        Expand("", arg, found);
    if (found.empty())
        found.push_back(arg);
    files.insert(files.end(), found.begin(), found.end());
}
