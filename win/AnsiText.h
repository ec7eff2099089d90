// Text between the ANSI code page, which the A calls and the event inserts speak, and the wide
// text of paths and of the system's own messages.
#pragma once

#include <string>

std::wstring AnsiToWide(const std::string& text);
// A character the code page lacks comes out as its default character.
std::string WideToAnsi(const std::wstring& text);
