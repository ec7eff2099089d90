// CIconButton towards the dialog manager and the user: default-button tracking, clicks, the
// double click, focus hand-over on disable, hover and what ends it, check-box mode, icons
// (grey copies, bad ids, refused icons), the link address and the tooltip.
#include "controls/IconButton.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ButtonTestDlg.h"
#include "ButtonTestPeers.h"
#include "res/resource.h"

namespace
{
using Peer = CIconButtonTestPeer;

LRESULT DlgCode(HWND hWnd)
{
    return ::SendMessageA(hWnd, WM_GETDLGCODE, 0, 0);
}

bool IconIsAlive(HICON hIcon)
{
    ICONINFO ii = {};
    if (!::GetIconInfo(hIcon, &ii))
        return false;
    ::DeleteObject(ii.hbmColor);
    ::DeleteObject(ii.hbmMask);
    return true;
}

BITMAPINFO TopDown32By16()
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 16;
    bi.bmiHeader.biHeight = -16;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

// The 16 x 16 colour pixels of an icon, top row first, alpha included.
std::vector<RGBQUAD> IconPixels(HICON hIcon)
{
    std::vector<RGBQUAD> pixels(16 * 16);
    ICONINFO ii = {};
    if (!::GetIconInfo(hIcon, &ii))
        return {};
    BITMAPINFO bi = TopDown32By16();
    HDC hdc = ::GetDC(nullptr);
    ::GetDIBits(hdc, ii.hbmColor, 0, 16, pixels.data(), &bi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, hdc);
    ::DeleteObject(ii.hbmColor);
    ::DeleteObject(ii.hbmMask);
    return pixels;
}

// A 32-bit icon with a soft edge: half-transparent colour, one opaque black pixel at (0, 0).
HICON MakeAlphaIcon(BYTE red, BYTE green, BYTE blue)
{
    BITMAPINFO bi = TopDown32By16();
    void* pBits = nullptr;
    HBITMAP hColor = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    auto* pixels = static_cast<RGBQUAD*>(pBits);
    for (int i = 0; i < 16 * 16; ++i)
        pixels[i] = {blue, green, red, 0x80};
    pixels[0] = {0, 0, 0, 0xFF};
    const WORD zeros[16] = {};
    HBITMAP hMask = ::CreateBitmap(16, 16, 1, 1, zeros);
    ICONINFO ii = {TRUE, 0, 0, hMask, hColor};
    HICON hIcon = ::CreateIconIndirect(&ii);
    ::DeleteObject(hMask);
    ::DeleteObject(hColor);
    return hIcon;
}
} // namespace

TEST(IconButton, DefaultStateFollowsTheDialogManagerWhileTheWindowStaysOwnerDrawn)
{
    CButtonDlg dlg;
    const HWND hGo = dlg.Item(IDC_BT_SHADED), hPlain = dlg.Item(IDC_BT_PLAIN);
    EXPECT_TRUE(DlgCode(hGo) & DLGC_DEFPUSHBUTTON) << "a DEFPUSHBUTTON starts as the default";
    EXPECT_FALSE(DlgCode(hGo) & DLGC_UNDEFPUSHBUTTON);
    EXPECT_TRUE(DlgCode(hPlain) & DLGC_UNDEFPUSHBUTTON);

    struct Step
    {
        WPARAM style;
        bool bDefault;
    } steps[] = {{BS_PUSHBUTTON, false},
                 {BS_CHECKBOX, false},
                 {BS_DEFPUSHBUTTON | BS_MULTILINE, true},
                 {BS_AUTORADIOBUTTON, true}};
    for (const Step& s : steps)
    {
        ::SendMessageA(hGo, BM_SETSTYLE, s.style, TRUE);
        const LRESULT code = DlgCode(hGo);
        EXPECT_EQ((code & DLGC_DEFPUSHBUTTON) != 0, s.bDefault) << "style " << s.style;
        EXPECT_EQ((code & DLGC_UNDEFPUSHBUTTON) != 0, !s.bDefault) << "style " << s.style;
        EXPECT_EQ(::GetWindowLongA(hGo, GWL_STYLE) & 0x1F, BS_OWNERDRAW) << "style " << s.style;
    }

    // The dialog manager moves the default by itself once the buttons answer it.
    dlg.SendMessage(DM_SETDEFID, IDC_BT_PLAIN);
    EXPECT_TRUE(DlgCode(hPlain) & DLGC_DEFPUSHBUTTON);
    EXPECT_TRUE(DlgCode(hGo) & DLGC_UNDEFPUSHBUTTON);
}

TEST(IconButton, ClicksTakeTheFocusFirstAndADoubleClickIsTwoClicks)
{
    CButtonDlg dlg;
    const HWND hPlain = dlg.Item(IDC_BT_PLAIN);
    ::SetFocus(dlg.Item(IDC_BT_EDIT));
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BT_PLAIN, BN_CLICKED),
                    reinterpret_cast<LPARAM>(hPlain));
    ASSERT_EQ(dlg.m_clicks.size(), 1u);
    EXPECT_EQ(dlg.m_clicks[0].first, IDC_BT_PLAIN);
    EXPECT_EQ(dlg.m_clicks[0].second, hPlain) << "the button has the focus when the parent acts";

    dlg.m_clicks.clear();
    const LPARAM at = MAKELPARAM(10, 8);
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        ::PostMessageA(hPlain, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
    dlg.PumpPosted();
    EXPECT_EQ(dlg.m_clicks.size(), 2u);
}

TEST(IconButton, DisablingHandsTheFocusToTheNextTabStopOrElseTheParent)
{
    CButtonDlg dlg;
    ::SetFocus(dlg.Item(IDC_BT_EDIT));
    dlg.m_plain.EnableWindow(FALSE); // it never had the focus
    EXPECT_EQ(::GetFocus(), dlg.Item(IDC_BT_CHECK));

    dlg.m_check.EnableWindow(FALSE);
    EXPECT_EQ(::GetFocus(), dlg.Item(IDC_BT_EDIT));

    ::EnableWindow(dlg.Item(IDC_BT_EDIT), FALSE);
    dlg.m_last.EnableWindow(FALSE);
    EXPECT_EQ(::GetFocus(), dlg.Item(IDC_BT_SHADED)) << "the tab order wraps round";
    dlg.m_shaded.EnableWindow(FALSE);
    EXPECT_EQ(::GetFocus(), dlg.m_hWnd) << "no tab stop is left";
}

TEST(IconButton, HoverFollowsTheRealCursorAndEveryListedEventEndsIt)
{
    CButtonDlg dlg;
    CIconButton& b = dlg.m_plain;
    const POINT centre = CentreOf(b);
    POINT client = centre;
    b.ScreenToClient(&client);

    // Entering with the left button already held (a drag from elsewhere) lights nothing.
    ::PostMessageA(b, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.x, client.y));
    dlg.PumpPosted();
    EXPECT_FALSE(Peer::Hover(b));

    ::SetCursorPos(centre.x, centre.y);
    ASSERT_TRUE(PumpUntil([&] { return Peer::Hover(b) != FALSE; })) << "cursor over the button";
    ::SetCursorPos(1200, 1000);
    ASSERT_TRUE(PumpUntil([&] { return Peer::Hover(b) == FALSE; })) << "the leave notice";

    struct Event
    {
        const char* what;
        UINT message;
        WPARAM wParam;
        bool bStillHovered;
    } events[] = {
        {"WM_KILLFOCUS", WM_KILLFOCUS, 0, false},
        {"WM_CANCELMODE", WM_CANCELMODE, 0, false},
        {"WM_ACTIVATE inactive", WM_ACTIVATE, WA_INACTIVE, false},
        {"WM_ACTIVATE active", WM_ACTIVATE, WA_ACTIVE, true},
        {"WM_MOUSELEAVE", WM_MOUSELEAVE, 0, false},
        {"a move elsewhere", WM_MOUSEMOVE, 0, false},
    };
    for (const Event& e : events)
    {
        Peer::Hover(b) = TRUE;
        // A move is told apart by where it lands: outside the button's window.
        const LPARAM lParam = e.message == WM_MOUSEMOVE ? MAKELPARAM(client.x + 500, 5) : 0;
        b.SendMessage(e.message, e.wParam, lParam);
        EXPECT_EQ(Peer::Hover(b) != FALSE, e.bStillHovered) << e.what;
    }
    Peer::Hover(b) = TRUE;
    b.EnableWindow(FALSE);
    EXPECT_FALSE(Peer::Hover(b)) << "disabled";
}

TEST(IconButton, CheckModeFollowsClicksAndBmSetCheckOnlyInACheckBox)
{
    CButtonDlg dlg;
    const HWND hCheck = dlg.Item(IDC_BT_CHECK);
    EXPECT_EQ(::GetWindowLongA(hCheck, GWL_STYLE) & 0x1F, BS_OWNERDRAW);
    struct Set
    {
        WPARAM wParam;
        int nExpected;
    } sets[] = {{BST_CHECKED, 1}, {BST_UNCHECKED, 0}, {BST_INDETERMINATE, 1}, {3, 0}, {7, 0}};
    for (const Set& s : sets)
    {
        ::SendMessageA(hCheck, BM_SETCHECK, s.wParam, 0);
        EXPECT_EQ(::SendMessageA(hCheck, BM_GETCHECK, 0, 0), s.nExpected) << "wParam " << s.wParam;
    }
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BT_CHECK, BN_CLICKED),
                    reinterpret_cast<LPARAM>(hCheck));
    EXPECT_EQ(dlg.m_check.GetCheckState(), 1) << "a click flips the check";
    EXPECT_EQ(dlg.m_clicks.size(), 1u) << "and still reaches the parent";
    dlg.m_check.SetCheckState(0, FALSE);
    EXPECT_EQ(dlg.m_check.GetCheckState(), 0);

    const HWND hPlain = dlg.Item(IDC_BT_PLAIN);
    ::SendMessageA(hPlain, BM_SETCHECK, BST_CHECKED, 0);
    dlg.m_plain.SetCheckState(1, FALSE);
    EXPECT_EQ(::SendMessageA(hPlain, BM_GETCHECK, 0, 0), 0) << "a push button has no check";
}

TEST(IconButton, IconsGreyCopiesBadIdsAndRefusedIcons)
{
    CButtonDlg dlg;
    CIconButton& b = dlg.m_plain;
    const COLORREF kColor = RGB(200, 40, 120);
    const HICON hAutoGrey =
        reinterpret_cast<HICON>(static_cast<INT_PTR>(static_cast<int>(CIconButton::IB_AUTO_GREY)));
    ASSERT_EQ(b.AttachIcons(MakeTestIcon(kColor), hAutoGrey), CIconButton::IB_OK);
    ASSERT_NE(Peer::Icon(b, 1), nullptr) << "a grey resting icon";
    EXPECT_EQ(Peer::IconWidth(b, 1), 16u);
    ICONINFO ii = {};
    ASSERT_TRUE(::GetIconInfo(Peer::Icon(b, 1), &ii));
    HDC hdc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ hOld = ::SelectObject(hdc, ii.hbmColor);
    EXPECT_EQ(::GetPixel(hdc, 0, 0), RGB(0, 0, 0)) << "pure black stays black";
    const BYTE grey = static_cast<BYTE>(0.299 * 200 + 0.587 * 40 + 0.114 * 120);
    EXPECT_EQ(::GetPixel(hdc, 5, 5), RGB(grey, grey, grey));
    ::SelectObject(hdc, hOld);
    ::DeleteDC(hdc);
    ::DeleteObject(ii.hbmColor);
    ::DeleteObject(ii.hbmMask);

    // A monochrome icon has no colour bitmap to grey: it stays, alone.
    const BYTE andBits[32] = {}, xorBits[32] = {0xFF, 0xFF};
    const HICON hMono = ::CreateIcon(nullptr, 16, 16, 1, 1, andBits, xorBits);
    ASSERT_EQ(b.AttachIcons(hMono, hAutoGrey), CIconButton::IB_OK);
    EXPECT_EQ(Peer::Icon(b, 0), hMono);
    EXPECT_EQ(Peer::Icon(b, 1), nullptr);

    EXPECT_EQ(b.LoadIcons(IDI_START, 0), CIconButton::IB_OK);
    EXPECT_EQ(Peer::IconWidth(b, 0), 32u) << "the resource's leading image";
    EXPECT_EQ(Peer::Icon(b, 1), nullptr);

    EXPECT_EQ(b.LoadIcons(4242, 0), CIconButton::IB_OK) << "no such icon: no icon, no error";
    EXPECT_EQ(Peer::Icon(b, 0), nullptr);

    const HICON hBogus = reinterpret_cast<HICON>(static_cast<INT_PTR>(0x7770));
    EXPECT_EQ(b.AttachIcons(hBogus, nullptr), CIconButton::IB_BAD_IMAGE);
    EXPECT_EQ(Peer::Icon(b, 0), nullptr);
    for (bool bBogusFirst : {false, true})
    {
        const HICON hGood = MakeTestIcon(kColor);
        EXPECT_EQ(bBogusFirst ? b.AttachIcons(hBogus, hGood) : b.AttachIcons(hGood, hBogus),
                  CIconButton::IB_BAD_IMAGE);
        EXPECT_EQ(Peer::Icon(b, 0), nullptr);
        EXPECT_FALSE(IconIsAlive(hGood)) << "a refused pair is destroyed whole, " << bBogusFirst;
    }

    // A 32-bit icon keeps its alpha in the grey copy: its soft edge stays, and the one opaque
    // black pixel does not make every grey pixel transparent.
    ASSERT_EQ(b.AttachIcons(MakeAlphaIcon(200, 40, 120), hAutoGrey), CIconButton::IB_OK);
    const std::vector<RGBQUAD> px = IconPixels(Peer::Icon(b, 1));
    ASSERT_EQ(px.size(), 256u);
    EXPECT_EQ(px[0].rgbRed + px[0].rgbGreen + px[0].rgbBlue, 0);
    EXPECT_EQ(px[0].rgbReserved, 0xFF);
    EXPECT_EQ(px[5 * 16 + 5].rgbRed, grey);
    EXPECT_EQ(px[5 * 16 + 5].rgbBlue, grey);
    EXPECT_EQ(px[5 * 16 + 5].rgbReserved, 0x80) << "the grey copy lost its alpha";
}

TEST(IconButton, LinkAddressEndsWithinItsBufferAndTheTooltipIsMadeOnce)
{
    CIconButton b;
    const std::string longUrl(300, 'a');
    b.SetLinkUrl(longUrl.c_str());
    EXPECT_EQ(std::strlen(Peer::Link(b)), 259u) << "cut, and terminated";
    const std::string exact(259, 'b');
    b.SetLinkUrl(exact.c_str());
    EXPECT_EQ(Peer::Link(b), exact);
    b.SetLinkUrl(nullptr);
    EXPECT_STREQ(Peer::Link(b), "");

    CButtonDlg dlg;
    MSG msg = {dlg.m_plain.m_hWnd, WM_MOUSEMOVE, 0, 0, 0, {0, 0}};
    dlg.m_plain.PreTranslateMessage(&msg);
    const HWND hTip = Peer::ToolTip(dlg.m_plain);
    ASSERT_NE(hTip, nullptr);
    char cls[64] = "";
    ::GetClassNameA(hTip, cls, sizeof cls);
    EXPECT_STREQ(cls, TOOLTIPS_CLASSA);
    dlg.m_plain.PreTranslateMessage(&msg);
    EXPECT_EQ(Peer::ToolTip(dlg.m_plain), hTip);
}
