// CSilenceWatch: /silence N. While listening, N seconds without a valid frame raise a silence
// once; the next frame ends it. Times are a steady clock's milliseconds, which no clock change
// moves. Portable (no <windows.h>).
#pragma once

#include <cstdint>

class CSilenceWatch
{
public:
    // 0: never raised.
    void SetLimit(unsigned nSeconds) { m_nLimitMs = uint64_t{nSeconds} * 1000; }
    // Listening (again) from nNow: a Start, or a lost port back. A silence already told stays
    // told: it comes back on the screen, not in the log.
    void Arm(uint64_t nNow) { m_bArmed = true, m_nSince = nNow, m_bShown = false; }
    // Not listening: a Stop, or a lost port, which shows its own text.
    void Disarm() { m_bArmed = false; }
    // A valid frame: true when it ends a silence that was told.
    bool OnFrame(uint64_t nNow)
    {
        m_nSince = nNow;
        m_bShown = false;
        const bool bEnds = m_bTold;
        m_bTold = false;
        return bEnds;
    }
    enum Step
    {
        Quiet,    // nothing to do
        Show,     // the limit is reached: show it again (told before)
        ShowTell, // the limit is reached: show it and tell of it
    };
    // About once a second while the window runs.
    Step Check(uint64_t nNow)
    {
        if (!m_bArmed || m_nLimitMs == 0 || m_bShown || nNow - m_nSince < m_nLimitMs)
            return Quiet;
        m_bShown = true;
        const bool bTold = m_bTold;
        m_bTold = true;
        return bTold ? Show : ShowTell;
    }
    bool IsShown() const { return m_bShown; }

private:
    uint64_t m_nLimitMs = 0;
    uint64_t m_nSince = 0;
    bool m_bArmed = false;
    bool m_bShown = false; // the status line says so
    bool m_bTold = false;  // the log has the warning, and no frame has come since
};
