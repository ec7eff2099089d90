// The least an open idle line can cost: a process that opens COM5 as the serial link does, sets
// the program's event mask and holds one pending WaitCommEvent, and does nothing else. The idle
// benchmark (bench/app/idle-bench.sh) sets the program's CPU against this one's.
// Usage: bench_idle_wait [SECONDS]  prints "waiting" once the wait is pending, ends after SECONDS.
#include <cstdio>
#include <cstdlib>

#include <windows.h>

#include "win/KernelHandle.h"

int main(int argc, char** argv)
{
    const DWORD nSeconds = argc > 1 ? static_cast<DWORD>(std::atoi(argv[1])) : 60;
    CKernelHandle hPort(::CreateFileA("\\\\.\\COM5", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    CKernelHandle hEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!hPort || !hEvent || !::SetCommMask(hPort.Get(), EV_RXCHAR | EV_RXFLAG))
    {
        std::printf("cannot open COM5: %lu\n", ::GetLastError());
        return 1;
    }
    OVERLAPPED ov = {};
    ov.hEvent = hEvent.Get();
    DWORD dwEvents = 0;
    if (::WaitCommEvent(hPort.Get(), &dwEvents, &ov) || ::GetLastError() != ERROR_IO_PENDING)
    {
        std::printf("the wait did not stay pending\n");
        return 1;
    }
    std::printf("waiting\n");
    std::fflush(stdout);
    ::WaitForSingleObject(hEvent.Get(), nSeconds * 1000);
    // The wait writes into ov and dwEvents: end it before they go.
    ::SetCommMask(hPort.Get(), 0);
    DWORD dwUnused = 0;
    ::GetOverlappedResult(hPort.Get(), &ov, &dwUnused, TRUE);
    return 0;
}
