// CDialog: our modal loop, OK/Cancel routing, PreTranslateMessage along the window chain,
// DDX_Control binding and the reflection of child notifications.
#include "win/Dialog.h"

#include <string>
#include <vector>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "LayerTestRes.h"

namespace
{
// The test template holds a list view: its class must exist before any dialog is made.
const bool g_bCommonControls = []
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    return ::InitCommonControlsEx(&icc) != FALSE;
}();

const UINT WM_TEST_PASS = WM_APP + 1; // a message every PreTranslateMessage lets through
const UINT WM_TEST_EAT = WM_APP + 2;  // one the edit box consumes in PreTranslateMessage
const UINT WM_TEST_END = WM_APP + 3;  // ends the dialog

using Log = std::vector<std::string>;

// An edit box that logs what PreTranslateMessage and WindowProc see of the test messages.
class CEditSpy : public CWnd
{
public:
    explicit CEditSpy(Log& log) : m_log(log) {}
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message == WM_TEST_PASS || pMsg->message == WM_TEST_EAT)
            m_log.push_back("edit pre " + std::to_string(pMsg->message - WM_APP));
        return pMsg->message == WM_TEST_EAT;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_TEST_PASS || message == WM_TEST_EAT)
            m_log.push_back("edit proc " + std::to_string(message - WM_APP));
        return CWnd::WindowProc(message, wParam, lParam);
    }

private:
    Log& m_log;
};

// A control that logs the notifications reflected to it and may claim them.
class CNotifySpy : public CWnd
{
public:
    explicit CNotifySpy(Log& log) : m_log(log) {}
    BOOL m_bClaim = FALSE;
    HBRUSH m_hBrush = nullptr;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM, LRESULT* pResult) override
    {
        if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED)
        {
            m_log.push_back("child clicked");
            return m_bClaim;
        }
        if (message == WM_CTLCOLORSTATIC && m_hBrush != nullptr)
        {
            *pResult = reinterpret_cast<LRESULT>(m_hBrush);
            return TRUE;
        }
        return FALSE;
    }

private:
    Log& m_log;
};

class CTestDlg : public CDialog
{
public:
    CTestDlg() : CDialog(IDD_LAYER_TEST) {}
    Log m_log;
    CEditSpy m_edit{m_log};
    CNotifySpy m_button{m_log};
    CNotifySpy m_label{m_log};
    int m_nBindMissing = 0; // bind a control that is not in the template
    struct Post
    {
        int nIDTarget; // a control of the template, or 0 for the dialog
        UINT message;
        WPARAM wParam;
    };
    std::vector<Post> m_posts; // posted at the end of OnInitDialog, in order
    UINT_PTR m_nEndTimer = 0;  // a timer that ends the dialog with 42

    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message == WM_TEST_PASS || pMsg->message == WM_TEST_EAT)
            m_log.push_back("dialog pre " + std::to_string(pMsg->message - WM_APP));
        return FALSE;
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message)
        {
        case WM_TIMER:
            if (wParam == m_nEndTimer)
            {
                KillTimer(m_nEndTimer);
                EndDialog(42);
            }
            return 0;
        case WM_TEST_END:
            EndDialog(static_cast<int>(wParam));
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_TEST_BUTTON)
                m_log.push_back("parent clicked");
            break;
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Control(pDX, IDC_TEST_EDIT, m_edit);
        DDX_Control(pDX, IDC_TEST_BUTTON, m_button);
        DDX_Control(pDX, IDC_TEST_LABEL, m_label);
        if (m_nBindMissing)
            DDX_Control(pDX, 4242, m_missing);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (m_nEndTimer)
            SetTimer(m_nEndTimer, 10);
        for (const Post& p : m_posts)
            ::PostMessageA(p.nIDTarget ? ::GetDlgItem(m_hWnd, p.nIDTarget) : m_hWnd, p.message,
                           p.wParam, 0);
        return TRUE;
    }
    void OnOK() override
    {
        m_log.push_back("OnOK");
        CDialog::OnOK();
    }
    void OnCancel() override
    {
        m_log.push_back("OnCancel");
        CDialog::OnCancel();
    }

private:
    CWnd m_missing;
};
} // namespace

TEST(Dialog, ModalLoopEndsWithEndDialogFromATimerAndDestroysTheWindow)
{
    CTestDlg dlg;
    dlg.m_nEndTimer = 7;
    EXPECT_EQ(dlg.DoModal(), 42);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_edit.m_hWnd, nullptr) << "bound controls unbind with the window";
}

TEST(Dialog, EnterEscapeAndCloseBoxReachOnOKAndOnCancel)
{
    struct Case
    {
        const char* name;
        CTestDlg::Post post;
        INT_PTR result;
        const char* handler;
    } cases[] = {
        {"Enter", {IDC_TEST_EDIT, WM_KEYDOWN, VK_RETURN}, IDOK, "OnOK"},
        {"Escape", {IDC_TEST_EDIT, WM_KEYDOWN, VK_ESCAPE}, IDCANCEL, "OnCancel"},
        {"close box", {0, WM_SYSCOMMAND, SC_CLOSE}, IDCANCEL, "OnCancel"},
    };
    for (const Case& c : cases)
    {
        CTestDlg dlg;
        dlg.m_nEndTimer = 9; // a way out should the message go astray: the result would be 42
        dlg.m_posts.push_back(c.post);
        EXPECT_EQ(dlg.DoModal(), c.result) << c.name;
        ASSERT_FALSE(dlg.m_log.empty()) << c.name;
        EXPECT_EQ(dlg.m_log.back(), c.handler) << c.name;
    }
}

TEST(Dialog, PreTranslateMessageSeesChildMessagesFromTheChildUpToTheDialog)
{
    CTestDlg dlg;
    dlg.m_posts = {
        {IDC_TEST_EDIT, WM_TEST_PASS, 0}, {IDC_TEST_EDIT, WM_TEST_EAT, 0}, {0, WM_TEST_END, 5}};
    EXPECT_EQ(dlg.DoModal(), 5);
    const Log expected = {"edit pre 1", "dialog pre 1", "edit proc 1", "edit pre 2"};
    EXPECT_EQ(dlg.m_log, expected) << "a consumed message goes no further up nor to its window";
}

TEST(Dialog, DdxControlBindsTemplateControlsOnceAndReportsMissingOnes)
{
    CTestDlg dlg;
    ASSERT_TRUE(dlg.Create());
    HWND hEdit = ::GetDlgItem(dlg.m_hWnd, IDC_TEST_EDIT);
    EXPECT_EQ(dlg.m_edit.m_hWnd, hEdit);
    EXPECT_EQ(CWnd::FromHandlePermanent(hEdit), &dlg.m_edit);
    EXPECT_EQ(dlg.GetDlgItem(IDC_TEST_EDIT), &dlg.m_edit);
    EXPECT_TRUE(dlg.UpdateData(TRUE)) << "a second exchange keeps the bindings";
    EXPECT_EQ(dlg.m_edit.m_hWnd, hEdit);
    dlg.m_nBindMissing = 1;
    EXPECT_FALSE(dlg.UpdateData(TRUE));

    dlg.SetDlgItemText(IDC_TEST_EDIT, "COM12");
    std::string text;
    EXPECT_EQ(dlg.GetDlgItemText(IDC_TEST_EDIT, text), 5);
    EXPECT_EQ(text, "COM12");
    EXPECT_EQ(dlg.GetDlgItemText(4242, text), 0);
    EXPECT_EQ(text, "");
}

TEST(Dialog, ReflectedNotificationsReachTheChildFirstAndTheParentUnlessClaimed)
{
    CTestDlg dlg;
    ASSERT_TRUE(dlg.Create());
    dlg.ShowWindow(SW_SHOW);
    HWND hButton = dlg.m_button.m_hWnd;

    ::SendMessageA(hButton, BM_CLICK, 0, 0);
    EXPECT_EQ(dlg.m_log, (Log{"child clicked", "parent clicked"}));

    dlg.m_log.clear();
    dlg.m_button.m_bClaim = TRUE;
    ::SendMessageA(hButton, BM_CLICK, 0, 0);
    EXPECT_EQ(dlg.m_log, (Log{"child clicked"}));

    HBRUSH hBrush = static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    dlg.m_label.m_hBrush = hBrush;
    HDC hDC = ::GetDC(dlg.m_hWnd);
    LRESULT r = dlg.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hDC),
                                reinterpret_cast<LPARAM>(dlg.m_label.m_hWnd));
    ::ReleaseDC(dlg.m_hWnd, hDC);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(r), hBrush);
}
