// An independent, whole-stream reading of the acceptor's framing, for the property tests and
// the fuzz target: what a byte-wise decoder that starts hunting must find in a stream.
#pragma once

#include <cstddef>
#include <random>
#include <vector>

namespace framemodel
{
using Bytes = std::vector<unsigned char>;

inline int LengthOf(unsigned char lead)
{
    switch (lead)
    {
    case 0x92:
    case 0x98:
        return 5;
    case 0x93:
        return 10;
    case 0x97:
        return 15;
    default:
        return 0;
    }
}

// The valid frames of the stream, in order. A frame runs the fixed length of its lead byte
// whatever it contains; a bad one is skipped whole; an unfinished one at the end is not a frame.
inline std::vector<Bytes> ValidFrames(const unsigned char* data, size_t size)
{
    std::vector<Bytes> frames;
    size_t i = 0;
    while (i < size)
    {
        const size_t len = static_cast<size_t>(LengthOf(data[i]));
        if (len == 0)
        {
            ++i;
            continue;
        }
        if (size - i < len)
            break;
        const unsigned sum = data[i] + data[i + 1] + data[i + 2] + data[i + 3];
        if ((sum & 0xFF) == data[i + 4])
            frames.emplace_back(data + i, data + i + len);
        i += len;
    }
    return frames;
}

// A frame of the given kind with random contents and a correct checksum.
inline Bytes RandomValidFrame(unsigned char lead, std::mt19937& rng)
{
    Bytes f(static_cast<size_t>(LengthOf(lead)));
    for (auto& b : f)
        b = static_cast<unsigned char>(rng());
    f[0] = lead;
    f[4] = static_cast<unsigned char>(f[0] + f[1] + f[2] + f[3]);
    return f;
}

// A stream rich in what trips decoders: lead bytes as noise and inside frames, whole valid
// frames, and frames broken off or corrupted.
inline Bytes RandomStream(std::mt19937& rng, size_t maxLen)
{
    static const unsigned char kLeads[] = {0x92, 0x93, 0x97, 0x98};
    Bytes s;
    const size_t target = rng() % (maxLen + 1);
    while (s.size() < target)
    {
        const unsigned pick = rng() % 8;
        if (pick < 3)
        {
            Bytes f = RandomValidFrame(kLeads[rng() % 4], rng);
            if (pick == 2) // corrupt or cut short
            {
                if (rng() % 2)
                    f[rng() % 5] ^= static_cast<unsigned char>(1 + rng() % 255);
                else
                    f.resize(1 + rng() % (f.size() - 1));
            }
            s.insert(s.end(), f.begin(), f.end());
        }
        else if (pick < 5)
            s.push_back(kLeads[rng() % 4]);
        else
            s.push_back(static_cast<unsigned char>(rng()));
    }
    return s;
}
} // namespace framemodel
