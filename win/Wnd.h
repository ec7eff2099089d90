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

    // Creates a window of an existing class and subclasses it. The object owns it.
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

    // Gives pMsg to PreTranslateMessage of its target window and each ancestor up to hWndStop.
    static BOOL WalkPreTranslateTree(HWND hWndStop, MSG* pMsg);

protected:
    // Offers a child's notification to the child object; see OnChildNotify.
    BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    static LRESULT CALLBACK StaticWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnSuper = nullptr; // set while subclassed
    bool m_bOwnsWindow = false;   // created by CreateEx: destroyed with the object
    struct CurrentMsg
    {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } m_cur = {};
};
