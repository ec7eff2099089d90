// The system's own words for an error code, made in one place for every box and note that
// names a reason: the daily log's and the serial link's alike.
#pragma once

#include <string>

#include <windows.h>

// In the user's language, without the line end the system puts after it; "error N" for a code
// the system has no words for.
std::wstring SystemErrorText(DWORD dwError);
// The same in the ANSI code page, for the boxes that speak it.
std::string SystemErrorTextA(DWORD dwError);
