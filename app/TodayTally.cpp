// Counting today's notes from the day's log lines.
#include "app/TodayTally.h"

#include "frames/LogLine.h"

CTodayTally::CTodayTally(const std::string& strDay)
{
    m_bKnownDay = ParseLogTime(strDay + " 00:00:00", m_nDayStart).empty();
}

void CTodayTally::ReadLog(const std::string& text)
{
    std::string line;
    for (size_t nStart = 0; nStart < text.size();)
    {
        size_t nEnd = text.find('\n', nStart);
        if (nEnd == std::string::npos)
            nEnd = text.size();
        line.assign(text, nStart, nEnd - nStart);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        ReadLine(line);
        nStart = nEnd + 1;
    }
}

int CTodayTally::TotalNotes() const
{
    int nTotal = 0;
    for (const Channel& channel : m_channels)
        nTotal += channel.nNotes;
    return nTotal;
}

// The one place that reads a parsed line's fields: its stamp, and its bytes fed to the decoder
// when they are exactly one frame.
void CTodayTally::ReadLine(const std::string& line)
{
    LogLine logged;
    if (!m_bKnownDay || !ParseLogLine(line, logged).empty() || logged.seconds < m_nDayStart ||
        logged.seconds >= m_nDayStart + 86400 ||
        static_cast<size_t>(CFrameDecoder::FrameLength(logged.bytes[0])) != logged.bytes.size())
        return;
    m_nLineSeconds = logged.seconds;
    for (const auto b : logged.bytes)
        m_decoder.OnSerialByte(b);
}

void CTodayTally::OnNoteRead(int channel, int value, int)
{
    Channel& c = m_channels[channel - 1];
    ++c.nNotes;
    if (c.nValue < 0 || m_nLineSeconds >= c.nSeconds)
    {
        c.nValue = value;
        c.nSeconds = m_nLineSeconds;
    }
}
