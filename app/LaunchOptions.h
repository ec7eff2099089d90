// The switches of an unattended launch: /start, /log, /reconnect, /today and /?, each also
// written with '-' and in any case. Portable (no <windows.h>): the parse is tested natively.
#pragma once

struct LaunchOptions
{
    enum Verdict
    {
        Run,   // the window runs with the switches below
        Usage, // /? asked for the usage text: exit status 0
        Bad,   // a switch or word the program does not know: usage text, exit status 2
    };
    Verdict verdict = Run;
    bool bStart = false;     // press Start once the window is shown
    bool bLog = false;       // tick "Enable log file" at start-up
    bool bReconnect = false; // a lost or unopenable port is retried, without a box
    bool bToday = false;     // the channel table starts from today's notes in the daily log

    bool AnySwitch() const { return bStart || bLog || bReconnect || bToday; }
};

// The switches of a command line without the program's name, as WinMain receives it. Words may
// be quoted, as a shortcut's target field allows.
LaunchOptions ParseLaunchOptions(const char* pszCmdLine);

// The usage box's text.
extern const char kLaunchUsage[];
