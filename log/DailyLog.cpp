// The daily log of frames: stamping, keeping and writing lines, a day's file at a time.
#include "log/DailyLog.h"

#include <algorithm>

#include "log/LogRollOver.h"
#include "log/TextFile.h"
#include "win/Text.h"

namespace
{
bool FolderExists(const std::wstring& strPath)
{
    // Asked of the file system directly: trying SetCurrentDirectory would move the current
    // directory of every thread for a moment.
    const DWORD dwAttributes = ::GetFileAttributesW(strPath.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// "YYYY-MM-DD" of a stored line, from its stamp: a line always goes to the file of its own day,
// even when it is written after midnight.
std::string DayOf(const std::string& strLine)
{
    return strLine.substr(1, 10);
}

// Between tries of a file that a holder may let go of as the program ends.
constexpr DWORD kExitRetryStepMs = 250;
} // namespace

SYSTEMTIME SystemLocalTime()
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return now;
}

void CDailyLog::WriteLine(const char* pszText)
{
    if (pszText == nullptr || *pszText == '\0')
        return;
    // Called from the window procedure that handles a received byte: nothing may escape.
    try
    {
        // One reading of the clock gives the stamp and, through it, the day's file.
        const SYSTEMTIME t = m_clock();
        std::string strLine = Format("[%04d-%02d-%02d %02d:%02d:%02d]  ", t.wYear, t.wMonth, t.wDay,
                                     t.wHour, t.wMinute, t.wSecond);
        // Stored as a text-mode stream would: every line end, the text's own too, as CR LF.
        for (const char* p = pszText; *p != '\0'; ++p)
        {
            if (*p == '\n')
                strLine += '\r';
            strLine += *p;
        }
        strLine += "\r\n";
        // Full: the kept lines may go now and make room; if not, this line is lost.
        if (m_nKeptBytes + strLine.size() > kMaxKeptBytes)
            WriteKept();
        if (m_nKeptBytes + strLine.size() > kMaxKeptBytes)
        {
            ++m_nLost;
            return;
        }
        m_nKeptBytes += strLine.size();
        m_kept.push_back(std::move(strLine));
        WriteKept();
    }
    catch (...)
    {
        ++m_nLost;
    }
}

bool CDailyLog::WriteKept()
{
    return WriteKept(false);
}

bool CDailyLog::WriteKept(bool bIntoParts)
{
    try
    {
        while (!m_kept.empty())
            if (!WriteDay(bIntoParts))
                return false;
        return true;
    }
    catch (...)
    {
        return false;
    }
}

bool CDailyLog::WriteBeforeExit(DWORD nRetryMs)
{
    // A holder (a spreadsheet open on the day's file) may let go in a moment.
    const ULONGLONG nEnd = ::GetTickCount64() + nRetryMs;
    while (!WriteKept() && ::GetTickCount64() + kExitRetryStepMs <= nEnd)
        ::Sleep(kExitRetryStepMs);
    // A part out of its day's order can still be read in time order; a line not written is gone.
    const size_t nBefore = m_kept.size();
    WriteKept(true);
    m_nPartLines += nBefore - m_kept.size();
    Flush();
    return m_kept.empty();
}

void CDailyLog::Flush()
{
    for (const std::wstring& strPath : m_unflushed)
    {
        CTextFile file;
        if (file.OpenForAppend(strPath, OPEN_EXISTING))
            file.Flush();
    }
    m_unflushed.clear();
}

bool CDailyLog::WriteDay(bool bIntoPart)
{
    const std::string strDay = DayOf(m_kept.front());
    const auto bOfDay = [&strDay](const std::string& strLine) { return DayOf(strLine) == strDay; };
    if (m_strDir.empty())
        return Fail(L"Log", ERROR_BAD_PATHNAME);
    const std::wstring strFolder = m_strDir + L"Log";
    if (!FolderExists(strFolder) && !::CreateDirectoryW(strFolder.c_str(), nullptr))
        return Fail(strFolder, ::GetLastError());
    const std::wstring strPath =
        bIntoPart ? NextLogPartPath(strFolder, strDay) : DayLogPath(strFolder, strDay);
    // Said as it is, rather than as whatever the plain calls make of an over-long path.
    if (strPath.size() >= MAX_PATH)
        return Fail(strPath, ERROR_FILENAME_EXCED_RANGE);

    CTextFile file;
    ULONGLONG nSize = 0;
    // A part is new and takes all of its day's lines: it never rolls over.
    bool bMayRoll = !bIntoPart;
    bool bOneAtATime = false;
    // A file this log has just written ends in its own line end: only the first line into a
    // file pays for reading its end.
    bool bEnded = strPath == m_strEndedPath;
    while (!m_kept.empty() && bOfDay(m_kept.front()))
    {
        if (!file.IsOpen() && (!file.OpenForAppend(strPath, bIntoPart ? CREATE_NEW : OPEN_ALWAYS) ||
                               !file.GetSize(nSize)))
            return Fail(strPath, ::GetLastError());
        if (nSize > kMaxLogBytes && bMayRoll)
        {
            // Its lines reach the disk before it takes a part's name.
            file.Flush();
            file.Close();
            m_unflushed.erase(std::remove(m_unflushed.begin(), m_unflushed.end(), strPath),
                              m_unflushed.end());
            // A file that cannot be renamed (a reader that does not share deletion, a part name
            // too long) takes the lines rather than lose them; the next call tries again, and
            // until one succeeds the operator is told at Close.
            bMayRoll = RollOverLog(strFolder, strDay) != FALSE;
            m_bRollOverFailed = !bMayRoll;
            if (m_bRollOverFailed)
                Fail(strPath, ::GetLastError());
            continue;
        }
        // A power cut may have left the file ending inside a line: the next must not join it.
        if (!bEnded && !file.EndLastLine(nSize))
            return Fail(strPath, ::GetLastError());
        bEnded = true;
        // As many lines as the file takes before it passes the limit, in one write.
        std::string strBatch;
        size_t n = 0;
        do
            strBatch += m_kept[n++];
        while (!bOneAtATime && n < m_kept.size() && bOfDay(m_kept[n]) &&
               (nSize + strBatch.size() <= kMaxLogBytes || !bMayRoll));
        if (!file.Append(strBatch))
        {
            m_strEndedPath.clear(); // a write cut short might not have been taken back
            // A nearly full disk may still take the oldest lines one at a time.
            bOneAtATime = true;
            if (n > 1)
                continue;
            return Fail(strPath, ::GetLastError());
        }
        if (std::find(m_unflushed.begin(), m_unflushed.end(), strPath) == m_unflushed.end())
            m_unflushed.push_back(strPath);
        nSize += strBatch.size();
        m_nKeptBytes -= strBatch.size();
        m_kept.erase(m_kept.begin(), m_kept.begin() + static_cast<std::ptrdiff_t>(n));
        m_strEndedPath = strPath;
    }
    return true;
}

std::wstring CDailyLog::UnwrittenText() const
{
    const size_t nLines = m_kept.size() + m_nLost;
    if (nLines == 0 && !m_bRollOverFailed)
        return {};
    wchar_t* pszReason = nullptr;
    const DWORD nLength = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, m_dwFailure, 0, reinterpret_cast<wchar_t*>(&pszReason), 0, nullptr);
    std::wstring strReason =
        nLength > 0 ? std::wstring(pszReason, nLength) : L"error " + std::to_wstring(m_dwFailure);
    ::LocalFree(pszReason);
    while (!strReason.empty() && (strReason.back() == L'\n' || strReason.back() == L'\r'))
        strReason.pop_back();
    const std::wstring strWhat =
        nLines == 0
            ? L"The daily log's file could not be rolled over into a part and has grown past 1 MiB."
            : std::to_wstring(nLines) + (nLines == 1 ? L" line" : L" lines") +
                  L" of the daily log could not be written to any file in the Log folder and"
                  L" will be missing from it.";
    return strWhat + L"\n\nFile: " + m_strFailedPath + L"\nReason: " + strReason;
}

bool CDailyLog::Fail(const std::wstring& strPath, DWORD dwError)
{
    m_strFailedPath = strPath;
    m_dwFailure = dwError;
    return false;
}
