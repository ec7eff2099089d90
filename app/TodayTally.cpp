// Counting today's notes from the day's log lines.
#include "app/TodayTally.h"

#include "frames/LogLine.h"

CTodayTally::CTodayTally(const std::string& strDay)
{
    m_bKnownDay = ParseLogTime(strDay + " 00:00:00", m_nDayStart).empty();
}

void CTodayTally::ReadLog(const std::string& text)
{
    for (size_t nStart = 0; nStart < text.size();)
    {
        size_t nEnd = text.find('\n', nStart);
        if (nEnd == std::string::npos)
            nEnd = text.size();
        size_t n = nEnd - nStart;
        if (n > 0 && text[nStart + n - 1] == '\r')
            --n;
        ReadLine(text.data() + nStart, n);
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
void CTodayTally::ReadLine(const char* pszLine, size_t n)
{
    LoggedFrame logged;
    if (!m_bKnownDay || ReadLogLine(pszLine, n, logged) != LogLineFault::None ||
        logged.seconds < m_nDayStart || logged.seconds >= m_nDayStart + 86400 ||
        static_cast<size_t>(FrameLengthFor(logged.bytes[0])) != logged.size)
        return;
    m_nLineSeconds = logged.seconds;
    for (size_t i = 0; i < logged.size; ++i)
        m_decoder.OnSerialByte(logged.bytes[i]);
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
