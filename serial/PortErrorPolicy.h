// What a failed call on a COM port means, in one place: the worker acts on the verdict and
// never reads an error number itself. USB serial drivers fail in many ways once their adapter
// is pulled, and each way must end in the same place. Portable (no <windows.h>): builds in both
// presets, so the table is tested natively.
#pragma once

// The call that failed.
enum class PortCall
{
    WaitEvent,  // WaitCommEvent
    WaitResult, // GetOverlappedResult of that wait, without waiting
    Status,     // ClearCommError
    Read,       // ReadFile, or the result of a read in flight
    Configure,  // SetCommTimeouts, SetCommMask, GetCommState, BuildCommDCB, SetCommState
};

enum class PortVerdict
{
    KeepWaiting, // the call goes on in the background
    Lost,        // the device is gone, or as good as gone: the port is let go
    Refused,     // the port is there but will not take its line settings
};

PortVerdict JudgePortError(PortCall call, unsigned long nError);
