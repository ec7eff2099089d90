// Gathering the figures of a run over daily logs.
#include "decode/LogTotals.h"

std::string FolderOf(const std::string& path)
{
#ifdef _WIN32
    const std::size_t slash = path.find_last_of("\\/:");
#else
    const std::size_t slash = path.find_last_of('/');
#endif
    if (slash == std::string::npos)
        return ".";
    // The root, or a drive's current folder ("C:"), keeps its mark.
    return slash == 0 || path[slash] == ':' ? path.substr(0, slash + 1) : path.substr(0, slash);
}

CLogTotals::SourceEntry CLogTotals::SourceOf(const std::string& path)
{
    return &*m_sources.emplace(FolderOf(path), Source()).first;
}

void CLogTotals::AddFrame(FrameKind kind, int channel, int value, std::string_view time,
                          long long seconds)
{
    ++m_anFrames[kind];
    if (m_firstTime.empty())
    {
        m_firstTime = time;
        m_firstSeconds = seconds;
    }
    // Assigning reuses each string's buffer: no allocation a frame.
    m_lastTime = time;
    m_lastSeconds = seconds;

    Source* source = m_pSource ? &m_pSource->second : nullptr;
    if (source)
    {
        if (source->firstTime.empty())
            source->firstTime = time;
        source->lastTime = time;
    }
    if (kind == kKindNoteRead)
    {
        ++m_notes[{channel, value}];
        // Floor division: a stamp before 1970 still falls in its own hour.
        const long long hour = seconds >= 0 ? seconds / 3600 : -((-seconds + 3599) / 3600);
        // Frames come in time order mostly, so mostly into the hour before.
        if (m_hour == m_valueByHour.end() || m_hour->first != hour)
            m_hour = m_valueByHour.emplace(hour, 0).first;
        m_hour->second += value;
        if (source)
        {
            ++source->notes;
            source->value += value;
        }
        return;
    }
    if (kind == kKindOk)
        return;
    if (source)
        ++(kind == kKindBlock ? source->blocks : source->counterfeits);
    if (m_events.size() < kEventsKept)
        m_events.push_back({std::string(time), kind, m_pSource ? &m_pSource->first : nullptr});
}

void CLogTotals::AddBadLine(const std::string& where)
{
    ++m_nBadLines;
    if (m_badLines.size() < kBadLinesKept)
        m_badLines.push_back(where);
}

long long CLogTotals::TotalValue() const
{
    long long total = 0;
    for (const auto& note : m_notes)
        total += static_cast<long long>(note.first.second) * note.second;
    return total;
}
