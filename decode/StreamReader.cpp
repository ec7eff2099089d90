// Reading captured byte streams.
#include "decode/StreamReader.h"

#include <cerrno>
#include <cstring>

bool CHexReader::Feed(const char* p, size_t n, CFrameReport& report, std::string& error)
{
    for (size_t i = 0; i < n; ++i)
    {
        const int c = static_cast<unsigned char>(p[i]);
        const int previous = m_nPrevious;
        m_nPrevious = c;
        if (c == '\r' || c == '\n')
        {
            if (!Finish(error))
                return false;
            if (c == '\r' || previous != '\r')
                ++m_nLine;
            m_bComment = false;
            m_bLineStart = true;
            continue;
        }
        if (m_bComment)
            continue;
        if (c == '#' && m_bLineStart)
        {
            m_bComment = true;
            continue;
        }
        const int digit = HexDigitValue(c);
        if (digit >= 0)
        {
            m_bLineStart = false;
            if (m_nHigh < 0)
                m_nHigh = digit;
            else
            {
                const std::uint8_t b = static_cast<std::uint8_t>(m_nHigh * 16 + digit);
                report.Feed(&b, 1);
                m_nHigh = -1;
            }
            continue;
        }
        if (c != ' ' && c != '\t' && c != '\f' && c != '\v')
        {
            char buf[80];
            if (c > ' ' && c < 0x7f)
                std::snprintf(buf, sizeof buf, "line %ld: not a hex digit: '%c'", m_nLine, c);
            else
                std::snprintf(buf, sizeof buf, "line %ld: not a hex digit: byte 0x%02x", m_nLine,
                              c);
            error = buf;
            return false;
        }
        if (!Finish(error))
            return false;
    }
    return true;
}

bool CHexReader::Finish(std::string& error)
{
    if (m_nHigh < 0)
        return true;
    error = "line " + std::to_string(m_nLine) + ": odd number of hex digits";
    return false;
}

std::string DecodeStream(std::FILE* in, bool hex, CFrameReport& report)
{
    CHexReader hexReader;
    std::string error;
    static char buf[1 << 16];
    size_t n;
    while (error.empty() && (n = std::fread(buf, 1, sizeof buf, in)) > 0)
    {
        if (hex)
            hexReader.Feed(buf, n, report, error);
        else
            report.Feed(reinterpret_cast<const std::uint8_t*>(buf), n);
    }
    if (error.empty() && std::ferror(in))
        error = std::string("cannot read: ") + std::strerror(errno);
    if (error.empty() && hex)
        hexReader.Finish(error);
    return error;
}
