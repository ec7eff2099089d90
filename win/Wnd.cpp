// CWnd: binding objects to HWNDs, subclassing, the message entry and notification reflection.
#include "win/Wnd.h"

#include <memory>
#include <unordered_map>

namespace
{
// The object bound to a window lives in a window property: O(1) from any HWND, including
// controls whose GWLP_USERDATA already belongs to their class.
const char kObjectProp[] = "Kestrane.CWnd";
// Left behind when a window cannot be unsubclassed because someone subclassed it after us:
// our procedure stays in its chain and must still reach the procedure before it.
const char kOrphanSuperProp[] = "Kestrane.Super";

// Wrappers for windows nobody bound, handed out by FromHandle. Kept per HWND so that a
// pointer a caller holds stays valid; windows that died are dropped once the map grows.
using TempMap = std::unordered_map<HWND, std::unique_ptr<CWnd>>;
thread_local TempMap t_tempWnds;

void PruneDeadTemps()
{
    for (auto it = t_tempWnds.begin(); it != t_tempWnds.end();)
        it = ::IsWindow(it->first) ? std::next(it) : t_tempWnds.erase(it);
}
} // namespace

CWnd::~CWnd()
{
    if (m_hWnd == nullptr)
        return;
    if (m_bOwnsWindow)
        DestroyWindow();
    else
        Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    return hWnd ? static_cast<CWnd*>(::GetPropA(hWnd, kObjectProp)) : nullptr;
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (hWnd == nullptr)
        return nullptr;
    if (CWnd* pWnd = FromHandlePermanent(hWnd))
        return pWnd;
    std::unique_ptr<CWnd>& slot = t_tempWnds[hWnd];
    if (!slot)
    {
        if (t_tempWnds.size() > 64)
            PruneDeadTemps();
        slot = std::make_unique<CWnd>();
        slot->m_hWnd = hWnd;
    }
    return t_tempWnds[hWnd].get();
}

BOOL CWnd::Attach(HWND hWnd)
{
    if (hWnd == nullptr || m_hWnd != nullptr || FromHandlePermanent(hWnd) != nullptr)
        return FALSE;
    if (!::SetPropA(hWnd, kObjectProp, this))
        return FALSE;
    m_hWnd = hWnd;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd == nullptr)
        return nullptr;
    if (m_pfnSuper != nullptr)
        UnsubclassWindow();
    if (::GetPropA(hWnd, kObjectProp) == this)
        ::RemovePropA(hWnd, kObjectProp);
    m_hWnd = nullptr;
    m_bOwnsWindow = false;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!Attach(hWnd))
        return FALSE;
    PreSubclassWindow();
    auto pfnOld = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StaticWndProc)));
    if (pfnOld == nullptr)
    {
        Detach();
        return FALSE;
    }
    m_pfnSuper = pfnOld;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    if (pParent == nullptr || pParent->m_hWnd == nullptr)
        return FALSE;
    HWND hCtl = ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID));
    return hCtl != nullptr && SubclassWindow(hCtl);
}

HWND CWnd::UnsubclassWindow()
{
    if (m_hWnd == nullptr || m_pfnSuper == nullptr)
        return nullptr;
    auto current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC));
    if (current == &StaticWndProc)
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    else
        ::SetPropA(m_hWnd, kOrphanSuperProp, reinterpret_cast<HANDLE>(m_pfnSuper));
    m_pfnSuper = nullptr;
    HWND hWnd = m_hWnd;
    if (::GetPropA(hWnd, kObjectProp) == this)
        ::RemovePropA(hWnd, kObjectProp);
    m_hWnd = nullptr;
    m_bOwnsWindow = false;
    return hWnd;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    if (m_hWnd != nullptr)
        return FALSE;
    HWND hParent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    // For a child the menu argument carries its id; a top-level window would take it as a menu.
    HMENU hMenuOrId =
        (dwStyle & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)) : nullptr;
    HWND hWnd = ::CreateWindowExA(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left,
                                  rect.top, rect.right - rect.left, rect.bottom - rect.top, hParent,
                                  hMenuOrId, ::GetModuleHandleA(nullptr), nullptr);
    if (hWnd == nullptr)
        return FALSE;
    if (!SubclassWindow(hWnd))
    {
        ::DestroyWindow(hWnd);
        return FALSE;
    }
    m_bOwnsWindow = true;
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    HWND hWnd = m_hWnd;
    if (hWnd == nullptr)
        return FALSE;
    BOOL bOk = ::DestroyWindow(hWnd);
    // A subclassed window unbinds itself at WM_NCDESTROY; a merely attached one cannot tell us.
    if (bOk && m_hWnd == hWnd)
    {
        if (::GetPropA(hWnd, kObjectProp) == this)
            ::RemovePropA(hWnd, kObjectProp);
        m_hWnd = nullptr;
        m_pfnSuper = nullptr;
        m_bOwnsWindow = false;
    }
    return bOk;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(m_cur.message, m_cur.wParam, m_cur.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper != nullptr)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*)
{
    return FALSE;
}

BOOL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg)
{
    for (HWND hWnd = pMsg->hwnd; hWnd != nullptr; hWnd = ::GetParent(hWnd))
    {
        CWnd* pWnd = FromHandlePermanent(hWnd);
        if (pWnd != nullptr && pWnd->PreTranslateMessage(pMsg))
            return TRUE;
        if (hWnd == hWndStop)
            break;
    }
    return FALSE;
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    HWND hChild = nullptr;
    switch (message)
    {
    case WM_COMMAND:
        hChild = reinterpret_cast<HWND>(lParam); // null for menus and accelerators
        break;
    case WM_NOTIFY:
        hChild = reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
        break;
    case WM_DRAWITEM:
        if (reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->CtlType != ODT_MENU)
            hChild = reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem;
        break;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        hChild = reinterpret_cast<HWND>(lParam);
        break;
    default:
        return FALSE;
    }
    if (hChild == nullptr || hChild == m_hWnd)
        return FALSE;
    CWnd* pChild = FromHandlePermanent(hChild);
    return pChild != nullptr && pChild->OnChildNotify(message, wParam, lParam, pResult);
}

LRESULT CWnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    const CurrentMsg saved = m_cur;
    m_cur = {message, wParam, lParam};
    LRESULT result = 0;
    try
    {
        if (!ReflectChildNotify(message, wParam, lParam, &result))
            result = WindowProc(message, wParam, lParam);
    }
    catch (...)
    {
        // A handler failed half-way; nothing sensible to add, and nothing may unwind into USER32.
        result = 0;
    }
    m_cur = saved;
    return result;
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = FromHandlePermanent(hWnd);
    if (pWnd == nullptr || pWnd->m_pfnSuper == nullptr)
    {
        auto pfnSuper = reinterpret_cast<WNDPROC>(::GetPropA(hWnd, kOrphanSuperProp));
        if (message == WM_NCDESTROY)
            ::RemovePropA(hWnd, kOrphanSuperProp);
        return pfnSuper ? ::CallWindowProcA(pfnSuper, hWnd, message, wParam, lParam)
                        : ::DefWindowProcA(hWnd, message, wParam, lParam);
    }
    LRESULT result = pWnd->Dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY && pWnd->m_hWnd == hWnd)
    {
        // The window is gone: unbind so the object can outlive it, then let it know.
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pWnd->m_pfnSuper));
        ::RemovePropA(hWnd, kObjectProp);
        pWnd->m_hWnd = nullptr;
        pWnd->m_pfnSuper = nullptr;
        pWnd->m_bOwnsWindow = false;
        try
        {
            pWnd->PostNcDestroy();
        }
        catch (...)
        {
        }
    }
    return result;
}
