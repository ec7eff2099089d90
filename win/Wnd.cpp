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

// Wrappers for windows nobody bound, handed out by FromHandle. Kept per thread and HWND so that
// a pointer a caller holds stays valid; windows that died are dropped once the map grows.
using TempMap = std::unordered_map<HWND, std::unique_ptr<CWnd>>;

void WINAPI FreeTempMap(void* pMap)
{
    std::unique_ptr<TempMap> map(static_cast<TempMap*>(pMap));
    // Never bound: nothing of USER32 to undo, and the thread may be past using it.
    if (map)
        for (auto& entry : *map)
            entry.second->m_hWnd = nullptr;
}

// This thread's map, in a fiber-local slot whose callback frees it when the thread ends. Not a
// thread_local with a destructor: under mingw-w64's runtime, one used on two threads corrupted
// the heap by the time the process exited.
TempMap& ThreadTempMap(BOOL(WINAPI* pfnFlsSetValue)(DWORD, PVOID))
{
    static const DWORD s_nSlot = ::FlsAlloc(&FreeTempMap);
    // No slot to be had, or none to set: kept until the process ends, but made once a thread.
    thread_local TempMap* t_pFallback = nullptr;
    TempMap* pMap =
        s_nSlot != FLS_OUT_OF_INDEXES ? static_cast<TempMap*>(::FlsGetValue(s_nSlot)) : nullptr;
    if (pMap == nullptr)
        pMap = t_pFallback;
    if (pMap == nullptr)
    {
        auto map = std::make_unique<TempMap>();
        if (s_nSlot != FLS_OUT_OF_INDEXES && pfnFlsSetValue(s_nSlot, map.get()))
            pMap = map.release();
        else
            pMap = t_pFallback = map.release();
    }
    return *pMap;
}

void PruneDeadTemps(TempMap& temps)
{
    for (auto it = temps.begin(); it != temps.end();)
        it = ::IsWindow(it->first) ? std::next(it) : temps.erase(it);
}
} // namespace

BOOL(WINAPI* CWnd::s_pfnFlsSetValue)(DWORD, PVOID) = ::FlsSetValue;

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
    TempMap& temps = ThreadTempMap(s_pfnFlsSetValue);
    const auto found = temps.find(hWnd);
    if (found != temps.end())
        return found->second.get();
    // Pruned before the new wrapper goes in: a handle of a window that is already gone would
    // otherwise be pruned with the others the moment it was added.
    if (temps.size() >= 64)
        PruneDeadTemps(temps);
    auto pTemp = std::make_unique<CWnd>();
    pTemp->m_hWnd = hWnd;
    return temps.emplace(hWnd, std::move(pTemp)).first->second.get();
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
    if (m_pfnSuper != nullptr)
        return UnsubclassWindow();
    return Unbind();
}

HWND CWnd::Unbind()
{
    HWND hWnd = m_hWnd;
    if (hWnd != nullptr && ::GetPropA(hWnd, kObjectProp) == this)
        ::RemovePropA(hWnd, kObjectProp);
    m_hWnd = nullptr;
    m_pfnSuper = nullptr;
    m_bOwnsWindow = false;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!Attach(hWnd))
        return FALSE;
    PreSubclassWindow();
    // Our procedure still sits lower in the chain, left there by an object that could not
    // unsubclass: take that link over. A second one on top would reach the first through the
    // later subclasser and hand every message to this object again, without end.
    if (auto pfnOrphanSuper = reinterpret_cast<WNDPROC>(::RemovePropA(hWnd, kOrphanSuperProp)))
    {
        m_pfnSuper = pfnOrphanSuper;
        return TRUE;
    }
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
    return Unbind();
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
        Unbind();
    return bOk;
}

namespace
{
std::string TextOfWindow(HWND hWnd)
{
    std::string text(static_cast<size_t>(::GetWindowTextLengthA(hWnd)), '\0');
    // The length may be an upper bound (multibyte text); trust what is copied.
    int n = text.empty() ? 0 : ::GetWindowTextA(hWnd, &text[0], static_cast<int>(text.size()) + 1);
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    return text;
}

BOOL ModifyLong(HWND hWnd, int nIndex, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    DWORD dwOld = static_cast<DWORD>(::GetWindowLongPtrA(hWnd, nIndex));
    DWORD dwNew = (dwOld & ~dwRemove) | dwAdd;
    if (dwNew == dwOld)
        return FALSE;
    ::SetWindowLongPtrA(hWnd, nIndex, static_cast<LONG_PTR>(dwNew));
    if (nFlags != 0)
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

// The executable's name without folder and extension: the caption of our message boxes.
std::string ProgramName()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path);
    name.erase(0, name.find_last_of("\\/") + 1);
    std::string::size_type dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}
} // namespace

int CWnd::GetDlgItemText(int nID, std::string& rString) const
{
    rString = TextOfWindow(::GetDlgItem(m_hWnd, nID));
    return static_cast<int>(rString.size());
}

int CWnd::GetWindowText(std::string& rString) const
{
    rString = TextOfWindow(m_hWnd);
    return static_cast<int>(rString.size());
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyLong(m_hWnd, GWL_STYLE, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyLong(m_hWnd, GWL_EXSTYLE, dwRemove, dwAdd, nFlags);
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    std::string caption = lpszCaption ? lpszCaption : ProgramName();
    return ::MessageBoxA(m_hWnd, lpszText, caption.c_str(), nType);
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
        pWnd->Unbind();
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
