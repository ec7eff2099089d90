// What a window shows, for Windows tests of drawing: its client area copied from its own DC
// into memory (after any pending paint), read back pixel by pixel as COLORREFs. A picture kept
// as a reference travels as a run-length TGA, which image viewers open.
#pragma once

#include <string>
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

    // A 24-bit run-length TGA (type 10, rows from the top); empty pixels when it is not one.
    static CWindowPixels FromTga(const std::string& tga)
    {
        CWindowPixels pic;
        const auto* p = reinterpret_cast<const BYTE*>(tga.data());
        if (tga.size() < 18 || p[2] != 10 || p[16] != 24)
            return pic;
        pic.m_cx = p[12] | p[13] << 8;
        pic.m_cy = p[14] | p[15] << 8;
        size_t i = 18 + p[0];
        while (pic.m_px.size() < static_cast<size_t>(pic.m_cx) * pic.m_cy && i < tga.size())
        {
            const int n = (p[i] & 0x7F) + 1;
            const bool bRun = (p[i++] & 0x80) != 0;
            for (int k = 0; k < n && i + 3 <= tga.size(); ++k, i += bRun ? 0 : 3)
                pic.m_px.push_back(RGB(p[i + 2], p[i + 1], p[i]));
            i += bRun ? 3 : 0;
        }
        pic.m_px.resize(static_cast<size_t>(pic.m_cx) * pic.m_cy);
        return pic;
    }
    std::string ToTga() const
    {
        std::string t(18, '\0');
        t[2] = 10;
        t[12] = static_cast<char>(m_cx), t[13] = static_cast<char>(m_cx >> 8);
        t[14] = static_cast<char>(m_cy), t[15] = static_cast<char>(m_cy >> 8);
        t[16] = 24, t[17] = 0x20; // top-left origin
        for (size_t i = 0; i < m_px.size();)
        {
            size_t n = 1;
            while (n < 128 && i + n < m_px.size() && m_px[i + n] == m_px[i])
                ++n;
            t += static_cast<char>(0x80 | (n - 1));
            t += {static_cast<char>(GetBValue(m_px[i])), static_cast<char>(GetGValue(m_px[i])),
                  static_cast<char>(GetRValue(m_px[i]))};
            i += n;
        }
        return t;
    }

    bool operator==(const CWindowPixels& o) const { return m_cx == o.m_cx && m_px == o.m_px; }
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
    CWindowPixels() = default;
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
