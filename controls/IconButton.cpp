// CIconButton: attachment, icons, hover and default-button tracking, clicks and drawing.
#include "controls/IconButton.h"

#include <cstring>
#include <iterator>
#include <vector>

#include <commctrl.h>
#include <shellapi.h>

#include "win/DpiScale.h"

CIconButton::CIconButton()
{
    ResetColors(FALSE);
    SetLinkUrl(nullptr);
}

CIconButton::~CIconButton()
{
    ReleaseImages();
}

void CIconButton::PreSubclassWindow()
{
    const DWORD dwStyle = GetStyle();
    // BS_CHECKBOX, BS_AUTOCHECKBOX and the other types with that bit; not BS_OWNERDRAW, which
    // has it too and is what a button we attached before already is.
    if ((dwStyle & BS_CHECKBOX) && (dwStyle & BS_TYPEMASK) != BS_OWNERDRAW)
        m_bCheckMode = TRUE;
    if ((dwStyle & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
        m_bDefault = TRUE;
    ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW, SWP_FRAMECHANGED);
    CButton::PreSubclassWindow();
}

DWORD CIconButton::LoadIcons(UINT nIcon, UINT nRestingIcon)
{
    const HINSTANCE hInst = ::GetModuleHandleA(nullptr);
    // The sizes our icon resources hold: 32 at 96 dpi, the nearest of them at any other.
    static const int kSizes[] = {16, 20, 24, 32, 40, 48, 64};
    const int size =
        m_nDpi != 0 ? NearestSize(ScaleToDpi(32, m_nDpi), kSizes, std::size(kSizes)) : 0;
    auto load = [hInst, size](UINT nID)
    {
        return static_cast<HICON>(::LoadImageA(hInst, MAKEINTRESOURCEA(nID & 0xFFFF), IMAGE_ICON,
                                               size, size, LR_DEFAULTCOLOR));
    };
    HICON hResting = nullptr;
    if (nRestingIcon == IB_AUTO_GREY)
        hResting = reinterpret_cast<HICON>(static_cast<INT_PTR>(static_cast<int>(IB_AUTO_GREY)));
    else if (nRestingIcon != 0)
        hResting = load(nRestingIcon);
    const DWORD dwResult = AttachIcons(load(nIcon), hResting);
    m_anLoaded[0] = nIcon;
    m_anLoaded[1] = nRestingIcon;
    return dwResult;
}

void CIconButton::SetDpi(UINT dpi)
{
    m_nDpi = dpi;
    if (m_anLoaded[0] != 0)
        LoadIcons(m_anLoaded[0], m_anLoaded[1]);
}

BOOL CIconButton::FillSlot(IconSlot& slot, HICON hIcon)
{
    slot.hIcon.Reset(hIcon);
    ICONINFO ii = {};
    if (!::GetIconInfo(hIcon, &ii))
        return FALSE;
    slot.dwWidth = ii.xHotspot * 2;
    slot.dwHeight = ii.yHotspot * 2;
    if (ii.hbmMask != nullptr)
        ::DeleteObject(ii.hbmMask);
    if (ii.hbmColor != nullptr)
        ::DeleteObject(ii.hbmColor);
    return TRUE;
}

DWORD CIconButton::AttachIcons(HICON hIcon, HICON hRestingIcon)
{
    const HICON hAutoGrey =
        reinterpret_cast<HICON>(static_cast<INT_PTR>(static_cast<int>(IB_AUTO_GREY)));
    ReleaseImages();
    m_anLoaded[0] = m_anLoaded[1] = 0; // icons handed in cannot be loaded again at a new size
    if (hIcon != nullptr)
    {
        if (!FillSlot(m_icons[0], hIcon))
        {
            ReleaseImages();
            if (hRestingIcon != nullptr && hRestingIcon != hAutoGrey)
                ::DestroyIcon(hRestingIcon); // handed over with the refused one: ours to free
            return IB_BAD_IMAGE;
        }
        // A grey copy that cannot be made leaves the good icon to serve in every state.
        if (hRestingIcon == hAutoGrey)
            hRestingIcon = MakeGreyIcon(hIcon);
        if (hRestingIcon != nullptr && !FillSlot(m_icons[1], hRestingIcon))
        {
            ReleaseImages();
            return IB_BAD_IMAGE;
        }
    }
    else if (hRestingIcon != nullptr && hRestingIcon != hAutoGrey)
    {
        ::DestroyIcon(hRestingIcon); // ours now, and nowhere to show it
    }
    Invalidate(TRUE);
    return IB_OK;
}

void CIconButton::ReleaseImages()
{
    for (IconSlot& slot : m_icons)
    {
        slot.hIcon.Reset();
        slot.dwWidth = slot.dwHeight = 0;
    }
}

namespace
{
COLORREF GreyOf(COLORREF c)
{
    const auto grey =
        static_cast<BYTE>(0.299 * GetRValue(c) + 0.587 * GetGValue(c) + 0.114 * GetBValue(c));
    return RGB(grey, grey, grey);
}

// Greys a 32-bit bitmap (not selected anywhere) in place, black and the alpha bytes untouched.
bool GreyKeepingAlpha(CDC& dc, CBitmap& bmp, int cx, int cy)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = -cy; // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<RGBQUAD> pixels(static_cast<size_t>(cx) * static_cast<size_t>(cy));
    const HBITMAP hBmp = bmp.Get();
    if (::GetDIBits(dc.m_hDC, hBmp, 0, static_cast<UINT>(cy), pixels.data(), &bi, DIB_RGB_COLORS) !=
        cy)
        return false;
    for (RGBQUAD& q : pixels)
    {
        const COLORREF c = RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
        if (c != RGB(0, 0, 0))
            q.rgbRed = q.rgbGreen = q.rgbBlue = GetRValue(GreyOf(c));
    }
    return ::SetDIBits(dc.m_hDC, hBmp, 0, static_cast<UINT>(cy), pixels.data(), &bi,
                       DIB_RGB_COLORS) == cy;
}
} // namespace

HICON CIconButton::MakeGreyIcon(HICON hIcon)
{
    ICONINFO ii = {};
    if (!::GetIconInfo(hIcon, &ii))
        return nullptr;
    // The icon's own bitmaps are ours to delete whatever happens below.
    CBitmap bmpMask(ii.hbmMask), bmpColor(ii.hbmColor);
    CClientDC dcWindow(this);
    CMemoryDC dcSource, dcGrey;
    BITMAP bm = {};
    if (dcWindow.m_hDC == nullptr || !dcSource.CreateCompatibleDC(&dcWindow) ||
        !dcGrey.CreateCompatibleDC(&dcWindow) || bmpColor.Get() == nullptr ||
        bmpColor.GetBitmap(&bm) == 0)
        return nullptr;
    const int cx = static_cast<int>(ii.xHotspot * 2), cy = static_cast<int>(ii.yHotspot * 2);
    CBitmap bmpGrey;
    if (!bmpGrey.CreateBitmap(cx, cy, bm.bmPlanes, bm.bmBitsPixel, nullptr))
        return nullptr;
    {
        CSelectObject selSource(dcSource, bmpColor);
        CSelectObject selGrey(dcGrey, bmpGrey);
        dcGrey.BitBlt(0, 0, cx, cy, &dcSource, 0, 0, SRCCOPY);
        if (bm.bmBitsPixel != 32)
            for (int y = 0; y < cy; ++y)
                for (int x = 0; x < cx; ++x)
                {
                    const COLORREF c = dcGrey.GetPixel(x, y);
                    if (c != RGB(0, 0, 0)) // black outlines stay black
                        dcGrey.SetPixel(x, y, GreyOf(c));
                }
    }
    // SetPixel would clear the alpha byte of a 32-bit icon: its soft edge would go, and with one
    // opaque black pixel left every grey one would turn transparent. Grey the bytes, keep alpha.
    if (bm.bmBitsPixel == 32 && !GreyKeepingAlpha(dcWindow, bmpGrey, cx, cy))
        return nullptr;
    ICONINFO grey = {TRUE, 0, 0, bmpMask, bmpGrey};
    return ::CreateIconIndirect(&grey);
}

DWORD CIconButton::ResetColors(BOOL bRepaint)
{
    m_aColors[IBC_HOT_BK] = ::GetSysColor(COLOR_BTNFACE);
    m_aColors[IBC_HOT_TEXT] = ::GetSysColor(COLOR_BTNTEXT);
    m_aColors[IBC_IDLE_BK] = ::GetSysColor(COLOR_BTNFACE);
    m_aColors[IBC_IDLE_TEXT] = ::GetSysColor(COLOR_BTNTEXT);
    m_aColors[IBC_FOCUS_BK] = ::GetSysColor(COLOR_BTNFACE);
    m_aColors[IBC_FOCUS_TEXT] = ::GetSysColor(COLOR_BTNTEXT);
    if (bRepaint && m_hWnd != nullptr)
        Invalidate(TRUE);
    return 0;
}

DWORD CIconButton::SetLinkUrl(LPCSTR lpszUrl)
{
    std::memset(m_szLink, 0, sizeof m_szLink);
    if (lpszUrl == nullptr)
        return 0;
    // At most 259 bytes, cut between characters, so the address always ends in a zero.
    const char* pEnd = lpszUrl;
    while (*pEnd != '\0')
    {
        const char* pNext = ::CharNextA(pEnd);
        if (pNext - lpszUrl > static_cast<ptrdiff_t>(sizeof m_szLink - 1))
            break;
        pEnd = pNext;
    }
    std::memcpy(m_szLink, lpszUrl, static_cast<size_t>(pEnd - lpszUrl));
    return 0;
}

DWORD CIconButton::SetCheckState(int nCheck, BOOL bRepaint)
{
    if (!m_bCheckMode)
        return 0;
    m_nChecked = nCheck != 0 ? 1 : 0;
    if (bRepaint && m_hWnd != nullptr)
        Invalidate(TRUE);
    return 0;
}

void CIconButton::EndHover()
{
    if (!m_bHover)
        return;
    m_bHover = FALSE;
    Invalidate(TRUE);
}

void CIconButton::EnsureToolTip()
{
    if (m_tip.m_hWnd != nullptr)
        return;
    // Made once and switched off: no tool is ever added, so no tip ever shows.
    if (!m_tip.Create(this, 0))
        return;
    m_tip.Activate(FALSE);
    m_tip.SetMaxTipWidth(400);
}

BOOL CIconButton::PreTranslateMessage(MSG* pMsg)
{
    EnsureToolTip();
    if (m_tip.m_hWnd != nullptr)
        m_tip.RelayEvent(pMsg);
    return CButton::PreTranslateMessage(pMsg);
}

LRESULT CIconButton::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // An owner-drawn button reports a double click as BN_DOUBLECLICKED; as a second press it
    // gives the parent a second BN_CLICKED, as a push button would.
    if (message == WM_LBUTTONDBLCLK)
        message = WM_LBUTTONDOWN;
    return CButton::DefWindowProc(message, wParam, lParam);
}

LRESULT CIconButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_KILLFOCUS:
    case WM_CANCELMODE:
    {
        const LRESULT result = Default();
        EndHover();
        return result;
    }
    case WM_ACTIVATE:
    {
        const LRESULT result = Default();
        if (LOWORD(wParam) == WA_INACTIVE)
            EndHover();
        return result;
    }
    case WM_MOUSEMOVE:
        Default();
        OnMouseMove(static_cast<UINT>(wParam),
                    POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        return 0;
    case WM_ENABLE:
    {
        const LRESULT result = Default();
        if (!wParam)
            OnDisabled();
        return result;
    }
    case WM_GETDLGCODE:
        return Default() | (m_bDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case BM_SETSTYLE:
        return OnSetStyle(wParam, lParam);
    case WM_MOUSELEAVE:
        EndHover();
        return 0;
    case BM_SETCHECK:
        SetCheckState(wParam == BST_CHECKED || wParam == BST_INDETERMINATE ? 1 : 0, TRUE);
        return 0;
    case BM_GETCHECK:
        return GetCheckState();
    default:
        break;
    }
    return CButton::WindowProc(message, wParam, lParam);
}

BOOL CIconButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message)
    {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED)
            OnClicked();
        return FALSE; // the parent handles the click as well
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        // The system paints no background of its own: DrawItem paints every pixel.
        *pResult = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
        return TRUE;
    default:
        return CButton::OnChildNotify(message, wParam, lParam, pResult);
    }
}

LRESULT CIconButton::OnSetStyle(WPARAM wParam, LPARAM lParam)
{
    // The dialog manager moves the default state with BM_SETSTYLE; the window itself must stay
    // owner-drawn, so only the flag follows.
    const UINT nType = static_cast<UINT>(wParam & BS_TYPEMASK);
    if (nType == BS_DEFPUSHBUTTON)
        m_bDefault = TRUE;
    else if (nType == BS_PUSHBUTTON)
        m_bDefault = FALSE;
    return DefWindowProc(BM_SETSTYLE, (wParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW,
                         lParam);
}

void CIconButton::OnMouseMove(UINT nFlags, POINT point)
{
    ClientToScreen(&point);
    const HWND hUnder = ::WindowFromPoint(point);
    // A drag that enters from elsewhere does not light the button.
    if ((nFlags & MK_LBUTTON) && !m_bHover)
        return;
    if (hUnder != m_hWnd)
    {
        EndHover();
        return;
    }
    if (m_bHover)
        return;
    m_bHover = TRUE;
    Invalidate(TRUE);
    TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, m_hWnd, 0};
    ::_TrackMouseEvent(&tme);
}

void CIconButton::OnClicked()
{
    SetFocus();
    if (m_bCheckMode)
    {
        m_nChecked = m_nChecked ? 0 : 1;
        Invalidate(TRUE);
        return;
    }
    if (m_szLink[0] != '\0')
    {
        SHELLEXECUTEINFOA sei = {};
        sei.cbSize = sizeof sei;
        sei.fMask = SEE_MASK_FLAG_NO_UI;
        sei.lpVerb = "open";
        sei.lpFile = m_szLink;
        sei.nShow = SW_SHOWMAXIMIZED;
        ::ShellExecuteExA(&sei);
    }
}

void CIconButton::OnDisabled()
{
    // A disabled button cannot keep the keyboard: the next tab stop takes it, or the parent.
    const HWND hParent = ::GetParent(m_hWnd);
    HWND hNext = ::GetNextDlgTabItem(hParent, m_hWnd, FALSE);
    if (hNext == nullptr || hNext == m_hWnd)
        hNext = hParent;
    ::SetFocus(hNext);
    EndHover();
}

DWORD CIconButton::PaintFace(CDC* pDC, const CRect* pRect)
{
    const int slot = m_bHover || m_bPressed ? IBC_HOT_BK : m_bFocused ? IBC_FOCUS_BK : IBC_IDLE_BK;
    CBrush brush(m_aColors[slot]);
    pDC->FillRect(pRect, brush);
    return 0;
}

DWORD CIconButton::PaintFrame(CDC* pDC, const CRect* pRect)
{
    const COLORREF hl = ::GetSysColor(COLOR_BTNHIGHLIGHT), shadow = ::GetSysColor(COLOR_BTNSHADOW);
    if (m_bPressed)
        pDC->Draw3dRect(pRect, shadow, hl);
    else
        pDC->Draw3dRect(pRect, hl, shadow);
    return 0;
}

void CIconButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    CDC dc(lpDrawItemStruct->hDC);
    const UINT state = lpDrawItemStruct->itemState;
    m_bPressed = (state & ODS_SELECTED) != 0 || (m_bCheckMode && m_nChecked == 1);
    m_bFocused = state & ODS_FOCUS;
    m_bDisabled = state & ODS_DISABLED;

    const CRect rcItem(lpDrawItemStruct->rcItem);
    dc.SetBkMode(TRANSPARENT);
    PaintFace(&dc, &rcItem);
    if (m_bPressed || m_bHover)
        PaintFrame(&dc, &rcItem);

    std::string caption;
    GetWindowText(caption);
    CRect rcCaption = rcItem;
    if (m_icons[0].hIcon != nullptr)
        DrawIconImage(dc, !caption.empty(), rcItem, rcCaption);
    if (!caption.empty())
        DrawCaption(dc, caption, rcCaption);
}

CRect CIconButton::PlaceImage(bool bHasCaption, const CRect& rcItem, CRect& rcCaption,
                              DWORD dwWidth, DWORD dwHeight) const
{
    const int cx = static_cast<int>(dwWidth), cy = static_cast<int>(dwHeight);
    CRect rcImage = rcItem;
    if (bHasCaption)
    {
        rcImage.left += 3;
        rcCaption.left += cx + 3;
    }
    else
    {
        rcImage.left += (rcItem.Width() - cx) / 2;
    }
    rcImage.top += (rcItem.Height() - cy) / 2;
    if (m_bPressed && !m_bCheckMode)
        rcImage.OffsetRect(1, 1);
    return rcImage;
}

void CIconButton::DrawIconImage(CDC& dc, bool bHasCaption, const CRect& rcItem, CRect& rcCaption)
{
    const bool bActive = m_bCheckMode ? m_bPressed != FALSE : (m_bPressed || m_bHover);
    const IconSlot& slot = bActive || m_icons[1].hIcon == nullptr ? m_icons[0] : m_icons[1];
    const CRect rc = PlaceImage(bHasCaption, rcItem, rcCaption, slot.dwWidth, slot.dwHeight);
    ::DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(slot.hIcon.Get()), 0, rc.left,
                 rc.top, rc.Width(), rc.Height(),
                 DST_ICON | (m_bDisabled ? DSS_DISABLED : DSS_NORMAL));
}

void CIconButton::DrawCaption(CDC& dc, const std::string& caption, CRect rc)
{
    if (m_bPressed && !m_bCheckMode)
        rc.OffsetRect(1, 1);
    // Measure, then centre the measured block in what the icon left over.
    const CRect rcBounds = rc;
    dc.DrawText(caption.c_str(), -1, rc, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
    rc.OffsetRect((rcBounds.Width() - rc.Width()) / 2, (rcBounds.Height() - rc.Height()) / 2);
    dc.SetBkMode(TRANSPARENT);
    if (m_bDisabled)
    {
        // Embossed: a highlight copy one pixel down and right under the shadow-coloured text.
        rc.OffsetRect(1, 1);
        dc.SetTextColor(::GetSysColor(COLOR_BTNHIGHLIGHT));
        dc.DrawText(caption.c_str(), -1, rc, DT_WORDBREAK | DT_CENTER);
        rc.OffsetRect(-1, -1);
        dc.SetTextColor(::GetSysColor(COLOR_BTNSHADOW));
        dc.DrawText(caption.c_str(), -1, rc, DT_WORDBREAK | DT_CENTER);
        return;
    }
    const bool bHot = m_bHover || m_bPressed;
    dc.SetTextColor(m_aColors[bHot ? IBC_HOT_TEXT : IBC_IDLE_TEXT]);
    dc.SetBkColor(m_aColors[bHot ? IBC_HOT_BK : IBC_IDLE_BK]);
    dc.DrawText(caption.c_str(), -1, rc, DT_WORDBREAK | DT_CENTER);
}
