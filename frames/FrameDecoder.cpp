// Frame decoding and the four frame handlers.
#include "frames/FrameDecoder.h"

#include <cstdio>
#include <cstring>

const char* const kKindNames[kKinds] = {"note-read", "block", "counterfeit", "ok"};

std::string HexDump(const unsigned char* pData, int nLength)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    if (nLength <= 0)
        return text;
    text.reserve(static_cast<size_t>(nLength) * 3);
    for (int i = 0; i < nLength; ++i)
    {
        if (i > 0)
            text += ' ';
        text += kDigits[pData[i] >> 4];
        text += kDigits[pData[i] & 0x0F];
    }
    return text;
}

int HexDigitValue(int c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string IntToText(int nValue)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", nValue);
    return buf;
}

int CFrameDecoder::FrameLength(unsigned char lead)
{
    return FrameLengthFor(lead);
}

unsigned char CFrameDecoder::Checksum(const unsigned char* pFrame)
{
    // It always sits at offset 4 and covers only the first four bytes, whatever the frame's
    // length.
    return static_cast<unsigned char>(pFrame[0] + pFrame[1] + pFrame[2] + pFrame[3]);
}

bool CFrameDecoder::IsFrameValid(const unsigned char* pFrame)
{
    return Checksum(pFrame) == pFrame[kChecksumByte];
}

void CFrameDecoder::OnSerialByte(unsigned char b)
{
    if (!m_bInFrame)
    {
        if (FrameLength(b) == 0)
            return; // noise between frames
        // Told at the lead byte, before anything is known of the frame.
        m_owner.OnFrameStart();
        m_bInFrame = true;
        m_bLenKnown = false;
        m_nFrameLen = 0;
        m_abFrame[0] = b;
        m_nRecvLen = 1;
        return;
    }
    if (!m_bLenKnown)
    {
        m_bLenKnown = true;
        m_abFrame[m_nRecvLen++] = b;
        m_nFrameLen = FrameLength(m_abFrame[0]);
        return; // every frame is at least 5 bytes
    }
    // A lead-byte value inside a frame is data: the frame ends only by its length.
    m_abFrame[m_nRecvLen++] = b;
    if (m_nRecvLen < m_nFrameLen)
        return;
    // Back to hunting before the handlers run: an owner operation that throws (a string that
    // cannot be allocated) must not leave a full buffer behind, which the next byte would
    // extend and dispatch a second time. The handlers get a copy, so nothing they do can
    // disturb the frame they are reading.
    unsigned char abFrame[kMaxFrameLen];
    std::memcpy(abFrame, m_abFrame, static_cast<size_t>(m_nFrameLen));
    StartHunting();
    // A bad frame is dropped whole; its bytes are not searched again for a lead byte.
    if (IsFrameValid(abFrame))
        DispatchFrame(abFrame);
}

void CFrameDecoder::StartHunting()
{
    m_bInFrame = false;
    m_bLenKnown = false;
    m_nFrameLen = 0;
    m_nRecvLen = 0;
}

void CFrameDecoder::DispatchFrame(const unsigned char* pFrame)
{
    switch (pFrame[0])
    {
    case LEAD_COUNTERFEIT:
        OnCounterfeitFrame(pFrame, 5);
        break;
    case LEAD_BLOCK:
        OnBlockFrame(pFrame, 10);
        break;
    case LEAD_NOTE_READ:
        OnNoteReadFrame(pFrame, 15);
        break;
    case LEAD_OK:
        OnOkFrame(pFrame, 5);
        break;
    default:
        break;
    }
}

void CFrameDecoder::OnCounterfeitFrame(const unsigned char* pFrame, int nLength)
{
    m_owner.OnFrame(pFrame, nLength, " OK  COUNTERFEIT MONEY");
}

void CFrameDecoder::OnBlockFrame(const unsigned char* pFrame, int nLength)
{
    m_owner.OnFrame(pFrame, nLength, " OK  BLOCK");
}

void CFrameDecoder::OnOkFrame(const unsigned char* pFrame, int nLength)
{
    m_owner.OnFrame(pFrame, nLength, " OK");
}

void CFrameDecoder::OnNoteReadFrame(const unsigned char* pFrame, int nLength)
{
    const int channel = pFrame[kChannelByte];
    const int value = pFrame[kValueByte];
    // The channel byte is not covered by the checksum: a frame naming a channel outside 1..12
    // still reports and logs, but is no note read: no counter, row or lamp.
    if (channel >= 1 && channel <= kChannels)
        m_owner.OnNoteRead(channel, value, ++m_anNoteCount[channel - 1]);
    char text[32];
    std::snprintf(text, sizeof text, " OK  NOTE_READ %d", channel);
    m_owner.OnFrame(pFrame, nLength, text);
}
