// Rolling a day's log over: the full file keeps its lines under the name of the day's next part,
// YYYY-MM-DD.NNN.log, and the day goes on in a new YYYY-MM-DD.log. No log is ever deleted, and
// sorted by name a day's parts come in time order, before the day's current file.
#pragma once

#include <string>

#include <windows.h>

// strFolder\strDay.log: the day's current file.
std::wstring DayLogPath(const std::wstring& strFolder, const std::string& strDay);
// The highest part NNN of the day strDay ("YYYY-MM-DD") in strFolder; 0 when there is none.
// Gaps do not matter: the next part is always one more than the highest.
unsigned HighestLogPart(const std::wstring& strFolder, const std::string& strDay);
// strFolder\strDay.NNN.log, NNN one more than the day's highest part.
std::wstring NextLogPartPath(const std::wstring& strFolder, const std::string& strDay);
// Renames strFolder\strDay.log to the day's next part. FALSE, the reason in GetLastError, when
// it could not be renamed; an existing part is never replaced.
BOOL RollOverLog(const std::wstring& strFolder, const std::string& strDay);
