// Numbering and renaming the parts of a day's log.
#include "log/LogRollOver.h"

#include <algorithm>
#include <cwchar>
#include <string_view>

namespace
{
std::wstring DayName(const std::string& strDay)
{
    return std::wstring(strDay.begin(), strDay.end()); // digits and dashes only
}

// NNN of a name "<day>.NNN.log", or 0 when the name has another shape. The search matches
// short names and any case too, so every found name is checked here. A view of the found name:
// nothing is allocated while the search's handle is open, so nothing can throw past it.
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
} // namespace

std::wstring DayLogPath(const std::wstring& strFolder, const std::string& strDay)
{
    return strFolder + L"\\" + DayName(strDay) + L".log";
}

unsigned HighestLogPart(const std::wstring& strFolder, const std::string& strDay)
{
    const std::wstring strPrefix = DayName(strDay) + L".";
    WIN32_FIND_DATAW data;
    const HANDLE hFind =
        ::FindFirstFileW((strFolder + L"\\" + strPrefix + L"*.log").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return 0;
    unsigned nHighest = 0;
    do
        nHighest = std::max(nHighest, PartOf(data.cFileName, strPrefix));
    while (::FindNextFileW(hFind, &data));
    ::FindClose(hFind);
    return nHighest;
}

std::wstring NextLogPartPath(const std::wstring& strFolder, const std::string& strDay)
{
    wchar_t szPart[16];
    std::swprintf(szPart, sizeof szPart / sizeof szPart[0], L".%03u.log",
                  HighestLogPart(strFolder, strDay) + 1);
    return strFolder + L"\\" + DayName(strDay) + szPart;
}

BOOL RollOverLog(const std::wstring& strFolder, const std::string& strDay)
{
    return ::MoveFileW(DayLogPath(strFolder, strDay).c_str(),
                       NextLogPartPath(strFolder, strDay).c_str());
}
