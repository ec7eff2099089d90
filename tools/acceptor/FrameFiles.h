// Frames the acceptor reads from files: a file of hex lines, or a daily log of the monitor to
// replay with its timing. Portable, Linux tool code.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "tools/acceptor/TrafficGenerator.h"

// One frame to send, and when: seconds after the first frame, or below 0 when the rate paces it.
struct SourceFrame
{
    Bytes bytes;
    double atSeconds = -1;
};

// One frame a line; blank lines and lines starting with '#' are skipped, so an echo of a run
// can be sent again. On failure, error names the line.
bool ParseHexFrames(std::istream& in, std::vector<SourceFrame>& frames, std::string& error);

// Lines "[YYYY-MM-DD HH:MM:SS]  " + hex dump, CR LF or LF; each frame is timed from the first
// line's stamp. A stamp earlier than the one before (a clock put back) adds no wait.
bool ParseLogFrames(std::istream& in, std::vector<SourceFrame>& frames, std::string& error);
