// CLedIndicator: one round 16 x 16 lamp cut from the sprite sheet (bitmap IDB_LEDS), drawn over
// whatever its parent painted beneath it, and a flash that falls back to unlit by itself. At a
// higher DPI the lamp comes from the sheet drawn for the nearest scale, its cells 20, 24 or 32
// pixels.
#pragma once

#include "win/Dc.h"
#include "win/GdiObject.h"
#include "win/Static.h"

class CLedIndicator : public CStatic
{
public:
    // Sheet rows (top pixel of a colour row) and columns.
    enum
    {
        LED_RED = 0,
        LED_GREEN = 16,
        LED_YELLOW = 32,
        LED_BLUE = 48,
        LED_BLACK = 64,
        LED_LIT = 0,
        LED_UNLIT = 1,
        LED_GREY = 2,
        FLASH_TIMER = 1
    };

    CLedIndicator();

    // Shows the cell at sheet row nTop (a pixel row, used as is) and column nColumn, at once.
    void SetLed(int nTop, int nColumn);
    // Draws from the sheet that suits dpi (the 16-pixel one until called).
    void SetDpi(UINT dpi);
    // Lit for nPeriod ms (counted afresh by each call), then unlit.
    void FlashLed(UINT nPeriod);
    // Draws cell (nColumn * 16, nTop) of the sheet onto pDC where this control's client area
    // is: centred when the control is at least 16 x 16, else at its origin. Magenta pixels of
    // the sheet leave pDC's pixels as they were. A larger sheet's cells and rows are measured
    // in its own pixels: 16 and nTop scaled to its cell.
    void DrawLed(CDC* pDC, int nTop, int nColumn);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class CLedIndicatorTestPeer; // the tests look at the picture and the flash state

    int m_nTop = LED_RED;
    int m_nColumn = LED_GREY;
    BOOL m_bFlashing = FALSE;
    int m_nCell = 16; // of the sheet in m_bmpLeds
    CBitmap m_bmpLeds;
};
