// Parsing of hex frame files and daily logs.
#include "tools/acceptor/FrameFiles.h"

#include <cctype>

#include "frames/LogLine.h"

namespace
{
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Reads one line without its line end, CR LF or LF.
bool ReadLine(std::istream& in, std::string& line)
{
    if (!std::getline(in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

bool IsSkippable(const std::string& line)
{
    for (char c : line)
    {
        if (c == '#')
            return true;
        if (!IsBlank(c))
            return false;
    }
    return true;
}

// A line as a message may show it: printable characters only, at most 60 of them, so a
// binary file or an endless line cannot flood or drive the terminal.
std::string Quoted(const std::string& line)
{
    constexpr std::size_t kMost = 60;
    std::string text;
    for (char c : line)
    {
        if (text.size() == kMost)
        {
            text.replace(kMost - 3, 3, "...");
            break;
        }
        text += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    }
    return '"' + text + '"';
}

std::string LineError(long lineNo, const std::string& what)
{
    return "line " + std::to_string(lineNo) + ": " + what;
}
} // namespace

bool ParseHexFrames(std::istream& in, std::vector<SourceFrame>& frames, std::string& error)
{
    frames.clear();
    std::string line;
    for (long lineNo = 1; ReadLine(in, line); ++lineNo)
    {
        if (IsSkippable(line))
            continue;
        SourceFrame frame;
        if (!ParseHexBytes(line, frame.bytes))
        {
            error = LineError(lineNo, "not a line of hex bytes: " + Quoted(line));
            return false;
        }
        frames.push_back(std::move(frame));
    }
    if (in.bad())
    {
        error = "read error";
        return false;
    }
    return true;
}

bool ParseLogFrames(std::istream& in, std::vector<SourceFrame>& frames, std::string& error)
{
    frames.clear();
    std::string line;
    long long previous = 0;
    double at = 0;
    for (long lineNo = 1; ReadLine(in, line); ++lineNo)
    {
        if (line.empty())
            continue;
        LogLine logged;
        const std::string why = ParseLogLine(line, logged);
        if (!why.empty())
        {
            error = LineError(lineNo, why);
            return false;
        }
        const long long stamp = logged.seconds;
        SourceFrame frame;
        frame.bytes = std::move(logged.bytes);
        // Each gap counts, but a step back in time counts as none.
        if (!frames.empty() && stamp > previous)
            at += static_cast<double>(stamp - previous);
        previous = stamp;
        frame.atSeconds = at;
        frames.push_back(std::move(frame));
    }
    if (in.bad())
    {
        error = "read error";
        return false;
    }
    return true;
}
