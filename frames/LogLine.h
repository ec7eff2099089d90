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
