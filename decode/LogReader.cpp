// Splitting daily logs into lines, judging each line, and merging the frames by time, a day at
// a time.

#include "decode/LogReader.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

#include "decode/Files.h"
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

long long DayOf(long long seconds)
{
    return seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
}

// Calls onLine(text, length, tooLong) for every line of a file opened in binary, its LF and
// one CR before it taken off; a last line without its line end (a log cut short) is a line
// too. A line too long to be a log line is not kept whole. False when the file could not be
// read.
template <class OnLine> bool ForEachLine(std::FILE* in, OnLine onLine)
{
    char buf[1 << 16];
    std::size_t kept = 0;  // an unfinished line's bytes at the start of buf
    bool longLine = false; // the unfinished line is too long; its bytes were let go
    const auto end = [&](const char* text, std::size_t n)
    {
        if (!longLine && n > 0 && text[n - 1] == '\r')
            --n;
        onLine(text, n, longLine || n > kMaxLine);
        longLine = false;
    };
    std::size_t n;
    while ((n = std::fread(buf + kept, 1, sizeof buf - kept, in)) > 0)
    {
        const char* line = buf;
        const char* const stop = buf + kept + n;
        while (const char* lf = static_cast<const char*>(
                   std::memchr(line, '\n', static_cast<std::size_t>(stop - line))))
        {
            end(line, static_cast<std::size_t>(lf - line));
            line = lf + 1;
        }
        kept = static_cast<std::size_t>(stop - line);
        // One more than a log line's most is kept: a CR, or too long.
        if (longLine || kept > kMaxLine + 1)
        {
            longLine = true;
            kept = 0;
        }
        std::memmove(buf, line, kept);
    }
    if (std::ferror(in))
        return false;
    if (kept > 0 || longLine)
        end(buf, kept);
    return true;
}

// Calls work(i) for i in [0, n), on as many threads as there are cores.
template <class Work> void InParallel(std::size_t n, Work work)
{
    const std::size_t threads =
        std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), n);
    std::atomic<std::size_t> next{0};
    const auto worker = [&]
    {
        for (std::size_t i; (i = next++) < n;)
            work(i);
    };
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool)
        t.join();
}
} // namespace

std::string WhyNotOneFrame(const std::uint8_t* bytes, std::size_t size)
{
    if (size == 0)
        return "no bytes";
    const std::size_t length = static_cast<std::size_t>(FrameLengthFor(bytes[0]));
    if (length == 0)
        return Hex(bytes[0]) + " starts no frame";
    if (size < length)
        return "a partial frame: " + std::to_string(size) + " of its " + std::to_string(length) +
               " bytes";
    if (size > length)
        return FrameLengthFor(bytes[length]) != 0
                   ? "two frames: another starts at byte " + std::to_string(length)
                   : std::to_string(size - length) + " bytes after the frame";
    if (!CFrameDecoder::IsFrameValid(bytes))
        return "checksum fails: byte 4 is " + Hex(bytes[kChecksumByte]) + ", bytes 0 to 3 sum to " +
               Hex(CFrameDecoder::Checksum(bytes));
    return {};
}

void CLogReader::ReadOne(std::FILE* in, std::uint32_t index, FileRead& out) const
{
    const std::string& name = m_files[index];
    long lineNo = 0;
    std::size_t day = 0; // the entry of out.days the last frame went to
    const auto onLine = [&](const char* text, std::size_t n, bool tooLong)
    {
        ++lineNo;
        LoggedFrame logged;
        const LogLineFault fault =
            tooLong || n == 0 ? LogLineFault::None : ReadLogLine(text, n, logged);
        std::string why = tooLong  ? "a line too long to be a log line"
                          : n == 0 ? "an empty line"
                                   : LogLineFaultText(fault, logged);
        if (why.empty())
            why = WhyNotOneFrame(logged.bytes, logged.size);
        if (!why.empty())
        {
            out.badLines.push_back(name + ":" + std::to_string(lineNo) + ": " + why);
            return;
        }
        if (logged.seconds < m_from || logged.seconds >= m_to)
            return;
        // One valid frame, so no more than the longest frame's bytes; the stamp's shape is fixed.
        Frame frame = {logged.seconds, index, {}, static_cast<std::uint8_t>(logged.size), {}};
        std::memcpy(frame.time, logged.time, sizeof frame.time);
        std::memcpy(frame.bytes, logged.bytes, logged.size);
        const long long d = DayOf(frame.seconds);
        if (day >= out.days.size() || out.days[day].first != d)
        {
            day = 0;
            while (day < out.days.size() && out.days[day].first != d)
                ++day;
            if (day == out.days.size())
                out.days.emplace_back(d, Run());
        }
        out.days[day].second.push_back(frame);
    };
    if (!ForEachLine(in, onLine))
        out.error = errno != 0 ? errno : EIO;
}

std::uint32_t CLogReader::AddFile(const std::string& name)
{
    m_files.push_back(name);
    m_reportIds.push_back(m_report.AddFile(name));
    m_read.push_back(false);
    return static_cast<std::uint32_t>(m_files.size() - 1);
}

CLogReader::~CLogReader()
{
    if (m_pSpill)
        std::fclose(m_pSpill);
}

void CLogReader::TakeIn(std::uint32_t index, FileRead& read)
{
    for (auto& day : read.days)
        m_days[day.first].push_back(std::move(day.second));
    m_read[index] = true;
    if (index != m_nBadLinesTold)
    {
        HoldBadLines(index, read.badLines);
        return;
    }
    TellBadLines(read.badLines);
    while (++m_nBadLinesTold < m_files.size() && m_read[m_nBadLinesTold])
        TellBadLines(ReleaseBadLines(m_nBadLinesTold));
}

void CLogReader::HoldBadLines(std::uint32_t index, std::vector<std::string>& lines)
{
    if (lines.empty())
        return;
    if (!m_bSpillTried)
    {
        m_bSpillTried = true;
        m_pSpill = std::tmpfile();
    }
    HeldBadLines& held = m_heldBadLines[index];
    held.count = lines.size();
    // Each line as its length, then its text.
    bool spilt = m_pSpill && std::fseek(m_pSpill, 0, SEEK_END) == 0 &&
                 (held.offset = std::ftell(m_pSpill)) >= 0;
    for (std::size_t i = 0; spilt && i < lines.size(); ++i)
    {
        const std::uint32_t length = static_cast<std::uint32_t>(lines[i].size());
        spilt = std::fwrite(&length, sizeof length, 1, m_pSpill) == 1 &&
                std::fwrite(lines[i].data(), 1, length, m_pSpill) == length;
    }
    if (!spilt)
    {
        held.offset = -1;
        held.lines = std::move(lines);
    }
}

std::vector<std::string> CLogReader::ReleaseBadLines(std::uint32_t index)
{
    std::vector<std::string> lines;
    const auto held = m_heldBadLines.find(index);
    if (held == m_heldBadLines.end())
        return lines;
    lines = std::move(held->second.lines);
    if (held->second.offset >= 0)
    {
        lines.resize(held->second.count);
        std::fseek(m_pSpill, held->second.offset, SEEK_SET);
        for (std::string& line : lines)
        {
            std::uint32_t length = 0;
            if (std::fread(&length, sizeof length, 1, m_pSpill) != 1)
                break;
            line.resize(length);
            if (length > 0 && std::fread(&line[0], 1, length, m_pSpill) != length)
                break;
        }
    }
    m_heldBadLines.erase(held);
    return lines;
}

void CLogReader::TellBadLines(const std::vector<std::string>& lines)
{
    for (const std::string& where : lines)
    {
        std::fprintf(m_err, "%s\n", ConsoleText(where).c_str());
        m_report.CountBadLine(where);
    }
}

void CLogReader::FeedDays(long long last)
{
    std::vector<std::uint32_t> start(86401);
    std::vector<const Frame*> order;
    std::uint32_t file = UINT32_MAX;
    while (!m_days.empty() && m_days.begin()->first <= last)
    {
        // Counted into the day's seconds, the runs taken in the order their files were given:
        // of one second, an earlier file's frames come first, each file's in its own order.
        std::vector<Run>& runs = m_days.begin()->second;
        std::sort(runs.begin(), runs.end(),
                  [](const Run& a, const Run& b) { return a.front().file < b.front().file; });
        const long long dayStart = m_days.begin()->first * 86400;
        std::fill(start.begin(), start.end(), 0);
        for (const Run& run : runs)
            for (const Frame& frame : run)
                ++start[static_cast<std::size_t>(frame.seconds - dayStart) + 1];
        for (std::size_t second = 1; second < start.size(); ++second)
            start[second] += start[second - 1];
        order.resize(start.back());
        for (const Run& run : runs)
            for (const Frame& frame : run)
                order[start[static_cast<std::size_t>(frame.seconds - dayStart)]++] = &frame;
        for (const Frame* frame : order)
        {
            if (frame->file != file) // each frame counts for its own machine
                m_report.UseFile(m_reportIds[file = frame->file]);
            m_report.AddLoggedFrame(frame->bytes, frame->length,
                                    std::string_view(frame->time, sizeof frame->time),
                                    frame->seconds);
        }
        m_days.erase(m_days.begin());
    }
}

bool CLogReader::Read(std::FILE* in, const std::string& name, std::string& error)
{
    const std::uint32_t index = AddFile(name);
    FileRead read;
    ReadOne(in, index, read);
    TakeIn(index, read);
    if (read.error == 0)
        return true;
    error = name + ": cannot read: " + std::strerror(read.error);
    return false;
}

void CLogReader::Finish()
{
    FeedDays(std::numeric_limits<long long>::max());
}

bool CLogReader::ReadFiles(const std::vector<std::string>& names, std::string& error)
{
    // The first pass: the first and last day each file's stamps name (a leap second's frame
    // may fall a day later, which only keeps it a little longer), and that it can be read at
    // all, before anything is printed.
    struct Days
    {
        long long first = std::numeric_limits<long long>::min(), last = first;
        int error = 0; // errno of a failed open or read
    };
    std::vector<Days> days(names.size());
    InParallel(names.size(),
               [&](std::size_t i)
               {
                   Days& d = days[i];
                   bool any = false;
                   std::FILE* in = OpenFile(names[i], "rb");
                   const auto onLine = [&](const char* text, std::size_t n, bool tooLong)
                   {
                       long long day = 0;
                       if (tooLong || !LogLineDay(text, n, day))
                           return;
                       d.first = any ? std::min(d.first, day) : day;
                       d.last = any ? std::max(d.last, day) : day;
                       any = true;
                   };
                   if (!in || !ForEachLine(in, onLine))
                       d.error = errno != 0 ? errno : EIO;
                   if (in)
                       std::fclose(in);
               });
    for (std::size_t i = 0; i < names.size(); ++i)
        if (days[i].error != 0)
        {
            error = names[i] + ": cannot read: " + std::strerror(days[i].error);
            return false;
        }

    // Then day by day: the files whose first day it is are read (a file without a day first),
    // and the day is fed on; frames of later days wait for theirs.
    const std::uint32_t base = static_cast<std::uint32_t>(m_files.size());
    std::vector<std::uint32_t> order;
    for (const std::string& name : names)
        order.push_back(AddFile(name));
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b)
                     { return days[a - base].first < days[b - base].first; });
    // The reading threads read the next day's files while this day is fed, so neither waits
    // for the other at each day's end; memory holds the day fed and the day being read.
    std::vector<std::size_t> dayOf(order.size()); // each file's place among the first days
    for (std::size_t i = 1; i < order.size(); ++i)
        dayOf[i] = dayOf[i - 1] + (days[order[i] - base].first != days[order[i - 1] - base].first);
    std::vector<FileRead> reads(order.size());
    std::vector<std::size_t> readOfDay(order.empty() ? 0 : dayOf.back() + 1); // files read
    std::size_t next = 0, taken = 0; // files begun; whole first days taken in
    bool stop = false;
    std::mutex mutex;
    std::condition_variable changed;
    const auto reader = [&]
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;)
        {
            changed.wait(lock,
                         [&] { return stop || next == order.size() || dayOf[next] <= taken; });
            if (stop || next == order.size())
                return;
            const std::size_t i = next++;
            lock.unlock();
            if (std::FILE* in = OpenFile(m_files[order[i]], "rb"))
            {
                ReadOne(in, order[i], reads[i]);
                std::fclose(in);
            }
            else
                reads[i].error = errno != 0 ? errno : EIO;
            lock.lock();
            ++readOfDay[dayOf[i]];
            changed.notify_all();
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < std::max(1u, std::thread::hardware_concurrency()); ++t)
        pool.emplace_back(reader);
    const auto finish = [&](bool read)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            stop = true;
        }
        changed.notify_all();
        for (std::thread& t : pool)
            t.join();
        return read;
    };

    for (std::size_t first = 0; first < order.size();)
    {
        std::size_t end = first;
        while (end < order.size() && dayOf[end] == dayOf[first])
            ++end;
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return readOfDay[dayOf[first]] == end - first; });
        }
        for (std::size_t i = first; i < end; ++i)
        {
            if (reads[i].error != 0)
            {
                error = m_files[order[i]] + ": cannot read: " + std::strerror(reads[i].error);
                return finish(false);
            }
            TakeIn(order[i], reads[i]);
            reads[i] = FileRead();
        }
        {
            const std::lock_guard<std::mutex> lock(mutex);
            ++taken;
        }
        changed.notify_all();
        // A file that grew since the first pass may bring frames of a day already fed: they
        // come now, late, rather than not at all.
        FeedDays(days[order[first] - base].first);
        first = end;
    }
    FeedDays(std::numeric_limits<long long>::max());
    return finish(true);
}
