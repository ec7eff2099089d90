// While a CEventRecorder lives, every event the program writes to the Application log is
// recorded here instead: its number, its type and its inserts. One at a time.
#pragma once

#include <string>
#include <vector>

#include "events/EventLog.h"
#include "win/AnsiText.h"

class CEventRecorder
{
public:
    struct Event
    {
        DWORD dwEventID;
        WORD wType;
        std::vector<std::string> inserts;
    };

    CEventRecorder() : m_real(CEventLog::s_calls)
    {
        s_all.clear();
        CEventLog::s_calls.pfnReport = [](HANDLE, WORD wType, WORD, DWORD dwEventID, PSID,
                                          WORD nStrings, DWORD, LPCWSTR* ppsz, LPVOID)
        {
            s_all.push_back({dwEventID, wType, {}});
            for (WORD i = 0; i < nStrings; ++i)
                s_all.back().inserts.push_back(WideToAnsi(ppsz[i]));
            return TRUE;
        };
    }
    ~CEventRecorder() { CEventLog::s_calls = m_real; }

    // The events numbered dwEventID, in order, their inserts as written.
    std::vector<Event> Of(DWORD dwEventID) const
    {
        std::vector<Event> of;
        for (const Event& event : s_all)
            if (event.dwEventID == dwEventID)
                of.push_back(event);
        return of;
    }

private:
    static inline std::vector<Event> s_all;
    EventLogCalls m_real;
};
