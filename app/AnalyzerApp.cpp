// Application start-up.
#include "app/AnalyzerApp.h"

#include <commctrl.h>

#include "app/AnalyzerDlg.h"

BOOL CAnalyzerApp::InitInstance()
{
    // The channel table is a list view, and each command button keeps a tooltip control.
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);

    CAnalyzerDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
