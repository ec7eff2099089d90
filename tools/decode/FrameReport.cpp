// Printing and summing up the decoded frames.
#include "tools/decode/FrameReport.h"

namespace
{
int KindOf(int lead)
{
    switch (lead)
    {
    case CFrameDecoder::LEAD_NOTE_READ:
        return kNoteReadFrame;
    case CFrameDecoder::LEAD_BLOCK:
        return kBlockFrame;
    case CFrameDecoder::LEAD_COUNTERFEIT:
        return kCounterfeitFrame;
    case CFrameDecoder::LEAD_OK:
        return kOkFrame;
    default:
        return -1;
    }
}

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

void CFrameReport::SetFile(const std::string& path)
{
    if (!m_file.empty() && path == m_file)
        return;
    m_file = path;
    m_totals.SetFile(path);
    if (m_bSourceColumn)
        m_source = "," + CsvField(FolderOf(path));
}

void CFrameReport::Feed(const std::uint8_t* pData, std::size_t nLength)
{
    for (std::size_t i = 0; i < nLength; ++i)
        m_decoder.OnSerialByte(pData[i]);
}

void CFrameReport::OnFrame(const unsigned char* pFrame, int nLength, const std::string&)
{
    const int kind = KindOf(pFrame[0]);
    if (kind < 0)
        return;
    const bool note = kind == kNoteReadFrame;
    const int channel = note ? pFrame[13] : 0;
    const int value = note ? pFrame[3] : 0;
    m_totals.AddFrame(static_cast<FrameKind>(kind), channel, value, m_time, m_seconds);
    switch (m_form)
    {
    case Form::Lines:
        if (!m_time.empty())
            std::fprintf(m_out, "%s ", m_time.c_str());
        std::fprintf(m_out, "%s %s", kKindNames[kind], HexDump(pFrame, nLength).c_str());
        // The decoder counts channels 1..12 only; any other channel byte shows count=0.
        if (note)
            std::fprintf(m_out, " channel=%d value=%d count=%d", channel, value,
                         m_decoder.NoteCount(channel - 1));
        std::fputc('\n', m_out);
        break;
    case Form::Csv:
        std::fprintf(m_out, "%s,%s,", m_time.c_str(), kKindNames[kind]);
        if (note)
            std::fprintf(m_out, "%d,%d", channel, value);
        else
            std::fputc(',', m_out);
        std::fprintf(m_out, "%s\n", m_source.c_str());
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
    for (const auto& note : m_totals.NotesByChannel())
        std::fprintf(m_out, "channel %d  value %d  notes %ld\n", note.first.first,
                     note.first.second, note.second);
    // The cash the lines above account for, to set beside what the cash box holds.
    std::fprintf(m_out, "total-value %lld\n", m_totals.TotalValue());
    for (int k = kBlockFrame; k < kKinds; ++k)
        std::fprintf(m_out, "%s %ld\n", kKindNames[k], m_totals.Frames(static_cast<FrameKind>(k)));
    std::fprintf(m_out, "bad-lines %ld\n", m_totals.BadLines());
    const std::string& first = m_totals.FirstTime();
    const std::string& last = m_totals.LastTime();
    std::fprintf(m_out, "from %s to %s\n", first.empty() ? "-" : first.c_str(),
                 last.empty() ? "-" : last.c_str());
}
