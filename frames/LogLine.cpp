// Reading the daily log's lines: the time stamp and the hex dump.
#include "frames/LogLine.h"

#include <cstdio>
#include <cstring>

#include "frames/FrameDecoder.h"

namespace
{
// Character classes by table: the hex digit values (-1 for none) and the blanks of a dump.
struct CharTables
{
    signed char hex[256];
    bool blank[256];
    CharTables() : hex(), blank()
    {
        for (int c = 0; c < 256; ++c)
        {
            hex[c] = static_cast<signed char>(HexDigitValue(c));
            blank[c] = c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
        }
    }
};
const CharTables kChars;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The decimal number of text[0, width), all digits by the caller's test.
int Number(const char* text, int width)
{
    int value = 0;
    for (int i = 0; i < width; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

bool IsLeapYear(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Days since 1970-01-01 of a civil date.
long long DaysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The civil date of a count of days since 1970-01-01, the inverse of DaysFromCivil.
void CivilFromDays(long long z, int& y, int& m, int& d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

// text[0, n) begins with a shape whose 'd' stands for a digit.
bool HasShape(const char* text, std::size_t n, const char* shape)
{
    for (std::size_t i = 0; shape[i] != '\0'; ++i)
        if (i >= n || (shape[i] == 'd' ? !IsDigit(text[i]) : text[i] != shape[i]))
            return false;
    return true;
}

const char kTimeShape[] = "dddd-dd-dd dd:dd:dd";
const char kStampShape[] = "[dddd-dd-dd dd:dd:dd]  ";
static_assert(sizeof kStampShape - 1 == kLogStampLength, "the stamp's shape");

// The days since 1970-01-01 of a date "YYYY-MM-DD" at text, digits by the caller's test; false
// when no such date exists.
bool DateDays(const char* text, long long& days)
{
    // The lines of a log share their date: it is worked out once for each thread's run of them.
    thread_local char lastDate[10] = {};
    thread_local long long lastDays = -1; // -1: lastDate names no date
    if (lastDays < 0 || std::memcmp(text, lastDate, sizeof lastDate) != 0)
    {
        const int year = Number(text, 4), month = Number(text + 5, 2), day = Number(text + 8, 2);
        if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
            return false;
        lastDays = DaysFromCivil(year, month, day);
        std::memcpy(lastDate, text, sizeof lastDate);
    }
    days = lastDays;
    return true;
}

// The seconds of a time of kTimeShape at text; false when no such time exists.
bool TimeSeconds(const char* text, long long& seconds)
{
    long long days = 0;
    if (!DateDays(text, days))
        return false;
    const int hour = Number(text + 11, 2), minute = Number(text + 14, 2),
              second = Number(text + 17, 2);
    // 60 seconds: the C library may stamp a leap second so.
    if (hour > 23 || minute > 59 || second > 60)
        return false;
    seconds = days * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}
} // namespace

bool ParseHexBytes(const std::string& text, std::vector<std::uint8_t>& bytes)
{
    bytes.clear();
    std::size_t i = 0;
    while (i < text.size())
    {
        if (kChars.blank[static_cast<unsigned char>(text[i])])
        {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !kChars.blank[static_cast<unsigned char>(text[end])])
            ++end;
        if ((end - i) % 2 != 0)
            return false;
        for (; i < end; i += 2)
        {
            const int high = kChars.hex[static_cast<unsigned char>(text[i])];
            const int low = kChars.hex[static_cast<unsigned char>(text[i + 1])];
            if (high < 0 || low < 0)
                return false;
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        }
    }
    return !bytes.empty();
}

std::string ParseLogTime(const std::string& text, long long& seconds)
{
    if (text.size() != sizeof kTimeShape - 1 || !HasShape(text.data(), text.size(), kTimeShape))
        return "not a time \"YYYY-MM-DD HH:MM:SS\": " + text;
    if (!TimeSeconds(text.data(), seconds))
        return "no such time: " + text;
    return {};
}

std::string FormatLogTime(long long seconds)
{
    long long days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0)
    {
        rest += 86400;
        --days;
    }
    int y = 0, m = 0, d = 0;
    CivilFromDays(days, y, m, d);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d,
                  static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                  static_cast<int>(rest % 60));
    return text;
}

LogLineFault ReadLogLine(const char* line, std::size_t n, LoggedFrame& out)
{
    if (!HasShape(line, n, kStampShape))
        return LogLineFault::NoStamp;
    out.time = line + 1;
    if (!TimeSeconds(line + 1, out.seconds))
        return LogLineFault::NoSuchTime;

    // The monitor's own shape first, byte pairs and single blanks, "92 01 02 03 98".
    out.size = 0;
    for (std::size_t i = kLogStampLength; i + 1 < n; i += 3)
    {
        const int high = kChars.hex[static_cast<unsigned char>(line[i])];
        const int low = kChars.hex[static_cast<unsigned char>(line[i + 1])];
        if (high < 0 || low < 0 || (i + 2 < n && line[i + 2] != ' '))
            break;
        if (out.size < LoggedFrame::kKept)
            out.bytes[out.size] = static_cast<std::uint8_t>(high * 16 + low);
        ++out.size;
        if (i + 2 >= n)
            return LogLineFault::None;
    }

    // Any other: tokens of an even number of hex digits between blanks; the stamp's own blanks
    // are not the dump's, so a dump of a vertical tab alone is no dump but not "none" either.
    bool any = false;
    out.size = 0;
    for (std::size_t i = kLogStampLength; i < n;)
    {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        any = any || (c != ' ' && c != '\t');
        if (kChars.blank[c])
        {
            ++i;
            continue;
        }
        const int high = kChars.hex[c];
        const int low = i + 1 < n ? kChars.hex[static_cast<unsigned char>(line[i + 1])] : -1;
        if (high < 0 || low < 0)
        {
            // A lone digit, or anything else: not a dump, though it may yet prove to be none.
            for (; i < n && !any; ++i)
                any = line[i] != ' ' && line[i] != '\t';
            return any ? LogLineFault::NotHex : LogLineFault::NoDump;
        }
        if (out.size < LoggedFrame::kKept)
            out.bytes[out.size] = static_cast<std::uint8_t>(high * 16 + low);
        ++out.size;
        i += 2;
    }
    return !any ? LogLineFault::NoDump : out.size == 0 ? LogLineFault::NotHex : LogLineFault::None;
}

std::string LogLineFaultText(LogLineFault fault, const LoggedFrame& line)
{
    switch (fault)
    {
    case LogLineFault::None:
        break;
    case LogLineFault::NoStamp:
        return "no time stamp \"[YYYY-MM-DD HH:MM:SS]  \" at the start";
    case LogLineFault::NoSuchTime:
        return "no such time: " + std::string(line.time, sizeof kTimeShape - 1);
    case LogLineFault::NoDump:
        return "no hex dump after the time stamp";
    case LogLineFault::NotHex:
        return "not a hex dump after the time stamp";
    }
    return {};
}

bool LogLineDay(const char* line, std::size_t n, long long& day)
{
    return HasShape(line, n, "[dddd-dd-dd ") && DateDays(line + 1, day);
}

std::string ParseLogLine(const std::string& line, LogLine& out)
{
    LoggedFrame read;
    const LogLineFault fault = ReadLogLine(line.data(), line.size(), read);
    if (read.time)
        out.time.assign(read.time, sizeof kTimeShape - 1);
    out.seconds = read.seconds;
    if (fault != LogLineFault::None)
        return LogLineFaultText(fault, read);
    ParseHexBytes(line.substr(kLogStampLength), out.bytes);
    return {};
}
