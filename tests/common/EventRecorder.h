// While a CEventRecorder lives, every event the program writes to the Application log is
// recorded here instead: its number and its inserts. One at a time.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "events/EventLog.h"

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
        Current() = this;
        CEventLog::s_calls.pfnReport = [](HANDLE, WORD wType, WORD, DWORD dwEventID, PSID,
                                          WORD nStrings, DWORD, LPCWSTR* ppsz, LPVOID) -> BOOL
        {
            Event event = {dwEventID, wType, {}};
            for (WORD i = 0; i < nStrings; ++i)
                event.inserts.push_back(NarrowForEvent(ppsz[i]));
            Current()->m_events.push_back(event);
            return TRUE;
        };
    }
    ~CEventRecorder() { CEventLog::s_calls = m_real; }
    CEventRecorder(const CEventRecorder&) = delete;
    CEventRecorder& operator=(const CEventRecorder&) = delete;

    // The events numbered dwEventID, in order.
    std::vector<Event> Of(DWORD dwEventID) const
    {
        std::vector<Event> of;
        for (const Event& event : m_events)
            if (event.dwEventID == dwEventID)
                of.push_back(event);
        return of;
    }

private:
    static CEventRecorder*& Current()
    {
        static CEventRecorder* s_pCurrent = nullptr;
        return s_pCurrent;
    }
    EventLogCalls m_real;
    std::vector<Event> m_events;
};
