// CLedIndicator: the composed pixels over a known background, the centring rules and the
// flash sequence driven by WM_TIMER sent directly.
#include "controls/LedIndicator.h"

#include <gtest/gtest.h>

#include "res/resource.h"

// The lamp's picture and flash state, which its pixels show only once painted.
class CLedIndicatorTestPeer
{
public:
    static int Top(const CLedIndicator& led) { return led.m_nTop; }
    static int Column(const CLedIndicator& led) { return led.m_nColumn; }
    static bool IsFlashing(const CLedIndicator& led) { return led.m_bFlashing != FALSE; }
};

namespace
{
using Peer = CLedIndicatorTestPeer;

const COLORREF kBackground = RGB(10, 200, 30); // in no lamp of the sheet
const COLORREF kKey = RGB(255, 0, 255);

// A hidden popup holding one lamp of the given client size.
struct LampHost
{
    CWnd parent;
    CLedIndicator led;
    LampHost(int cx, int cy)
    {
        parent.CreateEx(0, "STATIC", "", WS_POPUP, RECT{0, 0, 100, 100}, nullptr, 0);
        led.Create("", WS_CHILD | WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, RECT{0, 0, cx, cy},
                   &parent, 0xFFFF);
    }
};

// A 32-bit canvas filled with the background, to draw on and read back.
struct Canvas
{
    CBitmap bmp; // declared first: it outlives the DC it is selected into
    CMemoryDC dc{nullptr};
    Canvas()
    {
        BITMAPINFO bi = {};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 40, -60, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* pBits = nullptr;
        bmp.Reset(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0));
        ::SelectObject(dc, bmp);
        dc.FillSolidRect(0, 0, 40, 60, kBackground);
    }
};

// The sheet's own pixels, read without any masking.
struct Sheet
{
    CBitmap bmp;
    CMemoryDC dc{nullptr};
    Sheet()
    {
        bmp.Reset(static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr),
                                                    MAKEINTRESOURCEA(IDB_LEDS), IMAGE_BITMAP, 0, 0,
                                                    LR_CREATEDIBSECTION)));
        ::SelectObject(dc, bmp);
    }
};

// Compares the whole canvas: the cell (xCell, yCell) of the sheet at (x0, y0) with the key
// showing the background, and the untouched background everywhere else.
void ExpectLampAt(Canvas& canvas, int x0, int y0, int xCell, int yCell, const char* what)
{
    Sheet sheet;
    int nLampPixels = 0, nWrong = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 40; ++x)
        {
            COLORREF expected = kBackground;
            if (x >= x0 && x < x0 + 16 && y >= y0 && y < y0 + 16)
            {
                COLORREF sprite = sheet.dc.GetPixel(xCell + x - x0, yCell + y - y0);
                if (sprite != kKey)
                {
                    expected = sprite;
                    ++nLampPixels;
                }
            }
            if (canvas.dc.GetPixel(x, y) != expected && ++nWrong <= 3)
                ADD_FAILURE() << what << ": pixel " << x << "," << y << " is " << std::hex
                              << canvas.dc.GetPixel(x, y) << ", expected " << expected;
        }
    EXPECT_EQ(nWrong, 0) << what;
    EXPECT_GT(nLampPixels, 50) << what << ": the cell must hold a lamp";
}
} // namespace

TEST(LedIndicator, DrawLedComposesTheCellOverTheBackgroundWhereTheControlIs)
{
    struct Case
    {
        const char* what;
        int cx, cy;   // control size
        int x0, y0;   // where the cell lands
        int top, col; // sheet cell
    } cases[] = {
        {"10 x 50 draws at the origin", 10, 50, 0, 0, 0, 0},
        {"19 x 16 drops the odd pixel", 19, 16, 1, 0, 0, 1},
        {"22 x 36 is centred", 22, 36, 3, 10, 16, 2},
        {"a top row between colour rows", 16, 16, 0, 0, 8, 0},
    };
    for (const Case& c : cases)
    {
        LampHost host(c.cx, c.cy);
        ASSERT_NE(host.led.m_hWnd, nullptr);
        Canvas canvas;
        host.led.DrawLed(&canvas.dc, c.top, c.col);
        ExpectLampAt(canvas, c.x0, c.y0, c.col * 16, c.top, c.what);
    }
}

TEST(LedIndicator, FlashLightsThenOnlyTimerOneEndsItUnlitEvenFromGrey)
{
    LampHost host(10, 50);
    CLedIndicator& led = host.led;
    EXPECT_EQ(Peer::Column(led), 2) << "a new lamp is grey";
    EXPECT_FALSE(Peer::IsFlashing(led));

    led.FlashLed(200);
    EXPECT_TRUE(Peer::IsFlashing(led));
    EXPECT_EQ(Peer::Column(led), 0);

    led.SendMessage(WM_TIMER, 2, 0);
    EXPECT_TRUE(Peer::IsFlashing(led)) << "another timer changes nothing";
    EXPECT_EQ(Peer::Column(led), 0);

    led.FlashLed(200); // again while flashing: restarted, still lit
    EXPECT_TRUE(Peer::IsFlashing(led));
    led.SendMessage(WM_TIMER, 1, 0);
    EXPECT_FALSE(Peer::IsFlashing(led));
    EXPECT_EQ(Peer::Column(led), 1) << "a flash ends unlit, not grey";
    EXPECT_EQ(Peer::Top(led), 0);
    EXPECT_FALSE(led.KillTimer(1)) << "the flash timer is gone";

    led.SetLed(CLedIndicator::LED_GREEN, 2);
    led.FlashLed(200);
    led.SetLed(CLedIndicator::LED_GREEN, 2); // a change while flashing...
    led.SendMessage(WM_TIMER, 1, 0);
    EXPECT_EQ(Peer::Column(led), 1) << "...is still ended unlit";
    EXPECT_EQ(Peer::Top(led), CLedIndicator::LED_GREEN) << "in the same colour row";
}

TEST(LedIndicator, SetLedDrawsAtOnceAndWithoutAWindowOnlyStores)
{
    CLedIndicator unmade;
    unmade.SetLed(0, 0); // no window: nothing to draw on, nothing drawn on the screen
    EXPECT_EQ(Peer::Column(unmade), 0);

    LampHost host(16, 16);
    host.parent.ShowWindow(SW_SHOWNOACTIVATE);
    host.led.SetLed(0, 0);
    // Read through a window DC: SetLed must not wait for a WM_PAINT.
    CClientDC dc(&host.led);
    EXPECT_EQ(dc.GetPixel(9, 9), RGB(255, 0, 0));
    host.led.SetLed(0, 1);
    EXPECT_EQ(dc.GetPixel(9, 9), RGB(128, 0, 0));
}
