// PortSettings: the serial line settings as one record, copied whole between the main window
// and the settings dialog. Portable (no <windows.h>).
#pragma once

#include <cstdint>

struct PortSettings
{
    int nPort = 1;      // COM port number, 1 for COM1
    int nBaud = 9600;   // baud rate
    char cParity = 'N'; // 'N', 'O' or 'E'; whatever else the settings file held
    int nDataBits = 8;
    int nStopBits = 1;              // 1 or 2
    std::uint32_t dwCommEvents = 3; // EV_RXCHAR | EV_RXFLAG; never stored
};
