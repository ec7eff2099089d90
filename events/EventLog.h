// CEventLog: Kestrane's events in the Windows Application log, under the source "Kestrane".
// Windows takes them whether or not an administrator registered the source; registered, Event
// Viewer shows each event's text from the program's message table (KestraneEvents.mc, whose
// numbers KestraneEvents.h names). Used on the user-interface thread only.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "KestraneEvents.h"
#include "win/HandleOwner.h"

// The event log calls, reached through this record so that a test can read what would be
// written: Wine keeps no event log to read back.
struct EventLogCalls
{
    decltype(&::RegisterEventSourceW) pfnRegister;
    decltype(&::ReportEventW) pfnReport;
    decltype(&::DeregisterEventSource) pfnDeregister;
};

class CEventLog
{
public:
    static EventLogCalls s_calls;

    // Writes event dwEventID (an MSG_ number: its severity is its type) with its inserts, %1
    // first. An event that cannot be written is dropped: nothing waits on the log.
    void Report(DWORD dwEventID, const std::vector<std::string>& inserts);
    // The event's text as Event Viewer shows it, from this program's message table.
    static std::string Text(DWORD dwEventID, const std::vector<std::string>& inserts);

private:
    struct CSourceTraits : CHandleTraits<HANDLE>
    {
        static void Destroy(HANDLE h) { s_calls.pfnDeregister(h); }
    };
    CHandleOwner<CSourceTraits> m_hSource; // made at the first event
};
