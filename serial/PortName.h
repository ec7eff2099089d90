// A COM port's two names: "COM7" as the operator sees and types it, "\\.\COM7" as it is opened
// (the device namespace opens every number; a bare "COM10" would not open at all). Portable (no
// <windows.h>): builds in both presets.
#pragma once

#include <string>
#include <vector>

// The highest port number the program lists, opens or takes from a typed name.
constexpr int kMaxPortNumber = 256;

// "COM7".
std::string PortName(int nPort);
// "\\.\COM7", from the number or from the name.
std::string PortDevicePath(int nPort);
std::string PortDevicePath(const std::string& name);
// The number of a typed name read as "COM%d" reads it ("COM7", "COM 7", "COM7x"); false, and
// nPort untouched, for a text that does not match or a number outside 1..kMaxPortNumber.
bool ParsePortName(const std::string& text, int& nPort);
// The port names among names ("COM<n>", n in 1..kMaxPortNumber), each once, in numeric order.
std::vector<std::string> SortedPortNames(const std::vector<std::string>& names);
