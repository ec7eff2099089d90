// CLedIndicator: off-screen composition of one sprite with magenta as the transparent key.
#include "controls/LedIndicator.h"

#include <iterator>

#include "res/resource.h"
#include "win/DpiScale.h"
#include "win/Rect.h"

namespace
{
const int kCell = 16;
const COLORREF kKeyColour = RGB(255, 0, 255);
// The sheets the artwork generator draws, for 100, 125, 150 and 200 %.
const int kSheetCells[] = {16, 20, 24, 32};
const UINT kSheetIds[] = {IDB_LEDS, IDB_LEDS_125, IDB_LEDS_150, IDB_LEDS_200};
static_assert(std::size(kSheetCells) == std::size(kSheetIds), "a sheet for every cell size");
} // namespace

CLedIndicator::CLedIndicator()
{
    m_bmpLeds.LoadBitmap(IDB_LEDS);
}

void CLedIndicator::SetLed(int nTop, int nColumn)
{
    m_nTop = nTop;
    m_nColumn = nColumn;
    // Before the window exists there is nothing to draw on (a null window's DC is the screen).
    if (m_hWnd == nullptr)
        return;
    CClientDC dc(this);
    DrawLed(&dc, m_nTop, m_nColumn);
}

void CLedIndicator::SetDpi(UINT dpi)
{
    const int nCell = NearestSize(ScaleToDpi(kCell, dpi), kSheetCells, std::size(kSheetCells));
    if (nCell == m_nCell)
        return;
    for (size_t i = 0; i < std::size(kSheetCells); ++i)
        if (kSheetCells[i] == nCell)
        {
            CBitmap bmpSheet;
            if (!bmpSheet.LoadBitmap(kSheetIds[i]))
                return; // the sheet in hand is better than none
            m_bmpLeds = std::move(bmpSheet);
            m_nCell = nCell;
        }
    if (m_hWnd != nullptr)
        Invalidate(FALSE);
}

void CLedIndicator::FlashLed(UINT nPeriod)
{
    // No window, no timer to end the flash: the lamp would stay lit for good.
    if (m_hWnd == nullptr)
        return;
    if (m_bFlashing)
        KillTimer(FLASH_TIMER);
    m_bFlashing = TRUE;
    SetLed(m_nTop, LED_LIT);
    SetTimer(FLASH_TIMER, nPeriod);
}

void CLedIndicator::DrawLed(CDC* pDC, int nTop, int nColumn)
{
    CRect rc;
    GetClientRect(&rc);
    const int nCell = m_nCell;
    if (rc.Width() >= nCell && rc.Height() >= nCell)
        rc.DeflateRect((rc.Width() - nCell) / 2, (rc.Height() - nCell) / 2);
    const int xCell = nColumn * nCell;
    nTop = nTop * nCell / kCell; // a row of the 16-pixel sheet, in this sheet

    // Declared in this order so that the selections are undone before the DCs go and the
    // DCs before the bitmaps.
    CBitmap bmpMask, bmpBuffer;
    bmpMask.CreateBitmap(nCell, nCell, 1, 1, nullptr);
    bmpBuffer.CreateCompatibleBitmap(pDC, nCell, nCell);
    CMemoryDC dcImage(pDC), dcMask(pDC), dcBuffer(pDC);
    CSelectObject selImage(dcImage, m_bmpLeds);
    CSelectObject selMask(dcMask, bmpMask);
    CSelectObject selBuffer(dcBuffer, bmpBuffer);

    // What is on the target now is the background the key colour lets through.
    dcBuffer.BitBlt(0, 0, nCell, nCell, pDC, rc.left, rc.top, SRCCOPY);
    // Colour to monochrome: key-coloured pixels become 1, all others 0.
    const COLORREF crOldBk = dcImage.SetBkColor(kKeyColour);
    dcMask.BitBlt(0, 0, nCell, nCell, &dcImage, xCell, nTop, SRCCOPY);
    // A fresh DC's white background and black text make the mask expand to all ones and
    // all zeros in the AND below.
    dcBuffer.SetBkColor(crOldBk);
    // buffer ^ sprite, & mask, ^ sprite: the background under the key, the sprite elsewhere.
    dcBuffer.BitBlt(0, 0, nCell, nCell, &dcImage, xCell, nTop, SRCINVERT);
    dcBuffer.BitBlt(0, 0, nCell, nCell, &dcMask, 0, 0, SRCAND);
    dcBuffer.BitBlt(0, 0, nCell, nCell, &dcImage, xCell, nTop, SRCINVERT);
    // One copy to the target: the lamp is never seen half drawn.
    pDC->BitBlt(rc.left, rc.top, nCell, nCell, &dcBuffer, 0, 0, SRCCOPY);
}

LRESULT CLedIndicator::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_ERASEBKGND:
        return TRUE; // the lamp lies on the parent's pixels; erasing would make it flicker
    case WM_TIMER:
        if (wParam == FLASH_TIMER)
        {
            SetLed(m_nTop, LED_UNLIT);
            KillTimer(FLASH_TIMER);
            m_bFlashing = FALSE;
        }
        return Default();
    case WM_PAINT:
    {
        CPaintDC dc(this);
        DrawLed(&dc, m_nTop, m_nColumn);
        return 0;
    }
    default:
        return CStatic::WindowProc(message, wParam, lParam);
    }
}
