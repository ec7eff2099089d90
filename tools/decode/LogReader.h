// Reads the monitor's daily logs into a report. Each line must hold one time-stamped, valid
// frame; any other line is named on the error stream as FILE:LINE: why, counted, and passed
// over. The frames reach the report in time order across all the files read. Portable: native
// and Windows builds.
#pragma once

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "tools/decode/FrameReport.h"

// Why a line's bytes are not exactly one frame with a good checksum; empty when they are.
std::string WhyNotOneFrame(const std::vector<std::uint8_t>& bytes);

class CLogReader
{
public:
    CLogReader(CFrameReport& report, std::FILE* err) : m_report(report), m_err(err) {}

    // Reads one log, opened in binary, to its end; lines end in LF or CR LF. False, with the
    // reason in error, when it could not be read.
    bool Read(std::FILE* in, const std::string& name, std::string& error);
    // Passes the frames of every log read so far on to the report, in time order; frames of the
    // same second keep the order they were read in. Call after the last Read.
    void Finish();
    // Passes on only the frames stamped from <= time < to (seconds as LogLine counts them);
    // the lines outside are still checked.
    void SetWindow(long long from, long long to)
    {
        m_from = from;
        m_to = to;
    }

private:
    struct TimedFrame
    {
        long long seconds;
        char time[20]; // "YYYY-MM-DD HH:MM:SS"
        std::uint8_t length;
        std::uint8_t bytes[CFrameDecoder::kMaxFrameLen];
        std::uint32_t file; // into m_files
    };

    void OnLine(const std::string& line, bool tooLong, const std::string& name, long lineNo);

    CFrameReport& m_report;
    // Held until Finish: a day's parts, and a clock put back, give frames out of time order.
    std::vector<TimedFrame> m_frames;
    std::vector<std::string> m_files; // every file read, in the order read
    std::FILE* m_err;
    long long m_from = std::numeric_limits<long long>::min();
    long long m_to = std::numeric_limits<long long>::max();
};
