// The settings file: the line settings in section "PORT" of "Kestrane.ini" in a given folder,
// through the Win32 profile functions. Neither call reports anything: a missing or unwritable
// file simply leaves the settings as they were.
#pragma once

#include <string>

#include "settings/PortSettings.h"

// Reads the five stored fields. A missing "nport" gives 1 and a missing "parity" gives 'N'; a
// missing "databit", "stopbit" or "band" keeps the value the record already holds.
// strDir ends in a backslash.
void LoadPortSettings(PortSettings& settings, std::wstring strDir);
// Writes the five stored fields, one key at a time, in the order Load reads them.
void SavePortSettings(const PortSettings& settings, std::wstring strDir);
