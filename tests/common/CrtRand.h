// A model of the C runtime's rand from its default seed, written out independently of the code
// under test: x = x * 214013 + 2531011, and each number is bits 16 to 30 of x. Portable.
#pragma once

#include <cstdint>

struct CrtRand
{
    std::uint32_t x = 1;
    int operator()()
    {
        x = x * 214013u + 2531011u;
        return static_cast<int>((x >> 16) & 0x7FFF);
    }
};
