// Rolling a day's log over: the full file keeps its lines under the name of the day's next part,
// YYYY-MM-DD.NNN.log, and the day goes on in a new YYYY-MM-DD.log. No log is ever deleted, and
// sorted by name a day's parts come in time order, before the day's current file.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

class CTextFile;

// strFolder\strDay.log: the day's current file.
std::wstring DayLogPath(const std::wstring& strFolder, const std::string& strDay);
// The highest part NNN of the day strDay ("YYYY-MM-DD") in strFolder; 0 when there is none.
// Gaps do not matter: the next part is always one more than the highest.
unsigned HighestLogPart(const std::wstring& strFolder, const std::string& strDay);
// The search for the highest part that numbering starts from; a test replaces it to play another
// program that takes the next number at the same moment.
extern unsigned (*g_pfnHighestLogPart)(const std::wstring& strFolder, const std::string& strDay);
// Creates the day's next part, new, open for appending in file; strPath says which (or which
// failed). A number another program took in the meantime is passed over for the next one.
// FALSE, the reason in GetLastError, when none could be made.
BOOL CreateLogPart(const std::wstring& strFolder, const std::string& strDay, CTextFile& file,
                   std::wstring& strPath);
// Renames strFolder\strDay.log to the day's next part, numbered as CreateLogPart's. FALSE, the
// reason in GetLastError, when it could not be renamed; an existing part is never replaced.
BOOL RollOverLog(const std::wstring& strFolder, const std::string& strDay);
// The day's files there are: its parts in their numbers' order, then its current file.
std::vector<std::wstring> DayLogFiles(const std::wstring& strFolder, const std::string& strDay);
