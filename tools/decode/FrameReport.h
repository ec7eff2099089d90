// What kestrane-decode prints: the frames the monitor's own decoder finds, one a line, as CSV
// rows or summed up, with the totals the options ask for. Portable: native and Windows builds.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "frames/FrameDecoder.h"
#include "tools/decode/LogTotals.h"

class CFrameReport : public CFrameOwner
{
public:
    enum class Form
    {
        Lines,   // a line a frame: [TIME ]KIND DUMP [channel=N value=V count=C]
        Csv,     // a header, then TIME,KIND,CHANNEL,VALUE[,SOURCE] a frame
        Summary, // nothing a frame: the totals alone, printed by PrintSummary or drawn as a page
    };

    // C stdio, not iostreams: the streams' locale machinery would triple the static program.
    // sourceColumn: the Csv form ends each row with the folder of the frame's file.
    CFrameReport(std::FILE* out, Form form, bool sourceColumn = false);
    CFrameReport(const CFrameReport&) = delete;
    CFrameReport& operator=(const CFrameReport&) = delete;

    // Bytes in arrival order, through the decoder.
    void Feed(const std::uint8_t* pData, std::size_t nLength);
    // A log file begins: counted, and the frames from now on come from it.
    void BeginFile(const std::string& path)
    {
        m_totals.CountFile();
        SetFile(path);
    }
    // The frames from now on come from this file; cheap when it is the file already, so frames
    // of several files may be fed in any order, each after its own file.
    void SetFile(const std::string& path);
    // The time stamp of the frames fed from now on ("YYYY-MM-DD HH:MM:SS"), and its seconds.
    void SetTime(const std::string& time, long long seconds)
    {
        m_time = time;
        m_seconds = seconds;
    }
    // A line of a log that held no single valid frame, as "FILE:LINE: why".
    void CountBadLine(const std::string& where) { m_totals.AddBadLine(where); }
    long BadLines() const { return m_totals.BadLines(); }
    const CLogTotals& Totals() const { return m_totals; }

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
    const bool m_bSourceColumn;
    CFrameDecoder m_decoder;
    std::string m_time;
    long long m_seconds = 0;
    std::string m_file;   // the file the frames come from
    std::string m_source; // and its folder as a CSV field
    long m_nFramesStarted = 0;
    CLogTotals m_totals;
};
