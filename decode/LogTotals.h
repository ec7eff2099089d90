// The figures of one run over daily logs, gathered once for every report that shows them: the
// summary prints them and the HTML page draws them, so the two can never disagree. Portable:
// native and Windows builds.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "frames/FrameLayout.h"

// The folder a file was read from, as given ("." for a bare name): each PC's collected Log
// folder is one machine of a fleet.
std::string FolderOf(const std::string& path);

class CLogTotals
{
public:
    // What one folder (one machine) contributed.
    struct Source
    {
        long long value = 0;
        long notes = 0, blocks = 0, counterfeits = 0;
        std::string firstTime, lastTime;
    };
    // A counterfeit or block, the frames a manager looks into.
    struct Event
    {
        std::string time;
        FrameKind kind;
        const std::string* source; // a key of Sources(), which never moves
    };
    // A report lists this many of each and counts the rest.
    static constexpr std::size_t kEventsKept = 200;
    static constexpr std::size_t kBadLinesKept = 50;

    // One more file read.
    void CountFile() { ++m_nFiles; }
    // A file's folder entry, made once and listed, frames or none; SetSource takes it when the
    // frames from now on come from that file, cheaply, as a reader switches between files often.
    using SourceEntry = std::pair<const std::string, Source>*;
    SourceEntry SourceOf(const std::string& path);
    void SetSource(SourceEntry source) { m_pSource = source; }
    // A valid frame; channel and value count for note reads only.
    void AddFrame(FrameKind kind, int channel, int value, std::string_view time, long long seconds);
    // A line that held no single valid frame, as "FILE:LINE: why".
    void AddBadLine(const std::string& where);

    long Frames(FrameKind kind) const { return m_anFrames[kind]; }
    long Notes() const { return m_anFrames[kKindNoteRead]; }
    long long TotalValue() const;
    // Notes read by channel byte and value, in that order.
    const std::map<std::pair<int, int>, long>& NotesByChannel() const { return m_notes; }
    // Value taken in each hour that took any, by hour counted from 1970-01-01 as the stamps are.
    const std::map<long long, long long>& ValueByHour() const { return m_valueByHour; }
    const std::map<std::string, Source>& Sources() const { return m_sources; }
    const std::vector<Event>& FirstEvents() const { return m_events; }
    long BadLines() const { return m_nBadLines; }
    const std::vector<std::string>& FirstBadLines() const { return m_badLines; }
    long Files() const { return m_nFiles; }
    // The first and last frame's stamps ("" before any frame) and their seconds.
    const std::string& FirstTime() const { return m_firstTime; }
    const std::string& LastTime() const { return m_lastTime; }
    long long FirstSeconds() const { return m_firstSeconds; }
    long long LastSeconds() const { return m_lastSeconds; }

private:
    long m_anFrames[kKinds] = {};
    std::map<std::pair<int, int>, long> m_notes;
    std::map<long long, long long> m_valueByHour;
    std::map<long long, long long>::iterator m_hour = m_valueByHour.end(); // the last one added to
    std::map<std::string, Source> m_sources;
    SourceEntry m_pSource = nullptr; // the file being read
    std::vector<Event> m_events;
    std::vector<std::string> m_badLines;
    long m_nBadLines = 0, m_nFiles = 0;
    std::string m_firstTime, m_lastTime;
    long long m_firstSeconds = 0, m_lastSeconds = 0;
};
