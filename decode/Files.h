// The decoder's dealings with files and the console that differ between systems: names are
// UTF-8 inside the program; Windows takes them as wide text (FilesWin.cpp), other systems as
// they are (FilesPosix.cpp).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// fopen of a UTF-8 name, so a folder in any script opens on any Windows.
std::FILE* OpenFile(const std::string& name, const char* mode);
// Removes a file by its UTF-8 name; false when it could not.
bool RemoveFile(const std::string& name);
// Puts the finished file from in place of whatever to held; the reason when it could not.
std::string PutInPlace(const std::string& from, const std::string& to);
// What tells one file from another, however it was named (a wildcard, a name, another case):
// volume and file index, or device and inode. False when the system does not say.
bool FileIdentity(std::FILE* file, std::pair<std::uint64_t, std::uint64_t>& id);
// Text as the console and redirected output take it: the ANSI code page on Windows, as they
// always have, UTF-8 unchanged elsewhere.
std::string ConsoleText(const std::string& utf8);
// A name as given, or on Windows, where cmd.exe leaves wildcards to the program, the files its
// * and ? match (in any part: Fleet\*\Log\*.log), in name order; the name itself when it
// matches none, so that it is reported as given.
void AddExpanded(const std::string& arg, std::vector<std::string>& files);

#ifdef _WIN32
std::string Utf8Of(const wchar_t* text);
std::wstring WideOf(const std::string& utf8);
#endif
