// The private bytes of this process, for tests that show memory stays flat under load.
#pragma once

#include <windows.h>
#include <psapi.h>

inline SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof pmc;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc),
                           sizeof pmc);
    // Wine leaves PrivateUsage at 0 but fills PagefileUsage, the private bytes as well.
    return pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
}
