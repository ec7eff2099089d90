// What kestrane-decode prints: the frames the monitor's own decoder finds, one a line, as CSV
// rows or summed up, with the totals the options ask for. Portable: native and Windows builds.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <utility>

#include "frames/FrameDecoder.h"

class CFrameReport : public CFrameOwner
{
public:
    enum class Form
    {
        Lines,   // a line a frame: [TIME ]KIND DUMP [channel=N value=V count=C]
        Csv,     // a header, then TIME,KIND,CHANNEL,VALUE a frame
        Summary, // nothing a frame; Finish prints the sums
    };

    // C stdio, not iostreams: the streams' locale machinery would triple the static program.
    CFrameReport(std::FILE* out, Form form);
    CFrameReport(const CFrameReport&) = delete;
    CFrameReport& operator=(const CFrameReport&) = delete;

    // Bytes in arrival order, through the decoder.
    void Feed(const std::uint8_t* pData, std::size_t nLength);
    // The time stamp of the frames fed from now on ("YYYY-MM-DD HH:MM:SS").
    void SetTime(const std::string& time) { m_time = time; }
    // A line of a log that held no single valid frame.
    void CountBadLine() { ++m_nBadLines; }
    long BadLines() const { return m_nBadLines; }

    // Stream totals: per kind, frames dropped for their checksum, an unfinished frame.
    void PrintStats() const;
    // The sums of the Summary form.
    void PrintSummary() const;

    // CFrameOwner: every frame is reported whole, note reads included, so a note read on its
    // own adds nothing.
    void OnFrameStart() override { ++m_nFramesStarted; }
    void OnNoteRead(int, int, int) override {}
    void OnFrame(const unsigned char* pFrame, int nLength, const std::string&) override;

private:
    std::FILE* m_out;
    const Form m_form;
    CFrameDecoder m_decoder;
    std::string m_time, m_firstTime, m_lastTime;
    long m_anFrames[4] = {};
    long m_nFramesStarted = 0;
    long m_nBadLines = 0;
    // Notes read, by channel byte and value.
    std::map<std::pair<int, int>, long> m_notes;
};
