// CWnd: a window object bound to one HWND. It finds itself from the HWND in O(1), subclasses
// existing windows (keeping their old procedure for default processing) and routes every message
// through one virtual WindowProc. Win32 keeps the window; we never duplicate its state.
#pragma once

#include <string>

#include <windows.h>

class CWnd
{
public:
    CWnd() = default;
    // Restores a subclassed window's procedure; destroys only a window this object created.
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object bound to hWnd by Attach or SubclassWindow, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);
    // The bound object, or a non-owning wrapper kept per thread for windows nobody bound
    // (valid for as long as the thread lives). Null for a null handle.
    static CWnd* FromHandle(HWND hWnd);

    // Binds the object to hWnd without touching its procedure: lookups find it, messages do not.
    BOOL Attach(HWND hWnd);
    // Unbinds (and unsubclasses) without destroying; returns the handle.
    HWND Detach();

    // Binds and routes the window's messages through WindowProc; the old procedure does
    // the default processing.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();

    // Creates a window of an existing class and subclasses it; the object owns it and sees its
    // messages from WM_CREATE's return on (creation itself is the class's business).
    BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID);
    BOOL DestroyWindow();

    // The one message entry: override with a switch and call the base for the rest.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default processing of the message being handled now.
    LRESULT Default();
    // The previous window procedure (or ::DefWindowProcA).
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Called while binding in SubclassWindow and CreateEx, before messages arrive here.
    virtual void PreSubclassWindow() {}
    // Called with each queued message by the modal loop, for the target window and its
    // ancestors up to the dialog. TRUE: the message was consumed.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Called after WM_NCDESTROY, when the object is no longer bound.
    virtual void PostNcDestroy() {}

    // A notification of this control, sent to its parent (WM_COMMAND, WM_DRAWITEM,
    // WM_CTLCOLOR*, WM_NOTIFY), offered here first. TRUE: handled, *pResult is the answer and
    // the parent's own handler does not run.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // Thin helpers over the USER32 calls of the same names, on this window.
    CWnd* GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    void SetDlgItemText(int nID, LPCSTR lpszString) { ::SetDlgItemTextA(m_hWnd, nID, lpszString); }
    // The whole text of control nID, however long; returns its length.
    int GetDlgItemText(int nID, std::string& rString) const;
    void SetWindowText(LPCSTR lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }
    int GetWindowText(std::string& rString) const;
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    // Zero without a window: Win32 would make a thread timer under an id of its own choosing,
    // which no KillTimer(nIDEvent) could ever find.
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr)
    {
        return m_hWnd ? ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer) : 0;
    }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    void GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
    void ClientToScreen(LPPOINT lpPoint) const { ::ClientToScreen(m_hWnd, lpPoint); }
    void ScreenToClient(LPPOINT lpPoint) const { ::ScreenToClient(m_hWnd, lpPoint); }
    // Nothing without a window: a null handle would repaint every window on the desktop.
    void Invalidate(BOOL bErase = TRUE) { InvalidateRect(nullptr, bErase); }
    void InvalidateRect(const RECT* lpRect, BOOL bErase = TRUE)
    {
        if (m_hWnd != nullptr)
            ::InvalidateRect(m_hWnd, lpRect, bErase);
    }
    void UpdateWindow()
    {
        if (m_hWnd != nullptr)
            ::UpdateWindow(m_hWnd);
    }
    BOOL SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
    {
        return ::SetWindowPos(m_hWnd, hWndInsertAfter, x, y, cx, cy, nFlags);
    }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const
    {
        return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE));
    }
    // Removes then adds style bits; with nFlags, SetWindowPos applies them (e.g.
    // SWP_FRAMECHANGED). FALSE when the style was already so.
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    // A null caption shows the program's name, as every box of ours does.
    int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = nullptr, UINT nType = MB_OK);
    // A window DC: give it back with ReleaseDC (or use CClientDC/CWindowDC, which do).
    HDC GetDC() { return ::GetDC(m_hWnd); }
    int ReleaseDC(HDC hDC) { return ::ReleaseDC(m_hWnd, hDC); }
    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return ::PostMessageA(m_hWnd, message, wParam, lParam);
    }
    // The window menu, for appending commands; bRevert restores the system's own.
    HMENU GetSystemMenu(BOOL bRevert) const { return ::GetSystemMenu(m_hWnd, bRevert); }
    HICON SetIcon(HICON hIcon, BOOL bBigIcon)
    {
        return reinterpret_cast<HICON>(SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL,
                                                   reinterpret_cast<LPARAM>(hIcon)));
    }

    // Gives pMsg to PreTranslateMessage of its target window and each ancestor up to hWndStop.
    static BOOL WalkPreTranslateTree(HWND hWndStop, MSG* pMsg);

protected:
    // Offers a child's notification to the child object; see OnChildNotify.
    BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    static LRESULT CALLBACK StaticWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    // Routes one message: reflection to a child first, then WindowProc; no exception escapes.
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void SetOwnsWindow() { m_bOwnsWindow = true; }

private:
    friend class CWndTestPeer; // the tests make the fiber-local slot refuse a value

    HWND Unbind();

    // ::FlsSetValue, which stores this thread's wrappers of unbound windows.
    static BOOL(WINAPI* s_pfnFlsSetValue)(DWORD, PVOID);

    WNDPROC m_pfnSuper = nullptr; // set while subclassed
    bool m_bOwnsWindow = false;   // created by CreateEx: destroyed with the object
    struct CurrentMsg
    {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } m_cur = {};
};
