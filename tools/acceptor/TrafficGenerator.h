// The acceptor's side of the wire: the four frame kinds and their checksum as the monitor's own
// frame protocol has them, and a generator of realistic random traffic. Portable (no
// <windows.h>), Linux tool code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "frames/FrameDecoder.h"

using Bytes = std::vector<std::uint8_t>;

// The lead bytes kLeadCounterfeit, kLeadBlock, kLeadNoteRead and kLeadOk are the frame
// layout's (frames/FrameLayout.h).

// Length of the frame a lead byte starts; 0 for a byte that starts none.
std::size_t FrameLengthOf(std::uint8_t lead);
// The checksum byte 4 carries: the low 8 bits of the sum of bytes 0..3.
std::uint8_t ChecksumOf(const Bytes& frame);
// True when byte 4 holds the checksum; frames shorter than 5 bytes never do.
bool HasGoodChecksum(const Bytes& frame);
// Hex dump: two lower-case digits a byte, single blanks between.
std::string HexText(const Bytes& bytes);

// Random traffic as a machine in a shop produces it: mostly notes read on channels 1..12, each
// channel holding one denomination, now and then an OK, a block or a counterfeit. Every frame
// has a correct checksum. One seed gives one sequence.
class CTrafficGenerator
{
public:
    explicit CTrafficGenerator(std::uint64_t seed) : m_rng(seed) {}

    Bytes Next();

    // The denomination a channel's notes carry (channel 1..12).
    static std::uint8_t NoteValueOf(int channel);

private:
    std::uint8_t Random(unsigned lo, unsigned hi);

    std::mt19937_64 m_rng;
    std::uint8_t m_seq = 0;
};
