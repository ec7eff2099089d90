// One line of a daily log as the monitor writes it, "[YYYY-MM-DD HH:MM:SS]  " then the frame's
// hex dump, read back by the tools (the decoder's reports, the acceptor's replay). Portable (no
// <windows.h>): builds in both presets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct LogLine
{
    std::string time;      // "YYYY-MM-DD HH:MM:SS", as stamped
    long long seconds = 0; // the stamp counted from 1970-01-01; only differences mean anything
    std::vector<std::uint8_t> bytes;
};

// Length of the stamp, brackets and the two blanks after them included.
constexpr std::size_t kLogStampLength = 23;

// A line read in place, without allocating: what a reader of many logs keeps of a line. The
// dump's first bytes only, which are enough to judge whether it is one frame.
struct LoggedFrame
{
    static constexpr std::size_t kKept = 16; // one more than the longest frame
    const char* time = nullptr; // "YYYY-MM-DD HH:MM:SS" inside the line read, not terminated
    long long seconds = 0;
    std::size_t size = 0; // bytes in the dump, kept or not
    std::uint8_t bytes[kKept] = {};
};
enum class LogLineFault
{
    None,
    NoStamp,    // no "[YYYY-MM-DD HH:MM:SS]  " at the start
    NoSuchTime, // a stamp of that shape naming no time
    NoDump,     // nothing but blanks after it
    NotHex,     // no hex dump after it
};
// Reads one line of n characters without its line end into out.
LogLineFault ReadLogLine(const char* line, std::size_t n, LoggedFrame& out);
// What ParseLogLine says of such a line; empty for None.
std::string LogLineFaultText(LogLineFault fault, const LoggedFrame& line);
// The day of a line's stamped date (days since 1970-01-01), or false when it has no date: a
// quick look, neither the time nor the dump is read. The day of a valid line's seconds (as
// seconds / 86400 rounded down) is this day, or the next for a leap second (23:59:60).
bool LogLineDay(const char* line, std::size_t n, long long& day);

// Reads one line without its line end. Returns an empty text on success, else why the line is
// not a stamped hex dump. Whether the bytes make a frame is left to the caller.
std::string ParseLogLine(const std::string& line, LogLine& out);

// A time as the stamps write it, "YYYY-MM-DD HH:MM:SS", in seconds counted as LogLine's are.
// Returns an empty text on success, else why it is no such time.
std::string ParseLogTime(const std::string& text, long long& seconds);
// The other way: seconds counted as LogLine's are, as "YYYY-MM-DD HH:MM:SS".
std::string FormatLogTime(long long seconds);

// Hex text such as "92 01 02 03 98" or "9201020398": tokens of an even number of hex digits,
// either case, separated by white space. False on anything else or on no bytes at all.
bool ParseHexBytes(const std::string& text, std::vector<std::uint8_t>& bytes);
