// Gathering the figures of a run over daily logs.
#include "tools/decode/LogTotals.h"

const char* const kKindNames[kKinds] = {"note-read", "block", "counterfeit", "ok"};

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

void CLogTotals::SetFile(const std::string& path)
{
    m_pSource = &*m_sources.emplace(FolderOf(path), Source()).first;
}

void CLogTotals::AddFrame(FrameKind kind, int channel, int value, const std::string& time,
                          long long seconds)
{
    ++m_anFrames[kind];
    if (m_firstTime.empty())
    {
        m_firstTime = time;
        m_firstSeconds = seconds;
    }
    m_lastTime = time;
    m_lastSeconds = seconds;

    Source* source = m_pSource ? &m_pSource->second : nullptr;
    if (source)
    {
        if (source->firstTime.empty())
            source->firstTime = time;
        source->lastTime = time;
    }
    if (kind == kNoteReadFrame)
    {
        ++m_notes[{channel, value}];
        // Floor division: a stamp before 1970 still falls in its own hour.
        const long long hour = seconds >= 0 ? seconds / 3600 : -((-seconds + 3599) / 3600);
        m_valueByHour[hour] += value;
        if (source)
        {
            ++source->notes;
            source->value += value;
        }
        return;
    }
    if (kind == kOkFrame)
        return;
    if (source)
        ++(kind == kBlockFrame ? source->blocks : source->counterfeits);
    if (m_events.size() < kEventsKept)
        m_events.push_back({time, kind, m_pSource ? &m_pSource->first : nullptr});
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
