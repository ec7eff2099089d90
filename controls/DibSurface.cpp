// CDibSurface: the section and memory DC made on first use, and the blit.
#include "controls/DibSurface.h"

#include <cstring>

static_assert(sizeof(BITMAPINFOHEADER) == sizeof(DibInfoHeader),
              "the block's header is a BITMAPINFOHEADER");

void CDibSurface::ReleaseDerived()
{
    m_memDC.DeleteDC();
    m_section.Reset();
    m_pSectionBits = nullptr;
}

void CDibSurface::Blit(HDC hdc, int x, int y)
{
    if (Block() == nullptr || hdc == nullptr)
        return;
    if (m_section.Get() == nullptr)
    {
        void* pBits = nullptr;
        HBITMAP hSection = ::CreateDIBSection(hdc, reinterpret_cast<const BITMAPINFO*>(Block()),
                                              DIB_RGB_COLORS, &pBits, nullptr, 0);
        if (hSection == nullptr)
            return;
        m_section.Reset(hSection);
        if (pBits == nullptr)
        {
            m_section.Reset();
            return;
        }
        m_pSectionBits = pBits;
    }
    // Every time: pixels changed since the section was made must show (its palette stays).
    std::memcpy(m_pSectionBits, Pixels(), ImageBytes());
    if (m_memDC.m_hDC == nullptr)
    {
        CDC target(hdc);
        if (!m_memDC.CreateCompatibleDC(&target))
            return;
    }
    CSelectObject select(m_memDC, m_section);
    ::BitBlt(hdc, x, y, Width(), Height(), m_memDC, 0, 0, SRCCOPY);
}
