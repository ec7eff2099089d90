// The daily log of frames: stamping, keeping and writing lines, a day's file at a time.
#include "log/DailyLog.h"

#include <algorithm>

#include "log/LogRollOver.h"
#include "log/TextFile.h"
#include "win/SystemError.h"
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

// A part is new and takes all of its day's lines: it never rolls over.
constexpr ULONGLONG kNoLimit = ~0ULL;

// Between tries of a file that a holder may let go of as the program ends.
constexpr DWORD kExitRetryStepMs = 250;
} // namespace

std::string LogDay(const SYSTEMTIME& t)
{
    return Format("%04d-%02d-%02d", t.wYear, t.wMonth, t.wDay);
}

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
        // One reading of the clock gives the stamp and, through it, the day's file: a line
        // always goes to the file of its own day, even when it is written after midnight.
        const SYSTEMTIME t = m_clock();
        std::string strLine =
            "[" + LogDay(t) + Format(" %02d:%02d:%02d]  ", t.wHour, t.wMinute, t.wSecond);
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
            Tell(LogEvent::Lost, m_strFailedPath, m_dwFailure);
            return;
        }
        const bool bWasKept = HasKept();
        const size_t nBytes = strLine.size();
        m_kept[LogDay(t)].push_back(std::move(strLine));
        m_nKeptBytes += nBytes;
        WriteKept();
        if (!bWasKept && HasKept())
            Tell(LogEvent::Refused, m_strFailedPath, m_dwFailure);
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
        // Each day apart, the oldest first: a day whose file refuses holds back no other day.
        for (auto it = m_kept.begin(); it != m_kept.end();)
        {
            if (!it->second.empty())
                WriteDay(it->first, it->second, bIntoParts);
            it = it->second.empty() ? m_kept.erase(it) : std::next(it);
        }
    }
    catch (...)
    {
    }
    return !HasKept();
}

bool CDailyLog::Retry()
{
    WriteKept(true);
    const std::string strToday = LogDay(m_clock());
    for (auto it = m_parts.begin(); it != m_parts.end();)
    {
        // An earlier day's part is left once its lines are in: its file may stay held for good.
        const bool bPast = it->first != strToday && m_kept.count(it->first) == 0;
        if (bPast || DayFileTakesLines(it->first))
            it = m_parts.erase(it);
        else
            ++it;
    }
    return !NeedsRetry();
}

bool CDailyLog::WriteBeforeExit(DWORD nRetryMs)
{
    // A holder (a spreadsheet open on the day's file) may let go in a moment.
    const ULONGLONG nEnd = ::GetTickCount64() + nRetryMs;
    while (!WriteKept() && ::GetTickCount64() + kExitRetryStepMs <= nEnd)
        ::Sleep(kExitRetryStepMs);
    // A part out of its day's order can still be read in time order; a line not written is gone.
    WriteKept(true);
    Flush();
    return !HasKept();
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

size_t CDailyLog::KeptLines() const
{
    size_t nLines = 0;
    for (const auto& day : m_kept)
        nLines += day.second.size();
    return nLines;
}

bool CDailyLog::WriteDay(const std::string& strDay, Lines& lines, bool bIntoPart)
{
    std::wstring strFolder;
    if (!LogFolder(strFolder))
        return false;
    const auto part = m_parts.find(strDay);
    if (part != m_parts.end())
    {
        CTextFile file;
        ULONGLONG nSize = 0;
        if (OpenToAppend(file, part->second, OPEN_EXISTING, nSize) &&
            AppendLines(file, part->second, nSize, lines, kNoLimit))
            return true;
        // A part gone or full: the day's file is tried again, then another part.
        m_parts.erase(part);
    }
    return AppendToDayFile(strFolder, strDay, lines) ||
           (bIntoPart && AppendToNewPart(strFolder, strDay, lines));
}

bool CDailyLog::AppendToDayFile(const std::wstring& strFolder, const std::string& strDay,
                                Lines& lines)
{
    const std::wstring strPath = DayLogPath(strFolder, strDay);
    bool bMayRoll = true;
    while (!lines.empty())
    {
        CTextFile file;
        ULONGLONG nSize = 0;
        if (!OpenToAppend(file, strPath, OPEN_ALWAYS, nSize))
            return false;
        if (nSize <= kMaxLogBytes || !bMayRoll)
        {
            // Returns with lines left once the file has passed the limit: it rolls over then.
            if (!AppendLines(file, strPath, nSize, lines, bMayRoll ? kMaxLogBytes : kNoLimit))
                return false;
            continue;
        }
        // Its lines reach the disk before it takes a part's name.
        file.Flush();
        file.Close();
        m_unflushed.erase(std::remove(m_unflushed.begin(), m_unflushed.end(), strPath),
                          m_unflushed.end());
        // A file that cannot be renamed (a reader that does not share deletion, a part name too
        // long) takes the lines rather than lose them; the next call tries again, and until one
        // succeeds the operator is told at Close.
        bMayRoll = RollOverLog(strFolder, strDay) != FALSE;
        m_bRollOverFailed = !bMayRoll;
        if (m_bRollOverFailed)
            Fail(strPath, ::GetLastError());
    }
    return true;
}

bool CDailyLog::AppendToNewPart(const std::wstring& strFolder, const std::string& strDay,
                                Lines& lines)
{
    CTextFile file;
    std::wstring strPath;
    if (!CreateLogPart(strFolder, strDay, file, strPath))
    {
        // Said as it is, rather than as whatever the plain calls make of an over-long path.
        const DWORD dwError = ::GetLastError();
        return Fail(strPath, strPath.size() >= MAX_PATH ? ERROR_FILENAME_EXCED_RANGE : dwError);
    }
    m_strEndedPath = strPath; // new: no torn line to end
    ULONGLONG nSize = 0;
    const bool bAllIn = AppendLines(file, strPath, nSize, lines, kNoLimit);
    if (nSize == 0)
    {
        // An empty part would only puzzle whoever reads the folder.
        file.Close();
        ::DeleteFileW(strPath.c_str());
        return false;
    }
    m_parts[strDay] = strPath;
    Tell(LogEvent::IntoPart, strPath);
    return bAllIn;
}

bool CDailyLog::OpenToAppend(CTextFile& file, const std::wstring& strPath, DWORD dwDisposition,
                             ULONGLONG& nSize)
{
    if (strPath.size() >= MAX_PATH)
        return Fail(strPath, ERROR_FILENAME_EXCED_RANGE);
    if (!file.OpenForAppend(strPath, dwDisposition) || !file.GetSize(nSize))
        return Fail(strPath, ::GetLastError());
    // A power cut may have left the file ending inside a line: the next must not join it. A file
    // this log has just written ends in its own line end, so only the first line into a file
    // pays for reading its end.
    if (strPath != m_strEndedPath && !file.EndLastLine(nSize))
        return Fail(strPath, ::GetLastError());
    m_strEndedPath = strPath;
    return true;
}

bool CDailyLog::AppendLines(CTextFile& file, const std::wstring& strPath, ULONGLONG& nSize,
                            Lines& lines, ULONGLONG nLimit)
{
    bool bOneAtATime = false;
    while (!lines.empty() && nSize <= nLimit)
    {
        // As many lines as the file takes before it passes the limit, in one write.
        std::string strBatch;
        size_t n = 0;
        do
            strBatch += lines[n++];
        while (!bOneAtATime && n < lines.size() && nSize + strBatch.size() <= nLimit);
        if (!file.Append(strBatch))
        {
            const DWORD dwError = ::GetLastError();
            m_strEndedPath.clear(); // a write cut short might not have been taken back
            // A nearly full disk may still take the oldest lines one at a time.
            bOneAtATime = true;
            if (n > 1)
                continue;
            return Fail(strPath, dwError);
        }
        if (std::find(m_unflushed.begin(), m_unflushed.end(), strPath) == m_unflushed.end())
            m_unflushed.push_back(strPath);
        nSize += strBatch.size();
        m_nKeptBytes -= strBatch.size();
        lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(n));
        m_strEndedPath = strPath;
    }
    return true;
}

bool CDailyLog::LogFolder(std::wstring& strFolder)
{
    if (m_strDir.empty())
        return Fail(L"Log", ERROR_BAD_PATHNAME);
    strFolder = m_strDir + L"Log";
    if (!FolderExists(strFolder) && !::CreateDirectoryW(strFolder.c_str(), nullptr))
        return Fail(strFolder, ::GetLastError());
    return true;
}

bool CDailyLog::DayFileTakesLines(const std::string& strDay)
{
    std::wstring strFolder;
    CTextFile file;
    if (!LogFolder(strFolder) || !file.OpenForAppend(DayLogPath(strFolder, strDay)))
        return false;
    Tell(LogEvent::BackToDayFile, DayLogPath(strFolder, strDay));
    return true;
}

std::wstring CDailyLog::UnwrittenText() const
{
    const size_t nLines = KeptLines() + m_nLost;
    if (nLines == 0 && !m_bRollOverFailed)
        return {};
    const std::wstring strWhat =
        nLines == 0
            ? L"The daily log's file could not be rolled over into a part and has grown past 1 MiB."
            : std::to_wstring(nLines) + (nLines == 1 ? L" line" : L" lines") +
                  L" of the daily log could not be written to any file in the Log folder and"
                  L" will be missing from it.";
    return strWhat + L"\n\nFile: " + m_strFailedPath + L"\nReason: " + SystemErrorText(m_dwFailure);
}

bool CDailyLog::Fail(const std::wstring& strPath, DWORD dwError)
{
    m_strFailedPath = strPath;
    m_dwFailure = dwError;
    return false;
}

void CDailyLog::Tell(LogEvent event, const std::wstring& strPath, DWORD dwError)
{
    if (m_sink)
        m_sink(event, strPath, dwError);
}
