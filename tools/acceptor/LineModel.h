// What the receiving monitor makes of the bytes the acceptor sends: frames are found by their
// lead byte, run the fixed length of their kind whatever they contain, and count only with a
// good checksum. The acceptor keeps this model beside the line so its echo can say which frames
// the monitor will accept. Portable, Linux tool code.
#pragma once

#include "tools/acceptor/TrafficGenerator.h"

class CLineModel
{
public:
    // One byte in sending order. True when it ends a frame; Completed() then holds it.
    bool Feed(std::uint8_t b);

    const Bytes& Completed() const { return m_completed; }
    bool CompletedValid() const { return HasGoodChecksum(m_completed); }
    // Between frames: the next byte is looked at as a possible lead byte.
    bool Hunting() const { return m_open.empty(); }
    // The bytes of an unfinished frame, and how many more it waits for.
    const Bytes& Open() const { return m_open; }
    std::size_t Missing() const { return m_open.empty() ? 0 : m_need - m_open.size(); }

private:
    Bytes m_open;
    std::size_t m_need = 0;
    Bytes m_completed;
};
