// Parsing the command-line switches.
#include "app/LaunchOptions.h"

#include <cctype>
#include <string>

const char kLaunchUsage[] =
    "Usage: Kestrane.exe [/start] [/log] [/reconnect] [/today] [/silence N]\n"
    "\n"
    "/start: press Start as soon as the window is shown.\n"
    "/log: tick \"Enable log file\" at start-up.\n"
    "/reconnect: when the port is lost or will not open, show no box; try it again about "
    "every 2 seconds until it opens or Stop is pressed; an adapter back under another COM "
    "number is followed.\n"
    "/today: start the channel table from today's notes in the daily log, and from zero at "
    "midnight.\n"
    "/silence N: while listening, N seconds (1 to 86400) without a valid frame are shown, "
    "flash the taskbar button and are written to the Application log.\n"
    "/?: this text.\n"
    "\n"
    "A switch may begin with / or -, in any case. Only /reconnect changes Kestrane.ini: at Close "
    "it keeps the adapter it follows, and the port it followed it to.";

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
// N of /silence N: digits only, 1 to 86400 (a day).
bool ParseSeconds(const std::string& word, unsigned& rnSeconds)
{
    if (word.empty() || word.size() > 5 ||
        word.find_first_not_of("0123456789") != std::string::npos)
        return false;
    rnSeconds = static_cast<unsigned>(std::stoul(word));
    return rnSeconds >= 1 && rnSeconds <= 86400;
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
        else if (name == "silence")
            bBad |= !NextWord(p, word) || !ParseSeconds(word, options.nSilenceSecs);
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

std::string LaunchSwitchesText(const LaunchOptions& options)
{
    std::string text;
    if (options.bStart)
        text += " /start";
    if (options.bLog)
        text += " /log";
    if (options.bReconnect)
        text += " /reconnect";
    if (options.bToday)
        text += " /today";
    if (options.nSilenceSecs != 0)
        text += " /silence " + std::to_string(options.nSilenceSecs);
    return text.empty() ? "none" : text.substr(1);
}
