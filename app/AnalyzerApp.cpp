// Application start-up.
#include "app/AnalyzerApp.h"

#include <string>

#include <commctrl.h>

#include "app/AnalyzerDlg.h"
#include "win/AnsiText.h"

int CAnalyzerApp::Run(const char* pszCmdLine)
{
    m_options = ParseLaunchOptions(pszCmdLine);
    if (m_options.verdict != LaunchOptions::Run)
    {
        const bool bAsked = m_options.verdict == LaunchOptions::Usage;
        ::MessageBoxA(nullptr, kLaunchUsage, "Kestrane",
                      bAsked ? MB_ICONINFORMATION : MB_ICONERROR);
        return bAsked ? 0 : 2;
    }
    // Started with switches, most likely by a shortcut on an unattended PC: after an update's
    // restart Windows starts it again the same way, listening.
    if (m_options.AnySwitch())
        RegisterForRestart(pszCmdLine);
    InitInstance();
    return 0;
}

void CAnalyzerApp::RegisterForRestart(const char* pszCmdLine)
{
    const std::wstring strCmdLine = AnsiToWide(pszCmdLine);
    if (strCmdLine.size() >= RESTART_MAX_CMD_LINE)
        return;
    // Not after a crash or a hang: a fault is for someone to look at, not to run into again.
    ::RegisterApplicationRestart(strCmdLine.c_str(), RESTART_NO_CRASH | RESTART_NO_HANG);
}

BOOL CAnalyzerApp::InitInstance()
{
    // The channel table is a list view, and each command button keeps a tooltip control.
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);

    CAnalyzerDlg dlg;
    dlg.SetLaunchOptions(m_options);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // A serial worker left stuck inside its driver still writes into the window's link: the
    // program ends here, its settings and log already written, rather than free what the
    // worker will write into when (if ever) the driver returns.
    if (dlg.WorkerLeftBehind())
        ::ExitProcess(0);
    return FALSE;
}
