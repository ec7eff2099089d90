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

// Byte i of a hex dump ("xx xx ..."), whose layout HexDump fixes.
int DumpByte(const char* dump, int i)
{
    return HexDigitValue(dump[3 * i]) * 16 + HexDigitValue(dump[3 * i + 1]);
}
} // namespace

CFrameReport::CFrameReport(std::ostream& out, Form form)
    : m_out(out), m_form(form), m_decoder(*this)
{
    if (m_form == Form::Csv)
        m_out << "time,kind,channel,value\n";
}

void CFrameReport::Feed(const std::uint8_t* pData, std::size_t nLength)
{
    for (std::size_t i = 0; i < nLength; ++i)
        m_decoder.OnSerialByte(pData[i]);
}

void CFrameReport::WriteLogLine(const char* text)
{
    const int kind = KindOf(DumpByte(text, 0));
    if (kind < 0)
        return;
    ++m_anFrames[kind];
    if (m_firstTime.empty())
        m_firstTime = m_time;
    m_lastTime = m_time;
    const bool note = kind == kNoteRead;
    const int channel = note ? DumpByte(text, 13) : 0;
    const int value = note ? DumpByte(text, 3) : 0;
    switch (m_form)
    {
    case Form::Lines:
        if (!m_time.empty())
            m_out << m_time << ' ';
        m_out << kKindNames[kind] << ' ' << text;
        // The decoder counts channels 1..12 only; any other channel byte shows count=0.
        if (note)
            m_out << " channel=" << channel << " value=" << value
                  << " count=" << m_decoder.NoteCount(channel - 1);
        m_out << '\n';
        break;
    case Form::Csv:
        m_out << m_time << ',' << kKindNames[kind] << ',';
        if (note)
            m_out << channel << ',' << value;
        else
            m_out << ',';
        m_out << '\n';
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
        m_out << "total " << kKindNames[k] << ' ' << m_anFrames[k] << '\n';
        valid += m_anFrames[k];
    }
    // Every accepted lead byte starts a frame; those neither valid nor still open failed
    // their checksum.
    const int unfinished = m_decoder.InFrame() ? 1 : 0;
    m_out << "total bad-checksum " << m_nFramesStarted - valid - unfinished << '\n';
    m_out << "total unfinished " << unfinished << '\n';
}

void CFrameReport::PrintSummary() const
{
    long long total = 0;
    for (const auto& note : m_notes)
    {
        m_out << "channel " << note.first.first << "  value " << note.first.second << "  notes "
              << note.second << '\n';
        total += static_cast<long long>(note.first.second) * note.second;
    }
    // The cash the lines above account for, to set beside what the cash box holds.
    m_out << "total-value " << total << '\n';
    for (int k = kBlock; k < kKinds; ++k)
        m_out << kKindNames[k] << ' ' << m_anFrames[k] << '\n';
    m_out << "bad-lines " << m_nBadLines << '\n';
    m_out << "from " << (m_firstTime.empty() ? "-" : m_firstTime) << " to "
          << (m_lastTime.empty() ? "-" : m_lastTime) << '\n';
}
