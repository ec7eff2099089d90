// A note-read frame as the acceptor sends it, for tests and benchmarks. Portable.
#pragma once

#include <vector>

// Value at byte 3, channel byte at 13, the checksum at 4 right; the other bytes 01 02 and zeros.
inline std::vector<unsigned char> NoteRead(int channel, int value)
{
    std::vector<unsigned char> f = {
        0x97, 0x01, 0x02, static_cast<unsigned char>(value),   0, 0, 0, 0, 0, 0,
        0,    0,    0,    static_cast<unsigned char>(channel), 0};
    f[4] = static_cast<unsigned char>(f[0] + f[1] + f[2] + f[3]);
    return f;
}
