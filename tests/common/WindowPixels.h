// What a window shows, for Windows tests of drawing: its client area copied from its own DC
// into memory (after any pending paint), read back pixel by pixel as COLORREFs.
#pragma once

#include <vector>

#include <windows.h>

class CWindowPixels
{
public:
    explicit CWindowPixels(HWND hWnd)
    {
        ::UpdateWindow(hWnd);
        RECT rc = {};
        ::GetClientRect(hWnd, &rc);
        HDC hdcWindow = ::GetDC(hWnd);
        Read(hdcWindow, rc.right, rc.bottom);
        ::ReleaseDC(hWnd, hdcWindow);
    }
    // The pixels of any DC from (0, 0), such as a memory DC holding what a window should show.
    CWindowPixels(HDC hdc, int cx, int cy) { Read(hdc, cx, cy); }

    int Width() const { return m_cx; }
    int Height() const { return m_cy; }
    COLORREF At(int x, int y) const
    {
        return m_px[static_cast<size_t>(y) * static_cast<size_t>(m_cx) + static_cast<size_t>(x)];
    }
    // The smallest rectangle holding every pixel for which pred(colour) holds within rcArea;
    // empty (all zero) when there is none.
    template <class Pred> RECT BoxOf(Pred pred, RECT rcArea) const
    {
        RECT box = {m_cx, m_cy, -1, -1};
        for (int y = rcArea.top; y < rcArea.bottom; ++y)
            for (int x = rcArea.left; x < rcArea.right; ++x)
                if (pred(At(x, y)))
                {
                    box.left = x < box.left ? x : box.left;
                    box.top = y < box.top ? y : box.top;
                    box.right = x + 1 > box.right ? x + 1 : box.right;
                    box.bottom = y + 1 > box.bottom ? y + 1 : box.bottom;
                }
        return box.right < 0 ? RECT{0, 0, 0, 0} : box;
    }
    RECT BoxOf(COLORREF c, RECT rcArea) const
    {
        return BoxOf([c](COLORREF p) { return p == c; }, rcArea);
    }

private:
    void Read(HDC hdc, int cx, int cy)
    {
        m_cx = cx;
        m_cy = cy;
        m_px.assign(static_cast<size_t>(m_cx) * static_cast<size_t>(m_cy), 0);
        BITMAPINFO bi = {};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), m_cx, -m_cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* pBits = nullptr;
        HDC hdcMem = ::CreateCompatibleDC(hdc);
        HBITMAP hBmp = ::CreateDIBSection(hdc, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0);
        if (hdcMem != nullptr && hBmp != nullptr && pBits != nullptr)
        {
            HGDIOBJ hOld = ::SelectObject(hdcMem, hBmp);
            ::BitBlt(hdcMem, 0, 0, m_cx, m_cy, hdc, 0, 0, SRCCOPY);
            ::SelectObject(hdcMem, hOld);
            const auto* p = static_cast<const BYTE*>(pBits); // blue, green, red, unused
            for (size_t i = 0; i < m_px.size(); ++i)
                m_px[i] = RGB(p[4 * i + 2], p[4 * i + 1], p[4 * i]);
        }
        if (hBmp != nullptr)
            ::DeleteObject(hBmp);
        if (hdcMem != nullptr)
            ::DeleteDC(hdcMem);
    }

    int m_cx = 0;
    int m_cy = 0;
    std::vector<COLORREF> m_px;
};
