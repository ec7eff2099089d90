// CDailyLog: the daily log of frames, Log\YYYY-MM-DD.log in the program's folder. Each line is
// stamped when its frame arrives and written at once when the file can take it; when it cannot
// (the file held by another program, a full disk, no folder), the line is kept in memory and
// written, in order and before any newer line of its day, as soon as a file takes it: the day's
// file again, or, when the retry finds that file still refused, a new part of the day, which then
// takes the day's lines until its file takes lines again. Each day is written apart, so one
// day's refused file holds back no other day's lines. No handle stays open between calls, and no
// log is ever deleted: a day's full file rolls over into a part.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <windows.h>

class CTextFile;

// The local time a line is stamped with, and so the day's file it goes to.
using LocalClock = std::function<SYSTEMTIME()>;
SYSTEMTIME SystemLocalTime();
// "YYYY-MM-DD" of a time: the day its lines' file is named after.
std::string LogDay(const SYSTEMTIME& t);

// What the log tells of where its lines go, each when it starts to happen: the day's file
// refuses them (kept in memory), they go into a part of the day, the day's file takes them
// again, or lines are lost for want of memory. strPath names the file; dwError the system's
// reason where there is one.
enum class LogEvent
{
    Refused,
    IntoPart,
    BackToDayFile,
    Lost,
};
using LogEventSink = std::function<void(LogEvent, const std::wstring& strPath, DWORD dwError)>;

class CDailyLog
{
public:
    // strDir: the folder that holds Log, ending in a backslash (empty: unknown, lines are kept).
    explicit CDailyLog(std::wstring strDir, LocalClock clock = SystemLocalTime)
        : m_strDir(std::move(strDir)), m_clock(std::move(clock))
    {
    }

    // The one place the log's changes of course are told; none is told without one.
    void SetEventSink(LogEventSink sink) { m_sink = std::move(sink); }

    // Stamps the text with the time now and writes it as one line after any kept lines of its
    // day. An empty text (or none) writes nothing and creates nothing.
    void WriteLine(const char* pszText);
    // Writes the kept lines, each into the file of its own day; true when none is left.
    bool WriteKept();
    // The retry, every few seconds while NeedsRetry: kept lines that their day's file still
    // refuses go into a new part of that day, and a day's file that takes lines again gets the
    // day's next lines back from its part. True when nothing is left to retry.
    bool Retry();
    bool NeedsRetry() const { return HasKept() || !m_parts.empty(); }
    // As the program ends: the kept lines into their days' files, tried for up to nRetryMs;
    // what a day's file still refuses then goes into a new part of that day; all of it on the
    // disk. True when no line is left unwritten.
    bool WriteBeforeExit(DWORD nRetryMs);
    // Asks the system to put the lines written since the last call on the disk. Called about
    // once a second, so a power cut loses no more than that; never for every line.
    void Flush();

    bool HasKept() const { return m_nKeptBytes > 0; }
    size_t KeptLines() const;
    // Lines dropped because the memory for keeping lines was full.
    size_t LostLines() const { return m_nLost; }
    // The file or folder of the latest failure, and the system's error code for it.
    const std::wstring& FailedPath() const { return m_strFailedPath; }
    DWORD FailureCode() const { return m_dwFailure; }
    // What the operator is told when lines are unwritten or lost as the program ends: how
    // many, which file, the system's reason; or else that the day's file could not roll over.
    // Empty when every line was written where it belongs.
    std::wstring UnwrittenText() const;

private:
    using Lines = std::deque<std::string>; // whole lines as stored: stamp, text, CR LF

    bool WriteKept(bool bIntoParts);
    // The kept lines of one day: into the part the day goes to, else into its file, else (at a
    // retry) into a new part. True when all of them were written.
    bool WriteDay(const std::string& strDay, Lines& lines, bool bIntoPart);
    bool AppendToDayFile(const std::wstring& strFolder, const std::string& strDay, Lines& lines);
    bool AppendToNewPart(const std::wstring& strFolder, const std::string& strDay, Lines& lines);
    // Opens strPath and, unless this log wrote its end, ends a line a power cut may have torn.
    bool OpenToAppend(CTextFile& file, const std::wstring& strPath, DWORD dwDisposition,
                      ULONGLONG& nSize);
    // Writes lines from the oldest until they are all in or the file has passed nLimit bytes.
    bool AppendLines(CTextFile& file, const std::wstring& strPath, ULONGLONG& nSize, Lines& lines,
                     ULONGLONG nLimit);
    // The Log folder, made if missing; false (the failure noted) when there is none.
    bool LogFolder(std::wstring& strFolder);
    // The day's file takes lines again: its part is left.
    bool DayFileTakesLines(const std::string& strDay);
    bool Fail(const std::wstring& strPath, DWORD dwError);
    void Tell(LogEvent event, const std::wstring& strPath, DWORD dwError = ERROR_SUCCESS);

    std::wstring m_strDir;
    LocalClock m_clock;
    LogEventSink m_sink;
    std::vector<std::wstring> m_unflushed;       // files written since the last Flush
    std::wstring m_strEndedPath;                 // the file written last, which ends in a line end
    std::map<std::string, Lines> m_kept;         // by day "YYYY-MM-DD", oldest first; none empty
    std::map<std::string, std::wstring> m_parts; // days whose lines go into a part, and the part
    size_t m_nKeptBytes = 0;
    size_t m_nLost = 0;
    bool m_bRollOverFailed = false; // the latest try, the file then taking the lines past the limit
    std::wstring m_strFailedPath;
    DWORD m_dwFailure = ERROR_SUCCESS;
};

// A day's file larger than this rolls over before the next line; one of exactly this size
// still takes the line.
constexpr ULONGLONG kMaxLogBytes = 1048576;
// About 60,000 lines: past this, further lines are counted as lost rather than kept.
constexpr size_t kMaxKeptBytes = 4 * 1048576;
