// kestrane-decode's command line, read and checked before anything is opened. Portable.
#pragma once

#include <limits>
#include <string>
#include <vector>

#include "decode/FrameReport.h"

extern const char kUsage[];

struct DecodeOptions
{
    bool help = false;  // --help: the usage and nothing else
    bool hex = false;   // --hex
    bool stats = false; // --stats
    bool log = false;   // --log
    CFrameReport::Form form = CFrameReport::Form::Lines;
    bool source = false; // --source
    std::string html;    // --html OUT
    long long from = std::numeric_limits<long long>::min();
    long long to = std::numeric_limits<long long>::max();
    std::vector<std::string> files; // as expanded
};

// Turns one name given into the files it stands for (a wildcard's matches).
using ExpandName = void (*)(const std::string& arg, std::vector<std::string>& files);

// Reads the arguments after the program's name. Returns an empty text when they make a run (or
// ask for --help), else why not, as the message to print.
std::string ParseOptions(const std::vector<std::string>& args, DecodeOptions& o,
                         ExpandName expand = nullptr);
