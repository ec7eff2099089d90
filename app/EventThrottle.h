// CEventThrottle: at most one event a period, for events that can come in bursts (counterfeit
// attempts, line errors); what comes between is counted and told with the next one. Times are a
// steady clock's milliseconds. Portable (no <windows.h>).
#pragma once

#include <cstdint>

class CEventThrottle
{
public:
    explicit CEventThrottle(uint64_t nPeriodMs) : m_nPeriodMs(nPeriodMs) {}
    // True when an event may be written at nNow, which then counts as the last one.
    bool Take(uint64_t nNow)
    {
        if (m_bTaken && nNow - m_nLast < m_nPeriodMs)
            return false;
        m_bTaken = true;
        m_nLast = nNow;
        return true;
    }
    unsigned m_nUntold = 0; // events held back since the last one written

private:
    uint64_t m_nPeriodMs;
    uint64_t m_nLast = 0;
    bool m_bTaken = false;
};
