// Text helpers: printf-style formatting into std::string and local-time formatting with
// strftime. Portable (no <windows.h>); the C library does the work.
#pragma once

#include <ctime>
#include <string>

#if defined(__GNUC__)
#define KESTRANE_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define KESTRANE_PRINTF(fmt, args)
#endif

// Like sprintf, into a string of whatever length the result needs.
std::string Format(const char* pszFormat, ...) KESTRANE_PRINTF(1, 2);

// tTime as local time through strftime; empty if the time cannot be converted.
std::string FormatLocalTime(std::time_t tTime, const char* pszFormat);
