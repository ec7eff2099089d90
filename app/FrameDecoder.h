// The acceptor's frame decoder: a byte-wise state machine that finds frames by their lead byte,
// collects the fixed length of their kind, tests the checksum and hands good frames to one of
// four handlers. Portable (no <windows.h>): it reaches the window only through CFrameOwner.
#pragma once

#include <string>

// What the frame handlers need of the main window. The dialog implements it; tests and the
// offline decoder implement it with recorders.
class CFrameOwner
{
public:
    virtual ~CFrameOwner() = default;
    // Text of the status static that shows the last event.
    virtual void SetEventText(const std::string& text) = 0;
    // A cell of the channel table: row 0..11, column 1 "Value" or 2 "Num Notes".
    virtual void SetChannelText(int row, int column, const std::string& text) = 0;
    // Light channel lamp i; all lit lamps go dark together one period after the latest call.
    virtual void FlashLamp(int channel, unsigned periodMs) = 0;
    // Flash the Slaver lamp: a lead byte was accepted.
    virtual void FlashSlaver(unsigned periodMs) = 0;
    // The "Enable log file" switch, read for every frame.
    virtual bool IsLogEnabled() const = 0;
    // Append one line to the daily log.
    virtual void WriteLogLine(const char* text) = 0;
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
        LEAD_COUNTERFEIT = 0x92,
        LEAD_BLOCK = 0x93,
        LEAD_NOTE_READ = 0x97,
        LEAD_OK = 0x98,
    };
    static constexpr int kChannels = 12;
    static constexpr int kMaxFrameLen = 15;
    static constexpr unsigned kFlashMs = 200;

    explicit CFrameDecoder(CFrameOwner& owner) : m_owner(owner) {}

    // One received byte, in arrival order.
    void OnSerialByte(unsigned char b);
    // Drops a frame still being collected: the next lead byte starts one. The counters stay.
    void StartHunting();

    static bool IsFrameValid(const unsigned char* pFrame);
    // Frame length fixed by a lead byte; 0 for a byte that does not start a frame.
    static int FrameLength(unsigned char lead);

    // Notes counted on channel index 0..11; 0 for any other index.
    int NoteCount(int index) const
    {
        return index >= 0 && index < kChannels ? m_anNoteCount[index] : 0;
    }
    bool InFrame() const { return m_bInFrame; }
    int BufferedBytes() const { return m_nRecvLen; }

private:
    void DispatchFrame(const unsigned char* pFrame);
    void OnCounterfeitFrame(const unsigned char* pFrame, int nLength);
    void OnBlockFrame(const unsigned char* pFrame, int nLength);
    void OnNoteReadFrame(const unsigned char* pFrame, int nLength);
    void OnOkFrame(const unsigned char* pFrame, int nLength);
    void LogFrame(const unsigned char* pFrame, int nLength);

    CFrameOwner& m_owner;
    bool m_bInFrame = false;
    bool m_bLenKnown = false;
    unsigned char m_abFrame[256] = {};
    int m_nFrameLen = 0;
    int m_nRecvLen = 0;
    int m_anNoteCount[kChannels] = {};
};
