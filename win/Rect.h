// CRect and CPoint: RECT and POINT with the few conveniences drawing code wants. Plain values;
// every Win32 call that takes a LPRECT or LPPOINT takes them directly.
#pragma once

#include <windows.h>

struct CPoint : POINT
{
    CPoint() : POINT{0, 0} {}
    CPoint(int x0, int y0) : POINT{x0, y0} {}
};

struct CRect : RECT
{
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& rc) : RECT(rc) {}

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CPoint TopLeft() const { return CPoint(left, top); }
    BOOL IsRectEmpty() const { return ::IsRectEmpty(this); }
    BOOL PtInRect(POINT pt) const { return ::PtInRect(this, pt); }
    void OffsetRect(int dx, int dy) { ::OffsetRect(this, dx, dy); }
    // Moves each edge inwards by (dx, dy); negative values grow the rectangle.
    void DeflateRect(int dx, int dy) { ::InflateRect(this, -dx, -dy); }
    void InflateRect(int dx, int dy) { ::InflateRect(this, dx, dy); }
    operator LPRECT() { return this; }
    operator const RECT*() const { return this; }
};
