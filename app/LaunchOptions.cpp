// Parsing the command-line switches.
#include "app/LaunchOptions.h"

#include <cctype>
#include <string>

const char kLaunchUsage[] =
    "Usage: Kestrane.exe [/start] [/log] [/reconnect] [/today]\n"
    "\n"
    "/start: press Start as soon as the window is shown.\n"
    "/log: tick \"Enable log file\" at start-up.\n"
    "/reconnect: when the port is lost or will not open, show no box; try it again about "
    "every 2 seconds until it opens or Stop is pressed.\n"
    "/today: start the channel table from today's notes in the daily log, and from zero at "
    "midnight.\n"
    "/?: this text.\n"
    "\n"
    "A switch may begin with / or -, in any case. The switches change nothing in Kestrane.ini.";

namespace
{
// The next word of the command line, its quotes removed; false at the end.
bool NextWord(const char*& p, std::string& word)
{
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p == '\0')
        return false;
    word.clear();
    bool bQuoted = false;
    for (; *p != '\0' && (bQuoted || (*p != ' ' && *p != '\t')); ++p)
    {
        if (*p == '"')
            bQuoted = !bQuoted;
        else
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    }
    return true;
}
} // namespace

LaunchOptions ParseLaunchOptions(const char* pszCmdLine)
{
    LaunchOptions options;
    bool bUsage = false;
    bool bBad = false;
    std::string word;
    for (const char* p = pszCmdLine ? pszCmdLine : ""; NextWord(p, word);)
    {
        const std::string name = word.empty() ? word : word.substr(1);
        if (word.empty() || (word[0] != '/' && word[0] != '-'))
            bBad = true; // a stray word: "" included
        else if (name == "start")
            options.bStart = true;
        else if (name == "log")
            options.bLog = true;
        else if (name == "reconnect")
            options.bReconnect = true;
        else if (name == "today")
            options.bToday = true;
        else if (name == "?")
            bUsage = true;
        else
            bBad = true;
    }
    // A mistyped shortcut must show itself, even next to a /?.
    options.verdict = bBad     ? LaunchOptions::Bad
                      : bUsage ? LaunchOptions::Usage
                               : LaunchOptions::Run;
    return options;
}
