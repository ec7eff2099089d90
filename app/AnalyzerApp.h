// CAnalyzerApp: starts the program and runs the main window as its one modal dialog; the
// program ends when the dialog ends.
#pragma once

#include <windows.h>

#include "app/LaunchOptions.h"

class CWnd;

class CAnalyzerApp
{
public:
    // The program from its command line: a usage box for /? (0) or a switch it does not know
    // (2), else the main window with the switches: 0.
    int Run(const char* pszCmdLine);
    // Runs the main window to its end; FALSE: there is no message loop of the application's own.
    BOOL InitInstance();

    CWnd* m_pMainWnd = nullptr;

private:
    // Windows starts the program again with these switches after it restarts for an update.
    static void RegisterForRestart(const char* pszCmdLine);

    LaunchOptions m_options;
};
