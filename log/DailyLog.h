// The daily log: every call appends one time-stamped line to Log\YYYY-MM-DD.log beside the
// executable. It keeps no state between calls and reports nothing; a failure loses one line.
#pragma once

#include <string>

#include <windows.h>

// The only entry point. An empty text (or none) writes nothing and creates nothing.
void WriteLogLine(const char* pszText);

// The steps of one call, kept apart so each can be exercised on its own.

BOOL DirectoryExists(const std::string& strPath);
BOOL FileExists(const std::string& strPath);
// A day's file grown past the size limit is deleted, so it starts again with the next line.
void DeleteOversizeLog(const std::string& strPath);
// Puts the time stamp in front of strText (in place) and appends it as one line to strPath.
void AppendLogLine(std::string& strText, const std::string& strPath);

// Files larger than this are deleted before the next line; a file of exactly this size stays.
constexpr ULONGLONG kMaxLogBytes = 1048576;
