// Numbering and renaming the parts of a day's log.
#include "log/LogRollOver.h"

#include <algorithm>
#include <cwchar>
#include <string_view>
#include <vector>

#include "log/TextFile.h"

namespace
{
std::wstring DayName(const std::string& strDay)
{
    return std::wstring(strDay.begin(), strDay.end()); // digits and dashes only
}

// NNN of a name "<day>.NNN.log", or 0 when the name has another shape. The search matches
// short names and any case too, so every found name is checked here. A view of the found name:
// no name is copied.
unsigned PartOf(std::wstring_view strName, const std::wstring& strPrefix)
{
    const size_t nFirst = strPrefix.size();
    if (strName.size() <= nFirst + 4 || strName.compare(0, nFirst, strPrefix) != 0 ||
        _wcsicmp(strName.data() + strName.size() - 4, L".log") != 0)
        return 0;
    const size_t nDigits = strName.size() - nFirst - 4;
    if (nDigits > 9)
        return 0;
    unsigned nPart = 0;
    for (size_t i = nFirst; i < nFirst + nDigits; ++i)
    {
        if (strName[i] < L'0' || strName[i] > L'9')
            return 0;
        nPart = nPart * 10 + static_cast<unsigned>(strName[i] - L'0');
    }
    return nPart;
}

// The numbers of the day's parts in strFolder, in the order found.
std::vector<unsigned> LogParts(const std::wstring& strFolder, const std::string& strDay)
{
    const std::wstring strPrefix = DayName(strDay) + L".";
    std::vector<unsigned> parts;
    WIN32_FIND_DATAW data;
    const HANDLE hFind =
        ::FindFirstFileW((strFolder + L"\\" + strPrefix + L"*.log").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return parts;
    try
    {
        do
            if (const unsigned nPart = PartOf(data.cFileName, strPrefix))
                parts.push_back(nPart);
        while (::FindNextFileW(hFind, &data));
    }
    catch (...)
    {
        // Out of memory: the parts found so far.
    }
    ::FindClose(hFind);
    return parts;
}

std::wstring PartPath(const std::wstring& strFolder, const std::string& strDay, unsigned nPart)
{
    wchar_t szPart[16];
    std::swprintf(szPart, sizeof szPart / sizeof szPart[0], L".%03u.log", nPart);
    return strFolder + L"\\" + DayName(strDay) + szPart;
}
} // namespace

std::wstring DayLogPath(const std::wstring& strFolder, const std::string& strDay)
{
    return strFolder + L"\\" + DayName(strDay) + L".log";
}

unsigned HighestLogPart(const std::wstring& strFolder, const std::string& strDay)
{
    const std::vector<unsigned> parts = LogParts(strFolder, strDay);
    return parts.empty() ? 0 : *std::max_element(parts.begin(), parts.end());
}

unsigned (*g_pfnHighestLogPart)(const std::wstring&, const std::string&) = HighestLogPart;

namespace
{
// Two programs logging into one folder can both find the same highest part: whichever comes
// second finds the name taken, and takes the next.
constexpr unsigned kPartTries = 100;

// take(path) for the parts from one past the highest up, until one is not already taken.
template <class TTake>
BOOL TakeNextPart(const std::wstring& strFolder, const std::string& strDay, std::wstring& strPath,
                  TTake take)
{
    const unsigned nFirst = g_pfnHighestLogPart(strFolder, strDay) + 1;
    for (unsigned nPart = nFirst; nPart < nFirst + kPartTries; ++nPart)
    {
        strPath = PartPath(strFolder, strDay, nPart);
        if (take(strPath))
            return TRUE;
        const DWORD dwError = ::GetLastError();
        if (dwError != ERROR_FILE_EXISTS && dwError != ERROR_ALREADY_EXISTS)
            return FALSE;
    }
    return FALSE;
}
} // namespace

BOOL CreateLogPart(const std::wstring& strFolder, const std::string& strDay, CTextFile& file,
                   std::wstring& strPath)
{
    return TakeNextPart(strFolder, strDay, strPath,
                        [&file](const std::wstring& strPart)
                        { return file.OpenForAppend(strPart, CREATE_NEW); });
}

BOOL RollOverLog(const std::wstring& strFolder, const std::string& strDay)
{
    const std::wstring strDayPath = DayLogPath(strFolder, strDay);
    std::wstring strPart;
    return TakeNextPart(strFolder, strDay, strPart,
                        [&strDayPath](const std::wstring& strPath)
                        { return ::MoveFileW(strDayPath.c_str(), strPath.c_str()); });
}

std::vector<std::wstring> DayLogFiles(const std::wstring& strFolder, const std::string& strDay)
{
    std::vector<unsigned> parts = LogParts(strFolder, strDay);
    std::sort(parts.begin(), parts.end());
    std::vector<std::wstring> files;
    for (unsigned nPart : parts)
        files.push_back(PartPath(strFolder, strDay, nPart));
    const std::wstring strDayPath = DayLogPath(strFolder, strDay);
    if (::GetFileAttributesW(strDayPath.c_str()) != INVALID_FILE_ATTRIBUTES)
        files.push_back(strDayPath);
    return files;
}
