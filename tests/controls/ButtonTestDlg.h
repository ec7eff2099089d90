// What the button tests share: a visible modeless dialog whose buttons are bound as the main
// window binds its own, a record of the clicks that reach it, and a solid test icon.
#pragma once

#include <utility>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "ButtonTestRes.h"
#include "controls/ShadedButton.h"
#include "tests/serial/SerialTestKit.h"
#include "win/Dialog.h"

class CButtonDlg : public CDialog
{
public:
    static constexpr UINT WM_SENTINEL = WM_APP + 1;

    CButtonDlg() : CDialog(IDD_BUTTON_TEST)
    {
        // The buttons' tooltips are common controls.
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
        ::InitCommonControlsEx(&icc);
        // Out of every test's way: the real cursor only reaches a button when a test moves it.
        ::SetCursorPos(1200, 1000);
        Create();
        ShowWindow(SW_SHOWNORMAL);
        UpdateWindow();
    }

    CShadedButton m_shaded;
    CIconButton m_plain;
    CIconButton m_check;
    CIconButton m_last;

    // Each BN_CLICKED that reached the dialog: the control id and the focus at that moment.
    std::vector<std::pair<int, HWND>> m_clicks;

    HWND Item(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    // Handles every message posted so far (and what they send), in order.
    void PumpPosted()
    {
        m_bSentinel = false;
        PostMessage(WM_SENTINEL);
        PumpUntil([this] { return m_bSentinel; });
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Control(pDX, IDC_BT_SHADED, m_shaded);
        DDX_Control(pDX, IDC_BT_PLAIN, m_plain);
        DDX_Control(pDX, IDC_BT_CHECK, m_check);
        DDX_Control(pDX, IDC_BT_LAST, m_last);
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED)
            m_clicks.emplace_back(LOWORD(wParam), ::GetFocus());
        if (message == WM_SENTINEL)
            m_bSentinel = true;
        return CDialog::WindowProc(message, wParam, lParam);
    }

private:
    bool m_bSentinel = false;
};

// A 16 x 16 icon, opaque, all of one colour but for a black top-left pixel.
inline HICON MakeTestIcon(COLORREF crColor)
{
    HDC hdcScreen = ::GetDC(nullptr);
    HBITMAP hColor = ::CreateCompatibleBitmap(hdcScreen, 16, 16);
    HDC hdcMem = ::CreateCompatibleDC(hdcScreen);
    HGDIOBJ hOld = ::SelectObject(hdcMem, hColor);
    const RECT rc = {0, 0, 16, 16};
    HBRUSH hBrush = ::CreateSolidBrush(crColor);
    ::FillRect(hdcMem, &rc, hBrush);
    ::DeleteObject(hBrush);
    ::SetPixel(hdcMem, 0, 0, RGB(0, 0, 0));
    ::SelectObject(hdcMem, hOld);
    const WORD zeros[16] = {}; // the AND mask: every pixel opaque
    HBITMAP hMask = ::CreateBitmap(16, 16, 1, 1, zeros);
    ICONINFO ii = {TRUE, 0, 0, hMask, hColor};
    HICON hIcon = ::CreateIconIndirect(&ii);
    ::DeleteObject(hMask);
    ::DeleteObject(hColor);
    ::DeleteDC(hdcMem);
    ::ReleaseDC(nullptr, hdcScreen);
    return hIcon;
}

// The centre of a window in screen coordinates.
inline POINT CentreOf(HWND hWnd)
{
    RECT rc;
    ::GetWindowRect(hWnd, &rc);
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}
