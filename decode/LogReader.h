// Reads the monitor's daily logs into a report. Each line must hold one time-stamped, valid
// frame; any other line is named on the error stream as FILE:LINE: why, counted, and passed
// over, in the order of the files given. The frames reach the report in time order across all
// the files read (of the same second, in the order of the files, then of their lines).
// Portable: native and Windows builds.
#pragma once

#include <cstdint>
#include <cstdio>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "decode/FrameReport.h"

// Why a dump's bytes (size of them, the first 16 at most at bytes) are not exactly one frame
// with a good checksum; empty when they are.
std::string WhyNotOneFrame(const std::uint8_t* bytes, std::size_t size);

class CLogReader
{
public:
    CLogReader(CFrameReport& report, std::FILE* err) : m_report(report), m_err(err) {}
    ~CLogReader();
    CLogReader(const CLogReader&) = delete;
    CLogReader& operator=(const CLogReader&) = delete;

    // Reads the logs named, a day at a time: only the frames of the days being merged are
    // held, never the period's. A first quick pass learns the days each file holds (its name
    // is not trusted: a line written at midnight, a clock put back, a log renamed by hand);
    // then each day's files are read, on every core, their frames merged in time order and
    // fed to the report while the next day's files are read. False, with the reason in error, when
    // a file could not be read.
    bool ReadFiles(const std::vector<std::string>& names, std::string& error);

    // Reads one log, opened in binary, to its end; lines end in LF or CR LF. Its frames are
    // held until Finish. False, with the reason in error, when it could not be read.
    bool Read(std::FILE* in, const std::string& name, std::string& error);
    // Passes the frames of every log read so far on to the report, in time order. Call after
    // the last Read.
    void Finish();
    // Passes on only the frames stamped from <= time < to (seconds as LogLine counts them);
    // the lines outside are still checked.
    void SetWindow(long long from, long long to)
    {
        m_from = from;
        m_to = to;
    }

    struct Frame
    {
        long long seconds;
        std::uint32_t file; // into m_files, the order the files were given
        char time[19];      // "YYYY-MM-DD HH:MM:SS"
        std::uint8_t length;
        std::uint8_t bytes[kMaxFrameLength];
    };
    // One file's frames of one day, in the file's order (usually time order; the merge takes
    // any).
    using Run = std::vector<Frame>;
    // What reading one file gives; made on any thread, taken in on the reader's.
    struct FileRead
    {
        std::vector<std::pair<long long, Run>> days; // by the day of their stamps
        std::vector<std::string> badLines;           // "FILE:LINE: why"
        int error = 0;                               // errno of a failed read
    };

private:
    // Reads file number index; touches nothing but out.
    void ReadOne(std::FILE* in, std::uint32_t index, FileRead& out) const;
    // Takes one file's reading in: its frames to their days, its bad lines to the error
    // stream as soon as every file given before it has had its own.
    void TakeIn(std::uint32_t index, FileRead& read);
    // Merges the held frames of every day up to last in time order and feeds them on.
    void FeedDays(long long last);
    std::uint32_t AddFile(const std::string& name);

    // Every member is the calling thread's. ReadFiles' reading threads only read m_files,
    // m_from and m_to, which do not change while they run, and each writes its own FileRead.
    CFrameReport& m_report;
    std::FILE* m_err;
    std::vector<std::string> m_files;             // every file read, in the order given
    std::vector<std::size_t> m_reportIds;         // each file's in the report
    std::map<long long, std::vector<Run>> m_days; // frames read and not yet fed, by day
    // Bad lines of files read before an earlier file's were reported wait, by file, in a
    // temporary file (in memory where none can be made): a fleet's are many over a year.
    struct HeldBadLines
    {
        long offset = -1; // in m_pSpill; -1 while held in lines
        std::size_t count = 0;
        std::vector<std::string> lines;
    };
    void HoldBadLines(std::uint32_t index, std::vector<std::string>& lines);
    std::vector<std::string> ReleaseBadLines(std::uint32_t index);
    void TellBadLines(const std::vector<std::string>& lines);
    std::map<std::uint32_t, HeldBadLines> m_heldBadLines;
    std::FILE* m_pSpill = nullptr;
    bool m_bSpillTried = false;
    std::vector<bool> m_read;          // by file
    std::uint32_t m_nBadLinesTold = 0; // files whose bad lines are reported, in order
    long long m_from = std::numeric_limits<long long>::min();
    long long m_to = std::numeric_limits<long long>::max();
};
