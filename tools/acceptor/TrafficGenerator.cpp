// Frame kinds, checksum and the random traffic generator.
#include "tools/acceptor/TrafficGenerator.h"

#include <string>

std::size_t FrameLengthOf(std::uint8_t lead)
{
    return static_cast<std::size_t>(CFrameDecoder::FrameLength(lead));
}

std::uint8_t ChecksumOf(const Bytes& frame)
{
    return CFrameDecoder::Checksum(frame.data());
}

bool HasGoodChecksum(const Bytes& frame)
{
    return frame.size() >= 5 && CFrameDecoder::IsFrameValid(frame.data());
}

std::string HexText(const Bytes& bytes)
{
    return HexDump(bytes.data(), static_cast<int>(bytes.size()));
}

std::uint8_t CTrafficGenerator::NoteValueOf(int channel)
{
    // Channels 9..12 repeat the common notes, as a second note path would.
    static const std::uint8_t kValues[12] = {1, 2, 5, 10, 20, 50, 100, 200, 5, 10, 20, 50};
    return kValues[(channel - 1) % 12];
}

std::uint8_t CTrafficGenerator::Random(unsigned lo, unsigned hi)
{
    return static_cast<std::uint8_t>(std::uniform_int_distribution<unsigned>(lo, hi)(m_rng));
}

Bytes CTrafficGenerator::Next()
{
    const unsigned pick = Random(0, 99);
    const std::uint8_t seq = m_seq++;
    Bytes frame;
    if (pick < 86)
    {
        // Byte 3 the note's value, byte 13 its channel; the bytes between are the note's
        // serial and sensor data, which may hold any value, lead values included.
        const int channel = Random(1, 12);
        frame = {kLeadNoteRead, seq, 0x01, NoteValueOf(channel), 0};
        for (int i = 5; i < 13; ++i)
            frame.push_back(Random(0, 255));
        frame.push_back(static_cast<std::uint8_t>(channel));
        frame.push_back(Random(0, 1)); // direction the note was fed
    }
    else if (pick < 92)
        frame = {kLeadOk, seq, 0x00, 0x00, 0};
    else if (pick < 96)
    {
        // Byte 2 the reason (jam, cash box full, ...), byte 3 the channel it concerns.
        frame = {kLeadBlock, seq, Random(1, 4), Random(1, 12), 0};
        for (int i = 5; i < 10; ++i)
            frame.push_back(Random(0, 255));
    }
    else
    {
        const int channel = Random(1, 12);
        frame = {kLeadCounterfeit, seq, static_cast<std::uint8_t>(channel), NoteValueOf(channel),
                 0};
    }
    frame[4] = ChecksumOf(frame);
    return frame;
}
