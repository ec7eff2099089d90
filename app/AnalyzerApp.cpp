// Application start-up.
#include "app/AnalyzerApp.h"

#include <commctrl.h>

#include "app/AnalyzerDlg.h"

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
    InitInstance();
    return 0;
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
