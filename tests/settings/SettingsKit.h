// What the settings tests share: a line settings record from its five stored fields.
#pragma once

#include "settings/PortSettings.h"

inline PortSettings Settings(int nPort, int nBaud, char cParity, int nDataBits, int nStopBits)
{
    PortSettings s;
    s.nPort = nPort;
    s.nBaud = nBaud;
    s.cParity = cParity;
    s.nDataBits = nDataBits;
    s.nStopBits = nStopBits;
    return s;
}
