// The folder of the running executable, beside which the settings file and the Log folder live.
#pragma once

#include <string>

// The executable's folder with its trailing backslash; empty when it cannot be known exactly.
std::string GetModuleDirectory();
// The same through the wide calls, exact whatever the folder's name: the settings file and the
// daily log reach their files this way, so a name outside the ANSI code page works too.
std::wstring GetModuleDirectoryW();
