// The settings file: the line settings in section "PORT" of "Kestrane.ini" in a given folder,
// through the Win32 profile functions. Neither call reports anything: a missing or unwritable
// file simply leaves the settings as they were.
#pragma once

#include <string>

#include "serial/PortIdentity.h"
#include "settings/PortSettings.h"

// Reads the five stored fields. A missing "nport" gives 1 and a missing "parity" gives 'N'; a
// missing "databit", "stopbit" or "band" keeps the value the record already holds.
// strDir ends in a backslash.
void LoadPortSettings(PortSettings& settings, std::wstring strDir);
// Writes the five stored fields, one key at a time, in the order Load reads them.
void SavePortSettings(const PortSettings& settings, std::wstring strDir);

// The device last seen at a reconnecting link's port, in a section of its own, "DEVICE": the
// port's number and what its device is known by. A missing section gives port 0 and nothing
// known. Save writes nothing for a device not known.
void LoadPortIdentity(int& rnPort, PortIdentity& identity, const std::wstring& strDir);
void SavePortIdentity(int nPort, const PortIdentity& identity, const std::wstring& strDir);
