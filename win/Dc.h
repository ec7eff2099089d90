// Device contexts. CDC is a non-owning view of an HDC with the drawing calls we use; the derived
// classes own theirs: CPaintDC (BeginPaint/EndPaint), CClientDC and CWindowDC (GetDC/ReleaseDC)
// and CMemoryDC (CreateCompatibleDC/DeleteDC). CSelectObject puts back what it displaced.
#pragma once

#include <utility>

#include <windows.h>

class CWnd;

class CDC
{
public:
    CDC() = default;
    explicit CDC(HDC hDC) : m_hDC(hDC) {}
    virtual ~CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC = nullptr;
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop)
    {
        return ::BitBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : nullptr, xSrc, ySrc,
                        dwRop);
    }
    HGDIOBJ SelectObject(HGDIOBJ hObject) { return ::SelectObject(m_hDC, hObject); }
    COLORREF SetBkColor(COLORREF crColor) { return ::SetBkColor(m_hDC, crColor); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
    COLORREF SetTextColor(COLORREF crColor) { return ::SetTextColor(m_hDC, crColor); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
    int SetBkMode(int nBkMode) { return ::SetBkMode(m_hDC, nBkMode); }
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
    COLORREF SetPixel(int x, int y, COLORREF crColor) { return ::SetPixel(m_hDC, x, y, crColor); }
    int FillRect(const RECT* lpRect, HBRUSH hBrush) { return ::FillRect(m_hDC, lpRect, hBrush); }
    int FrameRect(const RECT* lpRect, HBRUSH hBrush) { return ::FrameRect(m_hDC, lpRect, hBrush); }
    BOOL DrawFocusRect(const RECT* lpRect) { return ::DrawFocusRect(m_hDC, lpRect); }
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }
    int DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat)
    {
        return ::DrawTextA(m_hDC, lpszString, nCount, lpRect, nFormat);
    }
    // Fills with one colour without a brush; the background colour is left as it was.
    void FillSolidRect(const RECT* lpRect, COLORREF crColor);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF crColor);
    // A one-pixel frame: top and left edges in crTopLeft, bottom and right in crBottomRight.
    void Draw3dRect(const RECT* lpRect, COLORREF crTopLeft, COLORREF crBottomRight);
};

class CClientDC : public CDC
{
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override { ::ReleaseDC(m_hWndOwner, m_hDC); }

private:
    HWND m_hWndOwner;
};

// The whole window, frame included.
class CWindowDC : public CDC
{
public:
    explicit CWindowDC(CWnd* pWnd);
    ~CWindowDC() override { ::ReleaseDC(m_hWndOwner, m_hDC); }

private:
    HWND m_hWndOwner;
};

class CPaintDC : public CDC
{
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps = {};

private:
    HWND m_hWndPaint;
};

// A memory DC, empty until CreateCompatibleDC; the bitmaps selected into it stay the caller's.
class CMemoryDC : public CDC
{
public:
    CMemoryDC() = default;
    explicit CMemoryDC(CDC* pDC) { CreateCompatibleDC(pDC); }
    ~CMemoryDC() override { DeleteDC(); }
    BOOL CreateCompatibleDC(CDC* pDC);
    BOOL DeleteDC() { return m_hDC != nullptr && ::DeleteDC(std::exchange(m_hDC, nullptr)); }
};

// Selects an object for one scope and puts back the one it displaced.
class CSelectObject
{
public:
    CSelectObject(CDC& dc, HGDIOBJ hObject)
        : m_hDC(dc.m_hDC), m_hOld(::SelectObject(m_hDC, hObject))
    {
    }
    ~CSelectObject()
    {
        if (m_hOld != nullptr && m_hOld != HGDI_ERROR)
            ::SelectObject(m_hDC, m_hOld);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hDC;
    HGDIOBJ m_hOld;
};
