// Printing and summing up the decoded frames.
#include "tools/decode/FrameReport.h"

namespace
{
enum Kind
{
    kNoteRead,
    kBlock,
    kCounterfeit,
    kOk,
    kKinds
};
const char* const kKindNames[kKinds] = {"note-read", "block", "counterfeit", "ok"};

int KindOf(int lead)
{
    switch (lead)
    {
    case CFrameDecoder::LEAD_NOTE_READ:
        return kNoteRead;
    case CFrameDecoder::LEAD_BLOCK:
        return kBlock;
    case CFrameDecoder::LEAD_COUNTERFEIT:
        return kCounterfeit;
    case CFrameDecoder::LEAD_OK:
        return kOk;
    default:
        return -1;
    }
}
} // namespace

CFrameReport::CFrameReport(std::FILE* out, Form form) : m_out(out), m_form(form), m_decoder(*this)
{
    if (m_form == Form::Csv)
        std::fputs("time,kind,channel,value\n", m_out);
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
    ++m_anFrames[kind];
    if (m_firstTime.empty())
        m_firstTime = m_time;
    m_lastTime = m_time;
    const bool note = kind == kNoteRead;
    const int channel = note ? pFrame[13] : 0;
    const int value = note ? pFrame[3] : 0;
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
        std::fputc('\n', m_out);
        break;
    case Form::Summary:
        if (note)
            ++m_notes[{channel, value}];
        break;
    }
}

void CFrameReport::PrintStats() const
{
    long valid = 0;
    for (int k = 0; k < kKinds; ++k)
    {
        std::fprintf(m_out, "total %s %ld\n", kKindNames[k], m_anFrames[k]);
        valid += m_anFrames[k];
    }
    // Every accepted lead byte starts a frame; those neither valid nor still open failed
    // their checksum.
    const int unfinished = m_decoder.InFrame() ? 1 : 0;
    std::fprintf(m_out, "total bad-checksum %ld\n", m_nFramesStarted - valid - unfinished);
    std::fprintf(m_out, "total unfinished %d\n", unfinished);
}

void CFrameReport::PrintSummary() const
{
    long long total = 0;
    for (const auto& note : m_notes)
    {
        std::fprintf(m_out, "channel %d  value %d  notes %ld\n", note.first.first,
                     note.first.second, note.second);
        total += static_cast<long long>(note.first.second) * note.second;
    }
    // The cash the lines above account for, to set beside what the cash box holds.
    std::fprintf(m_out, "total-value %lld\n", total);
    for (int k = kBlock; k < kKinds; ++k)
        std::fprintf(m_out, "%s %ld\n", kKindNames[k], m_anFrames[k]);
    std::fprintf(m_out, "bad-lines %ld\n", m_nBadLines);
    std::fprintf(m_out, "from %s to %s\n", m_firstTime.empty() ? "-" : m_firstTime.c_str(),
                 m_lastTime.empty() ? "-" : m_lastTime.c_str());
}
