// Splitting a daily log into lines and judging each line.

#include "tools/decode/LogReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "frames/LogLine.h"

namespace
{
// The longest line the monitor writes is 67 characters; a much longer one is no log line and
// is not kept whole.
constexpr std::size_t kMaxLine = 256;

std::string Hex(std::uint8_t b)
{
    return HexDump(&b, 1);
}
} // namespace

std::string WhyNotOneFrame(const std::vector<std::uint8_t>& bytes)
{
    const std::size_t size = bytes.size();
    if (size == 0)
        return "no bytes";
    const std::size_t length = static_cast<std::size_t>(CFrameDecoder::FrameLength(bytes[0]));
    if (length == 0)
        return Hex(bytes[0]) + " starts no frame";
    if (size < length)
        return "a partial frame: " + std::to_string(size) + " of its " + std::to_string(length) +
               " bytes";
    if (size > length)
        return CFrameDecoder::FrameLength(bytes[length]) != 0
                   ? "two frames: another starts at byte " + std::to_string(length)
                   : std::to_string(size - length) + " bytes after the frame";
    if (!CFrameDecoder::IsFrameValid(bytes.data()))
        return "checksum fails: byte 4 is " + Hex(bytes[4]) + ", bytes 0 to 3 sum to " +
               Hex(static_cast<std::uint8_t>(bytes[0] + bytes[1] + bytes[2] + bytes[3]));
    return {};
}

void CLogReader::OnLine(const std::string& line, bool tooLong, const std::string& name, long lineNo)
{
    LogLine logged;
    std::string why = tooLong        ? "a line too long to be a log line"
                      : line.empty() ? "an empty line"
                                     : ParseLogLine(line, logged);
    if (why.empty())
        why = WhyNotOneFrame(logged.bytes);
    if (!why.empty())
    {
        const std::string where = name + ":" + std::to_string(lineNo) + ": " + why;
        std::fprintf(m_err, "%s\n", where.c_str());
        m_report.CountBadLine(where);
        return;
    }
    if (logged.seconds < m_from || logged.seconds >= m_to)
        return;
    // One valid frame, so no more than the longest frame's bytes; the stamp's shape is fixed.
    TimedFrame frame = {logged.seconds, {}, static_cast<std::uint8_t>(logged.bytes.size()), {},
                        static_cast<std::uint32_t>(m_files.size() - 1)};
    logged.time.copy(frame.time, sizeof frame.time - 1);
    std::copy(logged.bytes.begin(), logged.bytes.end(), frame.bytes);
    m_frames.push_back(frame);
}

void CLogReader::Finish()
{
    const auto earlier = [](const TimedFrame& a, const TimedFrame& b)
    { return a.seconds < b.seconds; };
    // Mostly in order already: then without the sort's buffer.
    if (!std::is_sorted(m_frames.begin(), m_frames.end(), earlier))
        std::stable_sort(m_frames.begin(), m_frames.end(), earlier);
    // Only a whole, valid frame reaches the decoder, so it is hunting again after each one.
    for (const TimedFrame& frame : m_frames)
    {
        m_report.SetFile(m_files[frame.file]); // each frame counts for its own machine
        m_report.SetTime(frame.time, frame.seconds);
        m_report.Feed(frame.bytes, frame.length);
    }
    m_frames.clear();
}

bool CLogReader::Read(std::FILE* in, const std::string& name, std::string& error)
{
    m_report.BeginFile(name);
    m_files.push_back(name);
    std::string line;
    bool tooLong = false, open = false; // open: a line has begun and not yet ended
    long lineNo = 0;
    auto endLine = [&]
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        // Measured without its CR, so a CR LF file and an LF file agree.
        tooLong = tooLong || line.size() > kMaxLine;
        OnLine(line, tooLong, name, ++lineNo);
        line.clear();
        tooLong = open = false;
    };
    char buf[1 << 16];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0)
    {
        for (std::size_t i = 0; i < n; ++i)
        {
            if (buf[i] == '\n')
            {
                endLine();
                continue;
            }
            open = true;
            if (line.size() <= kMaxLine) // one more than a log line's most: a CR, or too long
                line += buf[i];
            else
                tooLong = true;
        }
    }
    if (std::ferror(in))
    {
        error = name + ": cannot read: " + std::strerror(errno);
        return false;
    }
    // A last line without its line end (a log cut short) is still a line.
    if (open)
        endLine();
    return true;
}
