// CDialog: template dialogs, our modal loop, OK/Cancel routing and data exchange.
#include "win/Dialog.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd != nullptr)
        return;
    HWND hCtl = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
    if (hCtl == nullptr || !rControl.SubclassWindow(hCtl))
        pDX->m_bFail = TRUE;
}

HWND CDialog::CreateFromTemplate(HWND hWndParent)
{
    return ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_nIDTemplate),
                                hWndParent, &StaticDlgProc, reinterpret_cast<LPARAM>(this));
}

// The dialog manager calls this with WM_INITDIALOG before anything of ours could see the
// window: bind there, then every later message reaches WindowProc first through the subclass,
// and Default() hands it on to the dialog manager, which comes back here and gets FALSE.
INT_PTR CALLBACK CDialog::StaticDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_INITDIALOG || FromHandlePermanent(hWnd) != nullptr)
        return FALSE;
    auto* pDlg = reinterpret_cast<CDialog*>(lParam);
    if (pDlg == nullptr || !pDlg->SubclassWindow(hWnd))
        return FALSE;
    return pDlg->Dispatch(message, wParam, lParam);
}

BOOL CDialog::Create(CWnd* pParentWnd)
{
    if (m_hWnd != nullptr)
        return FALSE;
    if (pParentWnd != nullptr)
        m_pParentWnd = pParentWnd;
    m_bModal = false;
    if (CreateFromTemplate(m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr) == nullptr ||
        m_hWnd == nullptr)
        return FALSE;
    SetOwnsWindow();
    return TRUE;
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd != nullptr)
        return -1;
    // A modal dialog disables its top-level owner, never just a child of it.
    HWND hOwner = m_pParentWnd ? ::GetAncestor(m_pParentWnd->m_hWnd, GA_ROOT) : nullptr;
    m_bModal = true;
    m_bEndModal = false;
    m_nModalResult = -1;
    HWND hWnd = CreateFromTemplate(hOwner);
    if (hWnd == nullptr || m_hWnd != hWnd)
    {
        if (hWnd != nullptr)
            ::DestroyWindow(hWnd);
        m_bModal = false;
        return -1;
    }
    const bool bDisableOwner = hOwner != nullptr && ::IsWindowEnabled(hOwner);
    if (bDisableOwner)
        ::EnableWindow(hOwner, FALSE);

    if (!m_bEndModal) // OnInitDialog may already have ended it
    {
        ::ShowWindow(hWnd, SW_SHOWNORMAL);
        MSG msg;
        while (!m_bEndModal && m_hWnd != nullptr)
        {
            BOOL bGot = ::GetMessageA(&msg, nullptr, 0, 0);
            if (bGot == -1)
                break;
            if (bGot == 0)
            {
                // The program is quitting: the outer loop must see WM_QUIT too.
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                m_nModalResult = -1;
                break;
            }
            if (!PreTranslateInput(&msg))
            {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
    }

    // Hide first and give the owner back its input, so activation returns to it rather than
    // to some other program's window.
    if (m_hWnd != nullptr)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    if (bDisableOwner)
    {
        ::EnableWindow(hOwner, TRUE);
        ::SetActiveWindow(hOwner);
    }
    if (m_hWnd != nullptr)
        DestroyWindow();
    m_bModal = false;
    return m_nModalResult;
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    if (m_bModal)
    {
        m_bEndModal = true;
        // Wake the loop should it be idle in GetMessage.
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
    }
    else if (m_hWnd != nullptr)
    {
        ::ShowWindow(m_hWnd, SW_HIDE);
    }
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx{this, bSaveAndValidate};
    DoDataExchange(&dx);
    return !dx.m_bFail;
}

BOOL CDialog::PreTranslateInput(MSG* pMsg)
{
    try
    {
        if (WalkPreTranslateTree(m_hWnd, pMsg))
            return TRUE;
    }
    catch (...)
    {
        // A failed filter must not end the loop; the message is handled as if unfiltered.
    }
    return m_hWnd != nullptr && ::IsDialogMessageA(m_hWnd, pMsg);
}

// The template's initial list items: a resource of type 240 with the template's id, holding
// records {WORD control id, WORD message, DWORD byte count, bytes (a zero-terminated string)}
// and ending with a zero WORD. The messages are CB_ADDSTRING or LB_ADDSTRING (their old 16-bit
// numbers 0x403 and 0x401 are accepted too).
BOOL CDialog::ExecuteDlgInit()
{
    HMODULE hModule = ::GetModuleHandleA(nullptr);
    HRSRC hRes = ::FindResourceA(hModule, MAKEINTRESOURCEA(m_nIDTemplate), MAKEINTRESOURCEA(240));
    if (hRes == nullptr)
        return TRUE; // nothing to fill
    const auto* p = static_cast<const BYTE*>(::LockResource(::LoadResource(hModule, hRes)));
    const BYTE* pEnd = p ? p + ::SizeofResource(hModule, hRes) : nullptr;
    auto word = [](const BYTE* q) { return static_cast<WORD>(q[0] | (q[1] << 8)); };
    while (p != nullptr && pEnd - p >= 2 && word(p) != 0)
    {
        if (pEnd - p < 8)
            return FALSE;
        const int nIDC = word(p);
        UINT nMsg = word(p + 2);
        const DWORD dwLen = word(p + 4) | (static_cast<DWORD>(word(p + 6)) << 16);
        p += 8;
        if (static_cast<DWORD>(pEnd - p) < dwLen || dwLen == 0 || p[dwLen - 1] != 0)
            return FALSE; // a record that would run past the end or is not a string
        if (nMsg == 0x403)
            nMsg = CB_ADDSTRING;
        else if (nMsg == 0x401)
            nMsg = LB_ADDSTRING;
        if (nMsg == CB_ADDSTRING || nMsg == LB_ADDSTRING)
            ::SendDlgItemMessageA(m_hWnd, nIDC, nMsg, 0, reinterpret_cast<LPARAM>(p));
        p += dwLen;
    }
    return TRUE;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCommand(UINT nID, UINT nCode)
{
    // Buttons, Enter and Escape (from the dialog manager) and the close box (DefDlgProc turns
    // WM_CLOSE into IDCANCEL) all arrive here.
    if (nCode != BN_CLICKED)
        return FALSE;
    if (nID == IDOK)
        OnOK();
    else if (nID == IDCANCEL)
        OnCancel();
    else
        return FALSE;
    return TRUE;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_INITDIALOG:
        ExecuteDlgInit();
        return OnInitDialog();
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam)))
            return 0;
        break;
    default:
        break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}
