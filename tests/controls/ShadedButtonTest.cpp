// CShadedButton on the screen: the window's own pixels read back show the shaded face, the icon
// and caption in their places, the one-pixel press, the hover face and edges, the disabled
// look; and the sections, memory DCs and icons it makes are all gone when it is.
#include "controls/ShadedButton.h"

#include <gtest/gtest.h>

#include "ButtonTestDlg.h"
#include "ButtonTestPeers.h"
#include "res/resource.h"
#include "tests/common/ProcessMemory.h"
#include "tests/common/WindowPixels.h"

namespace
{
using Peer = CShadedButtonTestPeer;

const COLORREF kIconColor = RGB(200, 40, 120);

// The colour the surface shows at (x, y), y from the top.
COLORREF SurfaceColor(const CDibSurface& s, int x, int y)
{
    const auto index =
        s.Pixels()[static_cast<size_t>(s.Height() - 1 - y) * s.RowBytes() + static_cast<size_t>(x)];
    return s.Color(index);
}

RECT Offset(RECT rc, int dx, int dy)
{
    ::OffsetRect(&rc, dx, dy);
    return rc;
}

std::string Str(const RECT& rc)
{
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + "-" + std::to_string(rc.right) +
           "," + std::to_string(rc.bottom);
}

} // namespace

TEST(ShadedButton, FaceIconCaptionPressHoverAndDisabledAsTheWindowShowsThem)
{
    CButtonDlg dlg;
    CShadedButton& b = dlg.m_shaded;
    b.GenerateShade(ShadeRowCurve, 8, 10, 0, 0);
    ASSERT_EQ(b.AttachIcons(MakeTestIcon(kIconColor), nullptr), CIconButton::IB_OK);
    const CDibSurface& normal = Peer::Normal(b);
    const CDibSurface& hover = Peer::Hover(b);
    RECT rc;
    b.GetClientRect(&rc);
    const int W = rc.right, H = rc.bottom;
    ASSERT_EQ(normal.Width(), W);
    ASSERT_EQ(normal.Height(), H);
    const COLORREF text = ::GetSysColor(COLOR_BTNTEXT), hl = ::GetSysColor(COLOR_BTNHIGHLIGHT),
                   shadow = ::GetSysColor(COLOR_BTNSHADOW);
    // The caption's room starts where the icon ends (16 + 3 px); the disabled icon's highlight
    // copy reaches a pixel beyond, so the caption's ink is looked for a little further on.
    const RECT whole = {0, 0, W, H}, captionArea = {21, 0, W, H};
    const int xFace = W - 2; // a column neither icon nor caption reaches

    const CWindowPixels idle(b);
    for (int y = 0; y < H; ++y)
        ASSERT_EQ(idle.At(xFace, y), SurfaceColor(normal, xFace, y)) << "face row " << y;
    const RECT icon = idle.BoxOf(kIconColor, whole);
    const int iconTop = (H - 16) / 2;
    EXPECT_EQ(Str(icon), Str(RECT{3, iconTop, 19, iconTop + 16})) << "3 px in, centred";
    const RECT ink = idle.BoxOf(text, captionArea);
    ASSERT_NE(ink.right, 0) << "the caption is drawn";
    EXPECT_NEAR((ink.left + ink.right) / 2.0, (19 + W) / 2.0, 2.5) << Str(ink);
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, H / 2.0, 2.5) << Str(ink);
    EXPECT_EQ(Str(idle.BoxOf(shadow, whole)), Str(RECT{})) << "no edge at rest";
    EXPECT_EQ(Str(idle.BoxOf(hl, whole)), Str(RECT{}));

    // A keyboard press: icon and caption one pixel right and down, the face stays, a sunken
    // edge.
    b.SendMessage(BM_SETSTATE, TRUE);
    const CWindowPixels pressed(b);
    EXPECT_EQ(Str(pressed.BoxOf(kIconColor, whole)), Str(Offset(icon, 1, 1)));
    EXPECT_EQ(Str(pressed.BoxOf(text, captionArea)), Str(Offset(ink, 1, 1)));
    for (int y = 1; y < H - 1; ++y)
        ASSERT_EQ(pressed.At(xFace, y), SurfaceColor(normal, xFace, y)) << "pressed row " << y;
    EXPECT_EQ(pressed.At(0, 0), shadow);
    EXPECT_EQ(pressed.At(W - 1, H - 1), hl);
    b.SendMessage(BM_SETSTATE, FALSE);

    // The real cursor over it: the hover face and a raised edge; pressed there, the hover face
    // moves one pixel too.
    const POINT centre = CentreOf(b);
    ::SetCursorPos(centre.x, centre.y);
    ASSERT_TRUE(PumpUntil([&] { return CIconButtonTestPeer::Hover(b) != FALSE; }));
    const CWindowPixels hot(b);
    for (int y = 1; y < H - 1; ++y)
        ASSERT_EQ(hot.At(xFace, y), SurfaceColor(hover, xFace, y)) << "hover row " << y;
    EXPECT_NE(SurfaceColor(hover, xFace, H / 2), SurfaceColor(normal, xFace, H / 2));
    EXPECT_EQ(hot.At(0, 0), hl);
    EXPECT_EQ(hot.At(W - 1, H - 1), shadow);
    b.SendMessage(BM_SETSTATE, TRUE);
    const CWindowPixels hotPressed(b);
    for (int y = 2; y < H - 1; ++y)
        ASSERT_EQ(hotPressed.At(xFace, y), SurfaceColor(hover, xFace - 1, y - 1)) << "row " << y;
    b.SendMessage(BM_SETSTATE, FALSE);
    ::SetCursorPos(1200, 1000);
    ASSERT_TRUE(PumpUntil([&] { return CIconButtonTestPeer::Hover(b) == FALSE; }));

    // Disabled: an embossed caption and the icon in the system's disabled rendering.
    b.EnableWindow(FALSE);
    const CWindowPixels disabled(b);
    EXPECT_EQ(Str(disabled.BoxOf(kIconColor, whole)), Str(RECT{})) << "the icon is greyed";
    EXPECT_NE(disabled.BoxOf(shadow, icon).right, 0) << "but still there";
    EXPECT_EQ(Str(disabled.BoxOf(text, captionArea)), Str(RECT{}));
    const RECT dark = disabled.BoxOf(shadow, captionArea), light = disabled.BoxOf(hl, captionArea);
    ASSERT_NE(dark.right, 0);
    EXPECT_EQ(Str(light), Str(Offset(dark, 1, 1))) << "a highlight copy under the shadow one";
}

TEST(ShadedButton, SectionsMemoryDCsAndIconsGoWithTheButtonAndRepeatedShadingStaysFlat)
{
    using SPeer = CDibSurfaceTestPeer;
    HBITMAP hSections[2] = {};
    HDC hDCs[2] = {};
    HICON hIcons[2] = {};
    HWND hTip = nullptr;
    {
        CButtonDlg dlg;
        CShadedButton& b = dlg.m_shaded;
        b.GenerateShade(ShadeRowCurve, 8, 10, 0, 0);
        b.LoadIcons(IDI_START, CIconButton::IB_AUTO_GREY);
        auto paintBoth = [&]
        {
            for (BOOL bHover : {TRUE, FALSE})
            {
                CIconButtonTestPeer::Hover(b) = bHover;
                b.Invalidate(TRUE);
                b.UpdateWindow();
            }
        };
        paintBoth();
        const HBITMAP hFirst = SPeer::Section(Peer::Normal(b));
        const HDC hFirstDC = SPeer::MemDC(Peer::Normal(b));
        ASSERT_EQ(::GetObjectType(hFirst), static_cast<DWORD>(OBJ_BITMAP));
        ASSERT_EQ(::GetObjectType(hFirstDC), static_cast<DWORD>(OBJ_MEMDC));
        ASSERT_NE(SPeer::Section(Peer::Hover(b)), nullptr);

        b.GenerateShade(ShadeRowCurve, 8, 10, 0, 0);
        EXPECT_EQ(::GetObjectType(hFirst), 0u) << "a new shade drops the old section";
        EXPECT_EQ(::GetObjectType(hFirstDC), 0u);
        EXPECT_EQ(SPeer::Section(Peer::Normal(b)), nullptr) << "until the next paint";

        for (int i = 0; i < 50; ++i) // warm-up: caches and first-use allocations
        {
            b.GenerateShade(ShadeRowCurve, 8, 10, 0, 0);
            paintBoth();
        }
        const SIZE_T before = PrivateBytes();
        for (int i = 0; i < 1000; ++i)
        {
            b.GenerateShade(ShadeRowCurve, 8, 10, 0, 0);
            paintBoth();
        }
        const SIZE_T after = PrivateBytes();
        EXPECT_LT(after, before + 2 * 1024 * 1024) << "grew from " << before << " to " << after;

        MSG msg = {b.m_hWnd, WM_MOUSEMOVE, 0, 0, 0, {0, 0}};
        b.PreTranslateMessage(&msg);
        hTip = CIconButtonTestPeer::ToolTip(b);
        hSections[0] = SPeer::Section(Peer::Normal(b));
        hSections[1] = SPeer::Section(Peer::Hover(b));
        hDCs[0] = SPeer::MemDC(Peer::Normal(b));
        hDCs[1] = SPeer::MemDC(Peer::Hover(b));
        hIcons[0] = CIconButtonTestPeer::Icon(b, 0);
        hIcons[1] = CIconButtonTestPeer::Icon(b, 1);
        for (int i = 0; i < 2; ++i)
        {
            ASSERT_EQ(::GetObjectType(hSections[i]), static_cast<DWORD>(OBJ_BITMAP));
            ASSERT_EQ(::GetObjectType(hDCs[i]), static_cast<DWORD>(OBJ_MEMDC));
            ASSERT_NE(hIcons[i], nullptr);
        }
        ASSERT_TRUE(::IsWindow(hTip));
    }
    for (int i = 0; i < 2; ++i)
    {
        EXPECT_EQ(::GetObjectType(hSections[i]), 0u) << "section " << i;
        EXPECT_EQ(::GetObjectType(hDCs[i]), 0u) << "memory DC " << i;
        ICONINFO ii = {};
        EXPECT_FALSE(::GetIconInfo(hIcons[i], &ii)) << "icon " << i;
    }
    EXPECT_FALSE(::IsWindow(hTip));
}
