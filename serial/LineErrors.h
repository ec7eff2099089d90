// The line errors ClearCommError reports (bytes lost to an overrun, a full input buffer, a
// framing or parity error, a break), counted by the link's worker and taken by the owner's
// thread, which tells of them.
#pragma once

#include <atomic>

#include <windows.h>

struct LineErrorCounts
{
    unsigned nOverrun = 0, nRxOver = 0, nFrame = 0, nParity = 0, nBreak = 0;
    bool Any() const { return nOverrun || nRxOver || nFrame || nParity || nBreak; }
    LineErrorCounts& operator+=(const LineErrorCounts& o)
    {
        nOverrun += o.nOverrun, nRxOver += o.nRxOver, nFrame += o.nFrame;
        nParity += o.nParity, nBreak += o.nBreak;
        return *this;
    }
};

class CLineErrorCounter
{
public:
    // ClearCommError's error word: each flag counts once.
    void Count(DWORD dwErrors)
    {
        if (dwErrors == 0)
            return;
        for (int i = 0; i < kKinds; ++i)
            if (dwErrors & kFlags[i])
                ++m_an[i];
    }
    // The counts since the last call.
    LineErrorCounts Take()
    {
        LineErrorCounts c;
        unsigned* apn[kKinds] = {&c.nOverrun, &c.nRxOver, &c.nFrame, &c.nParity, &c.nBreak};
        for (int i = 0; i < kKinds; ++i)
            *apn[i] = m_an[i].exchange(0);
        return c;
    }

private:
    static constexpr int kKinds = 5;
    static constexpr DWORD kFlags[kKinds] = {CE_OVERRUN, CE_RXOVER, CE_FRAME, CE_RXPARITY,
                                             CE_BREAK};
    std::atomic<unsigned> m_an[kKinds] = {};
};
