// CAnalyzerApp: starts the program and runs the main window as its one modal dialog; the
// program ends when the dialog ends.
#pragma once

#include <windows.h>

class CWnd;

class CAnalyzerApp
{
public:
    // Runs the main window to its end; FALSE: there is no message loop of the application's own.
    BOOL InitInstance();

    CWnd* m_pMainWnd = nullptr;
};
