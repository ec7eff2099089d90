// CDailyLog: the daily log of frames, Log\YYYY-MM-DD.log in the program's folder. Each line is
// stamped when its frame arrives and written at once when the file can take it; when it cannot
// (the file held by another program, a full disk, no folder), the line is kept in memory and
// written, in order and before any newer line, as soon as the file opens again. No handle stays
// open between calls, and no log is ever deleted: a day's full file rolls over into a part.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>

// The local time a line is stamped with, and so the day's file it goes to.
using LocalClock = std::function<SYSTEMTIME()>;
SYSTEMTIME SystemLocalTime();

class CDailyLog
{
public:
    // strDir: the folder that holds Log, ending in a backslash (empty: unknown, lines are kept).
    explicit CDailyLog(std::wstring strDir, LocalClock clock = SystemLocalTime)
        : m_strDir(std::move(strDir)), m_clock(std::move(clock))
    {
    }

    // Stamps the text with the time now and writes it as one line after any kept lines. An
    // empty text (or none) writes nothing and creates nothing.
    void WriteLine(const char* pszText);
    // Writes the kept lines, each into the file of its own day; true when none is left.
    bool WriteKept();
    // As the program ends: the kept lines into their days' files, tried for up to nRetryMs;
    // what a day's file still refuses then goes into a new part of that day; all of it on the
    // disk. True when no line is left unwritten.
    bool WriteBeforeExit(DWORD nRetryMs);
    // Asks the system to put the lines written since the last call on the disk. Called about
    // once a second, so a power cut loses no more than that; never for every line.
    void Flush();

    bool HasKept() const { return !m_kept.empty(); }
    size_t KeptLines() const { return m_kept.size(); }
    // Lines dropped because the memory for keeping lines was full.
    size_t LostLines() const { return m_nLost; }
    // Lines that went into a part of their day, as their day's file refused them.
    size_t PartLines() const { return m_nPartLines; }
    // The file or folder of the latest failure, and the system's error code for it.
    const std::wstring& FailedPath() const { return m_strFailedPath; }
    DWORD FailureCode() const { return m_dwFailure; }
    // What the operator is told when lines are unwritten or lost as the program ends: how
    // many, which file, the system's reason; or else that the day's file could not roll over.
    // Empty when every line was written where it belongs.
    std::wstring UnwrittenText() const;

private:
    bool WriteKept(bool bIntoParts);
    // Writes the leading kept lines that share the first one's day: into its file, or all of
    // them into a new part of that day.
    bool WriteDay(bool bIntoPart);
    bool Fail(const std::wstring& strPath, DWORD dwError);

    std::wstring m_strDir;
    LocalClock m_clock;
    std::vector<std::wstring> m_unflushed; // files written since the last Flush
    std::wstring m_strEndedPath;           // the file written last, which ends in a line end
    std::deque<std::string> m_kept;        // whole lines as stored: stamp, text, CR LF
    size_t m_nKeptBytes = 0;
    size_t m_nLost = 0;
    size_t m_nPartLines = 0;
    bool m_bRollOverFailed = false; // the latest try, the file then taking the lines past the limit
    std::wstring m_strFailedPath;
    DWORD m_dwFailure = ERROR_SUCCESS;
};

// A day's file larger than this rolls over before the next line; one of exactly this size
// still takes the line.
constexpr ULONGLONG kMaxLogBytes = 1048576;
// About 60,000 lines: past this, further lines are counted as lost rather than kept.
constexpr size_t kMaxKeptBytes = 4 * 1048576;
