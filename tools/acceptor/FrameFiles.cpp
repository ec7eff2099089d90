// Parsing of hex frame files and daily logs.
#include "tools/acceptor/FrameFiles.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>

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

// Reads `width` decimal digits at text[pos]; -1 when they are not all digits.
int Digits(const std::string& text, std::size_t pos, std::size_t width)
{
    int value = 0;
    for (std::size_t i = pos; i < pos + width; ++i)
    {
        if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i])))
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// Days since 1970-01-01 of a civil date, for the seconds between two stamps; the stamps are
// local time, and only their differences matter.
long long DaysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// "[YYYY-MM-DD HH:MM:SS]  " at the start of the line: its seconds since 1970.
bool ParseStamp(const std::string& line, long long& seconds)
{
    static const char kShape[] = "[dddd-dd-dd dd:dd:dd]  ";
    const std::size_t n = sizeof kShape - 1;
    if (line.size() < n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
    {
        if (kShape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(line[i]))
                             : line[i] != kShape[i])
            return false;
    }
    const int year = Digits(line, 1, 4), month = Digits(line, 6, 2), day = Digits(line, 9, 2);
    const int hour = Digits(line, 12, 2), minute = Digits(line, 15, 2),
              second = Digits(line, 18, 2);
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return false;
    seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}
} // namespace

bool ParseHexBytes(const std::string& text, Bytes& bytes)
{
    bytes.clear();
    std::size_t i = 0;
    while (i < text.size())
    {
        if (IsBlank(text[i]))
        {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !IsBlank(text[end]))
            ++end;
        if ((end - i) % 2 != 0)
            return false;
        for (; i < end; i += 2)
        {
            const char pair[3] = {text[i], text[i + 1], '\0'};
            if (!std::isxdigit(static_cast<unsigned char>(pair[0])) ||
                !std::isxdigit(static_cast<unsigned char>(pair[1])))
                return false;
            bytes.push_back(static_cast<std::uint8_t>(std::strtoul(pair, nullptr, 16)));
        }
    }
    return !bytes.empty();
}

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
        long long stamp = 0;
        if (!ParseStamp(line, stamp))
        {
            error = LineError(lineNo, "no time stamp \"[YYYY-MM-DD HH:MM:SS]  \" at the start");
            return false;
        }
        SourceFrame frame;
        if (!ParseHexBytes(line.substr(23), frame.bytes))
        {
            error = LineError(lineNo, "no hex dump after the time stamp");
            return false;
        }
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
