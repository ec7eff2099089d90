// GetWindowDpi and CDpiLayout: the dialog manager's mapping of dialog units, done again with
// the font's 96-dpi metrics and scaled, so a window is its 96-dpi look enlarged in proportion
// (the dialog manager's own whole-pixel base units would stretch it unevenly).
#include "win/Dpi.h"

#include <algorithm>

#include <shellscalingapi.h>

#include "win/Dc.h"

namespace
{
// An export of user32 that older systems lack, or null.
template <class TFunction> TFunction User32Function(const char* pszName)
{
    const FARPROC proc = ::GetProcAddress(::GetModuleHandleA("user32.dll"), pszName);
    return reinterpret_cast<TFunction>(reinterpret_cast<void*>(proc));
}

// The dialog manager's base units for a font: its average letter width and its height.
SIZE BaseUnits(const LOGFONTA& lf)
{
    SIZE base = {0, 0};
    CClientDC dc(nullptr); // the screen's
    const CFont font(::CreateFontIndirectA(&lf));
    const CSelectObject selFont(dc, font);
    TEXTMETRICA tm = {};
    SIZE letters = {};
    const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    if (::GetTextMetricsA(dc, &tm) && ::GetTextExtentPoint32A(dc, kLetters, 52, &letters))
        base = {(letters.cx / 26 + 1) / 2, tm.tmHeight};
    return base;
}

// shcore's GetDpiForMonitor (Windows 8.1 on), or null.
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, MONITOR_DPI_TYPE, UINT*, UINT*);
GetDpiForMonitorFn ShcoreGetDpiForMonitor()
{
    const HMODULE hShcore = ::LoadLibraryExA("shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const FARPROC proc = hShcore ? ::GetProcAddress(hShcore, "GetDpiForMonitor") : nullptr;
    return reinterpret_cast<GetDpiForMonitorFn>(reinterpret_cast<void*>(proc));
}

RECT WorkAreaAt(const RECT& rc)
{
    MONITORINFO mi = {sizeof mi, {}, {}, 0};
    ::GetMonitorInfoA(::MonitorFromRect(&rc, MONITOR_DEFAULTTONEAREST), &mi);
    return mi.rcWork;
}

PixelSize SizeOf(const RECT& rc)
{
    return {rc.right - rc.left, rc.bottom - rc.top};
}

// What the window's frame (caption, borders, menu) adds to its client area.
PixelSize FrameOf(HWND hWnd)
{
    RECT rcWindow, rcClient;
    ::GetWindowRect(hWnd, &rcWindow);
    ::GetClientRect(hWnd, &rcClient);
    return {rcWindow.right - rcWindow.left - rcClient.right,
            rcWindow.bottom - rcWindow.top - rcClient.bottom};
}

// The user is dragging or sizing hWnd: only the drag decides where it goes.
bool IsInMoveLoop(HWND hWnd)
{
    GUITHREADINFO gti = {};
    gti.cbSize = sizeof gti;
    return ::GetGUIThreadInfo(::GetWindowThreadProcessId(hWnd, nullptr), &gti) &&
           (gti.flags & GUI_INMOVESIZE) && gti.hwndMoveSize == hWnd;
}

// x moved as little as needed for [x, x + cx) to lie within [lo, hi), or to start at lo.
LONG KeptWithin(LONG x, LONG cx, LONG lo, LONG hi)
{
    return std::max(lo, std::min(x, hi - cx));
}

LOGFONTA FontOf(HWND hWnd)
{
    LOGFONTA lf = {};
    const HGDIOBJ hFont = reinterpret_cast<HGDIOBJ>(::SendMessageA(hWnd, WM_GETFONT, 0, 0));
    ::GetObjectA(hFont != nullptr ? hFont : ::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    return lf;
}
} // namespace

UINT GetWindowDpi(HWND hWnd)
{
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto pfnGetDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (pfnGetDpiForWindow != nullptr)
        if (const UINT dpi = pfnGetDpiForWindow(hWnd))
            return dpi;
    static const auto pfnGetDpiForMonitor = ShcoreGetDpiForMonitor();
    UINT dpiX = 0, dpiY = 0;
    if (pfnGetDpiForMonitor != nullptr &&
        SUCCEEDED(pfnGetDpiForMonitor(::MonitorFromWindow(hWnd, MONITOR_DEFAULTTONEAREST),
                                      MDT_EFFECTIVE_DPI, &dpiX, &dpiY)) &&
        dpiY != 0)
        return dpiY;
    HDC hdc = ::GetDC(hWnd);
    const int dpi = ::GetDeviceCaps(hdc, LOGPIXELSY);
    ::ReleaseDC(hWnd, hdc);
    return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

RECT ScaleRectToDpi(const RECT& rc96, UINT dpi)
{
    return {ScaleToDpi(rc96.left, dpi), ScaleToDpi(rc96.top, dpi), ScaleToDpi(rc96.right, dpi),
            ScaleToDpi(rc96.bottom, dpi)};
}

BOOL CDpiLayout::Attach(HWND hDlg, UINT nIDTemplate)
{
    m_hDlg = hDlg;
    m_children.clear();
    const HRSRC hRes = ::FindResourceA(nullptr, MAKEINTRESOURCEA(nIDTemplate), RT_DIALOG);
    const void* pTemplate =
        hRes != nullptr ? ::LockResource(::LoadResource(nullptr, hRes)) : nullptr;
    DialogGeometry geometry;
    if (pTemplate == nullptr ||
        !ReadDialogGeometry(static_cast<const std::uint8_t*>(pTemplate),
                            ::SizeofResource(nullptr, hRes), geometry) ||
        geometry.pointSize == 0)
        return FALSE;

    // The template's font at 96 dpi gives the base units of the 96-dpi look.
    m_nPointSize = geometry.pointSize;
    m_nCreatedDpi = GetWindowDpi(hDlg);
    LOGFONTA lf = FontOf(hDlg);
    lf.lfHeight = -::MulDiv(m_nPointSize, kBaseDpi, 72);
    const SIZE base = BaseUnits(lf);
    auto px = [&base](int x, int y) {
        return POINT{DialogUnitsToPixels(x, base.cx, 4), DialogUnitsToPixels(y, base.cy, 8)};
    };
    const POINT client = px(geometry.cx, geometry.cy);
    m_client96 = {client.x, client.y};
    // The dialog manager made the children in template order, each after the one before.
    HWND hChild = ::GetWindow(hDlg, GW_CHILD);
    for (const DialogItemGeometry& item : geometry.items)
    {
        if (hChild == nullptr ||
            (static_cast<unsigned>(::GetDlgCtrlID(hChild)) & 0xFFFF) != (item.id & 0xFFFF))
            break;
        const POINT topLeft = px(item.x, item.y), size = px(item.cx, item.cy);
        m_children.push_back(
            {hChild, {topLeft.x, topLeft.y, topLeft.x + size.x, topLeft.y + size.y}});
        hChild = ::GetWindow(hChild, GW_HWNDNEXT);
    }
    if (base.cx == 0 || m_children.size() != geometry.items.size())
    {
        m_children.clear();
        return FALSE;
    }
    // Left to itself, the dialog manager of Windows 10 rescales a dialog that changes monitors
    // by its own rounding; we do it here.
    using SetBehaviorFn =
        BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
    if (const auto pfnSet = User32Function<SetBehaviorFn>("SetDialogDpiChangeBehavior"))
        pfnSet(hDlg, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
    return TRUE;
}

UINT CDpiLayout::FitToWorkArea(UINT dpi)
{
    RECT rc;
    ::GetWindowRect(m_hDlg, &rc);
    const RECT rcWork = WorkAreaAt(rc);
    const PixelSize size = SizeOf(rc), work = SizeOf(rcWork);
    if (m_children.empty() || (dpi == kBaseDpi && size.cx <= work.cx && size.cy <= work.cy))
    {
        ::SetWindowPos(m_hDlg, nullptr, KeptWithin(rc.left, size.cx, rcWork.left, rcWork.right),
                       KeptWithin(rc.top, size.cy, rcWork.top, rcWork.bottom), 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return dpi;
    }
    return Place(dpi, rc);
}

UINT CDpiLayout::Place(UINT dpi, const RECT& rcWanted)
{
    if (m_children.empty()) // the dialog manager lays it out: it takes the place as given
    {
        ::SetWindowPos(m_hDlg, nullptr, rcWanted.left, rcWanted.top, rcWanted.right - rcWanted.left,
                       rcWanted.bottom - rcWanted.top, SWP_NOZORDER | SWP_NOACTIVATE);
        return dpi;
    }
    // The frame as Windows draws it at the window's DPI now: where it does not scale the caption
    // (per-monitor v1), a window sized in proportion would cut off the client's bottom row. Where
    // it does (per-monitor v2), the frame takes the new DPI's size only as the window is sized,
    // so it is measured again then, and the window sized once more if it changed.
    PixelSize frame = FrameOf(m_hDlg);
    const RECT rcWork = WorkAreaAt(rcWanted);
    const bool bDragged = IsInMoveLoop(m_hDlg);
    UINT fit = dpi;
    for (int pass = 0; pass < 2; ++pass)
    {
        fit = FitDpi(dpi, {m_client96.cx, m_client96.cy}, frame, SizeOf(rcWork));
        const SIZE client = ClientSize(fit);
        const int cx = frame.cx + client.cx, cy = frame.cy + client.cy;
        LONG x = rcWanted.left, y = rcWanted.top;
        if (!bDragged)
        {
            x = KeptWithin(x, cx, rcWork.left, rcWork.right);
            y = KeptWithin(y, cy, rcWork.top, rcWork.bottom);
        }
        ::SetWindowPos(m_hDlg, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
        const PixelSize now = FrameOf(m_hDlg);
        if (now.cx == frame.cx && now.cy == frame.cy)
            break;
        frame = now;
    }
    ScaleTo(fit);
    return fit;
}

SIZE CDpiLayout::ClientSize(UINT dpi) const
{
    return {ScaleToDpi(m_client96.cx, dpi), ScaleToDpi(m_client96.cy, dpi)};
}

void CDpiLayout::ScaleTo(UINT dpi)
{
    // The dialog manager's font where it was made for this DPI, else the same face at dpi.
    CFont font;
    HFONT hFont = reinterpret_cast<HFONT>(::SendMessageA(m_hDlg, WM_GETFONT, 0, 0));
    if (dpi != m_nCreatedDpi)
    {
        LOGFONTA lf = FontOf(m_hDlg);
        lf.lfHeight = -::MulDiv(m_nPointSize, static_cast<int>(dpi), 72);
        font.Reset(::CreateFontIndirectA(&lf));
        hFont = font;
    }
    for (const Child& child : m_children)
    {
        const RECT rc = ScaleRectToDpi(child.rc96, dpi);
        ::SetWindowPos(child.hWnd, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageA(child.hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
    }
    m_font = std::move(font); // the font the children showed until now goes only now
}
