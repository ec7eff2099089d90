// Present ports as the system's device list gives them, for the tests and benchmarks that play
// it. Portable.
#pragma once

#include <string>

#include "serial/PortIdentity.h"

// A CH340 without a serial number: Windows makes up the last part of its instance ID, and a new
// one in another socket.
inline PresentPort Ch340At(int nPort, const std::string& strSocket)
{
    return {nPort, "USB\\VID_1A86&PID_7523\\5&2F1B&0&" + strSocket, "USB\\ROOT_HUB30\\4&1",
            "USB\\VID_1A86&PID_7523&REV_0264",
            "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(" + strSocket + ")"};
}

// An FTDI adapter with a serial number, a child of its bus driver.
inline PresentPort FtdiAt(int nPort, const std::string& strSerial, const std::string& strSocket)
{
    return {nPort, "FTDIBUS\\VID_0403+PID_6001+" + strSerial + "A\\0000",
            "USB\\VID_0403&PID_6001\\" + strSerial, "FTDIBUS\\COMPORT&VID_0403&PID_6001",
            "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(" + strSocket + ")"};
}
