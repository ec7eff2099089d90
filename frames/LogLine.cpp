// Reading the daily log's lines: the time stamp and the hex dump.
#include "frames/LogLine.h"

#include <cstdio>

#include "frames/FrameDecoder.h"

namespace
{
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The decimal number of text[pos, pos + width), all digits by the caller's test.
int Number(const std::string& text, std::size_t pos, std::size_t width)
{
    int value = 0;
    for (std::size_t i = pos; i < pos + width; ++i)
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

// text[pos, pos + shape's length) against a shape whose 'd' stands for a digit.
bool HasShape(const std::string& text, std::size_t pos, const char* shape)
{
    for (std::size_t i = 0; shape[i] != '\0'; ++i)
        if (pos + i >= text.size() ||
            (shape[i] == 'd' ? !IsDigit(text[pos + i]) : text[pos + i] != shape[i]))
            return false;
    return true;
}

const char kTimeShape[] = "dddd-dd-dd dd:dd:dd";

// The seconds of a time of kTimeShape at text[pos]; false when no such time exists.
bool TimeSeconds(const std::string& text, std::size_t pos, long long& seconds)
{
    const int year = Number(text, pos, 4), month = Number(text, pos + 5, 2),
              day = Number(text, pos + 8, 2);
    const int hour = Number(text, pos + 11, 2), minute = Number(text, pos + 14, 2),
              second = Number(text, pos + 17, 2);
    // 60 seconds: the C library may stamp a leap second so.
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 60)
        return false;
    seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}
} // namespace

bool ParseHexBytes(const std::string& text, std::vector<std::uint8_t>& bytes)
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
            const int high = HexDigitValue(static_cast<unsigned char>(text[i]));
            const int low = HexDigitValue(static_cast<unsigned char>(text[i + 1]));
            if (high < 0 || low < 0)
                return false;
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        }
    }
    return !bytes.empty();
}

std::string ParseLogTime(const std::string& text, long long& seconds)
{
    if (text.size() != sizeof kTimeShape - 1 || !HasShape(text, 0, kTimeShape))
        return "not a time \"YYYY-MM-DD HH:MM:SS\": " + text;
    if (!TimeSeconds(text, 0, seconds))
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

std::string ParseLogLine(const std::string& line, LogLine& out)
{
    static_assert(sizeof kTimeShape + 3 == kLogStampLength, "the stamp's shape");
    if (!HasShape(line, 0, "[") || !HasShape(line, 1, kTimeShape) || !HasShape(line, 20, "]  "))
        return "no time stamp \"[YYYY-MM-DD HH:MM:SS]  \" at the start";

    out.time = line.substr(1, 19);
    if (!TimeSeconds(line, 1, out.seconds))
        return "no such time: " + out.time;

    const std::string dump = line.substr(kLogStampLength);
    if (dump.find_first_not_of(" \t") == std::string::npos)
        return "no hex dump after the time stamp";
    if (!ParseHexBytes(dump, out.bytes))
        return "not a hex dump after the time stamp";
    return {};
}
