// The acceptor's frame decoder: a byte-wise state machine that finds frames by their lead byte,
// collects the fixed length of their kind, tests the checksum and hands good frames to one of
// four handlers. Portable (no <windows.h>): it tells its user what happens through CFrameOwner.
#pragma once

#include <string>

#include "frames/FrameLayout.h"

// What the decoder tells its user, named for what happens on the line. The main window shows
// and logs it; tests and the offline decoder record it.
class CFrameOwner
{
public:
    virtual ~CFrameOwner() = default;
    // A lead byte was accepted: a frame begins, which may yet fail its checksum.
    virtual void OnFrameStart() = 0;
    // A note was read on channel 1..12: its value and the notes now counted on the channel.
    // Comes before OnFrame of the same frame.
    virtual void OnNoteRead(int channel, int value, int count) = 0;
    // A whole frame with a good checksum, of any kind, and the event text that reports it
    // (" OK  NOTE_READ 5"). The bytes are valid during the call only.
    virtual void OnFrame(const unsigned char* pFrame, int nLength,
                         const std::string& eventText) = 0;
};

// Bytes as two lower-case hex digits each, separated by single blanks.
std::string HexDump(const unsigned char* pData, int nLength);
// The value of one hex digit, either case; -1 for any other character. Readers of dumps use it.
int HexDigitValue(int c);
// An int in decimal.
std::string IntToText(int nValue);

class CFrameDecoder
{
public:
    enum : unsigned char
    {
        LEAD_COUNTERFEIT = kLeadCounterfeit,
        LEAD_BLOCK = kLeadBlock,
        LEAD_NOTE_READ = kLeadNoteRead,
        LEAD_OK = kLeadOk,
    };
    static constexpr int kChannels = 12;
    static constexpr int kMaxFrameLen = kMaxFrameLength;

    explicit CFrameDecoder(CFrameOwner& owner) : m_owner(owner) {}

    // One received byte, in arrival order.
    void OnSerialByte(unsigned char b);
    // Drops a frame still being collected: the next lead byte starts one. The counters stay.
    void StartHunting();

    static bool IsFrameValid(const unsigned char* pFrame);
    // The checksum byte 4 must hold: the low 8 bits of the sum of bytes 0 to 3.
    static unsigned char Checksum(const unsigned char* pFrame);
    // Frame length fixed by a lead byte; 0 for a byte that does not start a frame.
    static int FrameLength(unsigned char lead);

    // Notes counted on channel index 0..11; 0 for any other index.
    int NoteCount(int index) const
    {
        return index >= 0 && index < kChannels ? m_anNoteCount[index] : 0;
    }
    // Channel index 0..11 counts on from n: a day's notes read back, or a new day's 0.
    void SetNoteCount(int index, int n)
    {
        if (index >= 0 && index < kChannels)
            m_anNoteCount[index] = n;
    }
    bool InFrame() const { return m_bInFrame; }
    int BufferedBytes() const { return m_nRecvLen; }

private:
    void DispatchFrame(const unsigned char* pFrame);
    void OnCounterfeitFrame(const unsigned char* pFrame, int nLength);
    void OnBlockFrame(const unsigned char* pFrame, int nLength);
    void OnNoteReadFrame(const unsigned char* pFrame, int nLength);
    void OnOkFrame(const unsigned char* pFrame, int nLength);

    CFrameOwner& m_owner;
    bool m_bInFrame = false;
    bool m_bLenKnown = false;
    unsigned char m_abFrame[256] = {};
    int m_nFrameLen = 0;
    int m_nRecvLen = 0;
    int m_anNoteCount[kChannels] = {};
};
