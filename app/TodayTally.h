// CTodayTally: today's notes read back from the day's log, so that a restart in the middle of a
// shift shows the day's figures: each channel's notes and the value of its latest note. Lines
// are read with the frame code that every reader of the log uses. Portable (no <windows.h>).
#pragma once

#include <string>

#include "frames/FrameDecoder.h"

class CTodayTally : private CFrameOwner
{
public:
    // strDay "YYYY-MM-DD": lines stamped on any other day are passed over.
    explicit CTodayTally(const std::string& strDay);

    // One log file's text, lines ending in LF or CR LF, the files in any order. A line that is
    // not one stamped, valid frame is passed over, as the reports pass it over.
    void ReadLog(const std::string& text);

    // Channel index 0..11: the notes read on it today, and the latest one's value (by its stamp;
    // of two in one second, the one read last); -1 when there was none.
    int Notes(int index) const { return m_channels[index].nNotes; }
    int LastValue(int index) const { return m_channels[index].nValue; }
    int TotalNotes() const;

private:
    struct Channel
    {
        int nNotes = 0;
        int nValue = -1;
        long long nSeconds = 0; // the latest note's stamp
    };

    void ReadLine(const char* pszLine, size_t n);
    void OnFrameStart() override {}
    void OnNoteRead(int channel, int value, int count) override;
    void OnFrame(const unsigned char*, int, const std::string&) override {}

    CFrameDecoder m_decoder{*this};
    long long m_nDayStart = 0;
    bool m_bKnownDay = false;
    long long m_nLineSeconds = 0; // the stamp of the line in the decoder
    Channel m_channels[CFrameDecoder::kChannels];
};
