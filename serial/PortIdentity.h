// Which device a COM port is, and finding that device again when it comes back under another
// number: a USB serial adapter without a serial number gets a new COM number in another socket.
// The device is known by its identity and only it is followed; a port that might be another
// device is never taken. Portable (no <windows.h>): the match is tested natively.
#pragma once

#include <string>
#include <vector>

// One present port as the system lists its device.
struct PresentPort
{
    int nPort = 0;             // 7 for COM7
    std::string strInstanceId; // the port device's instance ID
    std::string strParentId;   // its parent's instance ID (the USB device of a bus driver)
    std::string strHardwareId; // the first hardware ID, "USB\VID_1A86&PID_7523&REV_0264"
    std::string strLocation;   // the first location path
};

// What a port's device is known by.
struct PortIdentity
{
    std::string strInstanceId;
    std::string strSerial; // the USB serial number; empty when the device has none
    std::string strLocation;
    unsigned nVid = 0, nPid = 0; // 0: not a USB device
    bool IsKnown() const { return !strInstanceId.empty(); }
};

PortIdentity IdentityOf(const PresentPort& port);

struct PortMatch
{
    enum Verdict
    {
        Found,     // nPort is the device's port
        None,      // no present port is the device
        Ambiguous, // several present ports are equally likely: none is taken
    };
    Verdict verdict = None;
    int nPort = 0;
    std::vector<int> candidates; // the equal ones, for Ambiguous
};

// The present port of the known device, looked for in this order: the same instance ID; else
// the same USB serial number; else the same location; else the only present port with the same
// VID and PID. A port whose VID and PID, or serial number, differ from the known ones is another
// device and never a candidate.
PortMatch FindPort(const PortIdentity& known, const std::vector<PresentPort>& present);
