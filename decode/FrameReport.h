// What kestrane-decode prints: the frames the monitor's own decoder finds, one a line, as CSV
// rows or summed up, with the totals the options ask for. Portable: native and Windows builds.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "decode/LogTotals.h"
#include "frames/FrameDecoder.h"

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

    // A log file is read: counted, its folder listed. Returns what UseFile takes.
    std::size_t AddFile(const std::string& path);
    // The logged frames from now on come from this file; cheap, so frames of several files
    // may come in any order, each after its own file.
    void UseFile(std::size_t file);
    // One whole, valid frame of a log, stamped time ("YYYY-MM-DD HH:MM:SS") and seconds. It is
    // what the decoder would make of the frame's bytes, without the byte-wise hunt.
    void AddLoggedFrame(const std::uint8_t* pFrame, int nLength, std::string_view time,
                        long long seconds);
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
    struct File
    {
        CLogTotals::SourceEntry source;
        std::string csvSource; // ",FOLDER" for the Csv form's source column
    };

    // A valid frame and the notes now counted on its channel.
    void Report(const unsigned char* pFrame, int nLength, std::string_view time, long long seconds,
                int count);

    std::FILE* m_out;
    const Form m_form;
    const bool m_bSourceColumn;
    CFrameDecoder m_decoder;
    std::vector<File> m_files;
    const File* m_pFile = nullptr; // the file logged frames come from
    int m_anLoggedNotes[CFrameDecoder::kChannels] = {};
    long m_nFramesStarted = 0;
    CLogTotals m_totals;
};
