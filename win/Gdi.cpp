// Device contexts and GDI object owners.
#include "win/Dc.h"
#include "win/GdiObject.h"
#include "win/Wnd.h"

BOOL CBitmap::LoadBitmap(UINT nIDResource)
{
    return Make(
        [nIDResource]
        { return ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(nIDResource)); });
}

BOOL CBitmap::CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitsPerPixel,
                           const void* lpBits)
{
    return Make([=] { return ::CreateBitmap(nWidth, nHeight, nPlanes, nBitsPerPixel, lpBits); });
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight)
{
    return Make([=] { return ::CreateCompatibleBitmap(pDC->m_hDC, nWidth, nHeight); });
}

void CDC::FillSolidRect(const RECT* lpRect, COLORREF crColor)
{
    COLORREF crOld = ::SetBkColor(m_hDC, crColor);
    ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, lpRect, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, crOld);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF crColor)
{
    RECT rc = {x, y, x + cx, y + cy};
    FillSolidRect(&rc, crColor);
}

void CDC::Draw3dRect(const RECT* lpRect, COLORREF crTopLeft, COLORREF crBottomRight)
{
    const int x = lpRect->left, y = lpRect->top;
    const int cx = lpRect->right - x, cy = lpRect->bottom - y;
    FillSolidRect(x, y, cx - 1, 1, crTopLeft);
    FillSolidRect(x, y, 1, cy - 1, crTopLeft);
    FillSolidRect(x + cx - 1, y, 1, cy, crBottomRight);
    FillSolidRect(x, y + cy - 1, cx, 1, crBottomRight);
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWndOwner(pWnd ? pWnd->m_hWnd : nullptr)
{
    m_hDC = ::GetDC(m_hWndOwner);
}

CWindowDC::CWindowDC(CWnd* pWnd) : m_hWndOwner(pWnd ? pWnd->m_hWnd : nullptr)
{
    m_hDC = ::GetWindowDC(m_hWndOwner);
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWndPaint(pWnd->m_hWnd)
{
    m_hDC = ::BeginPaint(m_hWndPaint, &m_ps);
}

CPaintDC::~CPaintDC()
{
    ::EndPaint(m_hWndPaint, &m_ps);
}

BOOL CMemoryDC::CreateCompatibleDC(CDC* pDC)
{
    if (m_hDC != nullptr)
        return FALSE;
    m_hDC = ::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr);
    return m_hDC != nullptr;
}
