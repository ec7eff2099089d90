// The folder of the running executable, beside which the settings file and the Log folder live.
#pragma once

#include <string>

// The executable's folder with its trailing backslash; empty when it cannot be known exactly.
std::string GetModuleDirectory();
