// Printing and summing up the decoded frames.
#include "decode/FrameReport.h"

#include "decode/Files.h"
#include "decode/HtmlReport.h"

namespace
{
// A CSV field as it stands, or quoted with its quotes doubled when a comma, quote or line end
// would split it.
std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + '"';
}
} // namespace

CFrameReport::CFrameReport(std::FILE* out, Form form, bool sourceColumn)
    : m_out(out), m_form(form), m_bSourceColumn(sourceColumn), m_decoder(*this)
{
    if (m_form == Form::Csv)
        std::fputs(m_bSourceColumn ? "time,kind,channel,value,source\n"
                                   : "time,kind,channel,value\n",
                   m_out);
}

std::size_t CFrameReport::AddFile(const std::string& path)
{
    m_totals.CountFile();
    m_files.push_back({m_totals.SourceOf(path), m_bSourceColumn
                                                    ? "," + CsvField(ConsoleText(FolderOf(path)))
                                                    : std::string()});
    return m_files.size() - 1;
}

void CFrameReport::UseFile(std::size_t file)
{
    m_pFile = &m_files[file];
    m_totals.SetSource(m_pFile->source);
}

void CFrameReport::Feed(const std::uint8_t* pData, std::size_t nLength)
{
    for (std::size_t i = 0; i < nLength; ++i)
        m_decoder.OnSerialByte(pData[i]);
}

void CFrameReport::OnFrame(const unsigned char* pFrame, int nLength, const std::string&)
{
    Report(pFrame, nLength, "", 0,
           pFrame[0] == kLeadNoteRead ? m_decoder.NoteCount(pFrame[kChannelByte] - 1) : 0);
}

void CFrameReport::AddLoggedFrame(const std::uint8_t* pFrame, int nLength, std::string_view time,
                                  long long seconds)
{
    // Counted as the decoder counts: channels 1..12 only.
    const int channel = pFrame[kChannelByte];
    int count = 0;
    if (pFrame[0] == kLeadNoteRead && channel >= 1 && channel <= CFrameDecoder::kChannels)
        count = ++m_anLoggedNotes[channel - 1];
    Report(pFrame, nLength, time, seconds, count);
}

void CFrameReport::Report(const unsigned char* pFrame, int nLength, std::string_view time,
                          long long seconds, int count)
{
    const FrameKind kind = FrameKindFor(pFrame[0]);
    if (kind == kKinds)
        return;
    const bool note = kind == kKindNoteRead;
    const int channel = note ? pFrame[kChannelByte] : 0;
    const int value = note ? pFrame[kValueByte] : 0;
    m_totals.AddFrame(kind, channel, value, time, seconds);
    const int timeLength = static_cast<int>(time.size());
    switch (m_form)
    {
    case Form::Lines:
        if (!time.empty())
            std::fprintf(m_out, "%.*s ", timeLength, time.data());
        std::fprintf(m_out, "%s %s", kKindNames[kind], HexDump(pFrame, nLength).c_str());
        // The decoder counts channels 1..12 only; any other channel byte shows count=0.
        if (note)
            std::fprintf(m_out, " channel=%d value=%d count=%d", channel, value, count);
        std::fputc('\n', m_out);
        break;
    case Form::Csv:
        std::fprintf(m_out, "%.*s,%s,", timeLength, time.data(), kKindNames[kind]);
        if (note)
            std::fprintf(m_out, "%d,%d", channel, value);
        else
            std::fputc(',', m_out);
        std::fprintf(m_out, "%s\n", m_pFile ? m_pFile->csvSource.c_str() : "");
        break;
    case Form::Summary:
        break;
    }
}

void CFrameReport::PrintStats() const
{
    long valid = 0;
    for (int k = 0; k < kKinds; ++k)
    {
        const long n = m_totals.Frames(static_cast<FrameKind>(k));
        std::fprintf(m_out, "total %s %ld\n", kKindNames[k], n);
        valid += n;
    }
    // Every accepted lead byte starts a frame; those neither valid nor still open failed
    // their checksum.
    const int unfinished = m_decoder.InFrame() ? 1 : 0;
    std::fprintf(m_out, "total bad-checksum %ld\n", m_nFramesStarted - valid - unfinished);
    std::fprintf(m_out, "total unfinished %d\n", unfinished);
}

void CFrameReport::PrintSummary() const
{
    WriteSummary(m_out, m_totals);
}
