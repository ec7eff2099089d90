// The verdicts on failed port calls.
#include "serial/PortErrorPolicy.h"

namespace
{
// The Win32 numbers this file needs, spelt out so that it stays free of <windows.h>.
constexpr unsigned long kIoIncomplete = 996; // ERROR_IO_INCOMPLETE
constexpr unsigned long kIoPending = 997;    // ERROR_IO_PENDING
} // namespace

PortVerdict JudgePortError(PortCall call, unsigned long nError)
{
    switch (call)
    {
    case PortCall::WaitEvent:
    case PortCall::Read:
        // Only "pending" is normal. The worker starts a wait only once the last has ended, so
        // a refusal (87 included) says the device can take no wait at all, whatever its number.
        return nError == kIoPending ? PortVerdict::KeepWaiting : PortVerdict::Lost;
    case PortCall::WaitResult:
        return nError == kIoIncomplete ? PortVerdict::KeepWaiting : PortVerdict::Lost;
    case PortCall::Status:
        // A port whose queue cannot be read cannot be read from: never "nothing queued".
        return PortVerdict::Lost;
    case PortCall::Configure:
        break;
    }
    return PortVerdict::Refused;
}
