// CDialog: a dialog made from a template in the executable's resources, run modally by our own
// loop (so PreTranslateMessage sees every message) or created modeless. DDX_Control binds
// template controls to member objects. The dialog manager (DefDlgProc) does the rest.
#pragma once

#include "win/Wnd.h"

class CDialog;

// What DoDataExchange is given: the dialog and the direction of the exchange.
struct CDataExchange
{
    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate; // TRUE: controls to members; FALSE: members to controls
    BOOL m_bFail = FALSE;    // a binding failed
};

// Subclasses template control nID into rControl the first time (later exchanges leave it be).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr)
        : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
    {
    }

    // Runs the dialog until EndDialog; returns its result, or -1 when the template cannot be
    // made into a window or a WM_QUIT ended the loop (the WM_QUIT is posted again).
    virtual INT_PTR DoModal();
    // Creates the dialog modeless; the object owns the window.
    BOOL Create(CWnd* pParentWnd = nullptr);
    // Ends a modal dialog with nResult (the loop returns once this handler is done); hides a
    // modeless one.
    void EndDialog(int nResult);
    INT_PTR GetModalResult() const { return m_nModalResult; }

    // Calls DoDataExchange; FALSE when a binding failed.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // One step of a dialog's message loop: PreTranslateMessage along the target's window chain,
    // then the dialog manager's keyboard handling. TRUE: the message needs no dispatching.
    BOOL PreTranslateInput(MSG* pMsg);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    virtual BOOL OnInitDialog(); // exchanges data (binds controls); TRUE: default focus
    virtual void OnOK();         // button IDOK, or Enter: EndDialog(IDOK)
    virtual void OnCancel();     // button IDCANCEL, Escape or the close box: EndDialog(IDCANCEL)
    // A command (WM_COMMAND) of control or menu item nID with notification nCode; TRUE: handled.
    // Here the clicks of IDOK and IDCANCEL go to OnOK and OnCancel; a dialog says what its own
    // commands do and passes the rest on.
    virtual BOOL OnCommand(UINT nID, UINT nCode);
    virtual void DoDataExchange(CDataExchange*) {}

private:
    // Fills list and combo boxes with the items the template lists for them, before
    // OnInitDialog runs. FALSE for malformed data (what came before it is kept).
    BOOL ExecuteDlgInit();
    static INT_PTR CALLBACK StaticDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND CreateFromTemplate(HWND hWndParent);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    INT_PTR m_nModalResult = -1;
    bool m_bModal = false;
    bool m_bEndModal = false;
};
