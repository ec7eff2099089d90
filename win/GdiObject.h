// Owners of GDI objects: CBitmap, CBrush, CPen and CFont each own one handle and delete it when
// they die. Move-only; a plain HBITMAP/HBRUSH/HPEN/HFONT is the non-owning view.
#pragma once

#include <windows.h>

#include "win/HandleOwner.h"

class CDC;

// The object must not be selected into a DC any more when its owner deletes it.
template <class THandle> struct CGdiObjectTraits : CHandleTraits<THandle>
{
    static void Destroy(THandle h) { ::DeleteObject(h); }
};

class CBitmap : public CHandleOwner<CGdiObjectTraits<HBITMAP>>
{
public:
    using CHandleOwner::CHandleOwner;
    // A bitmap resource of the executable.
    BOOL LoadBitmap(UINT nIDResource);
    BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitsPerPixel,
                      const void* lpBits);
    BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);
    int GetBitmap(BITMAP* pBitmap) const { return ::GetObjectA(Get(), sizeof(BITMAP), pBitmap); }
};

class CBrush : public CHandleOwner<CGdiObjectTraits<HBRUSH>>
{
public:
    using CHandleOwner::CHandleOwner;
    explicit CBrush(COLORREF crColor) : CHandleOwner(::CreateSolidBrush(crColor)) {}
    BOOL CreateSolidBrush(COLORREF crColor)
    {
        return Make([crColor] { return ::CreateSolidBrush(crColor); });
    }
};

class CPen : public CHandleOwner<CGdiObjectTraits<HPEN>>
{
public:
    using CHandleOwner::CHandleOwner;
    CPen(int nPenStyle, int nWidth, COLORREF crColor)
        : CHandleOwner(::CreatePen(nPenStyle, nWidth, crColor))
    {
    }
    BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor)
    {
        return Make([=] { return ::CreatePen(nPenStyle, nWidth, crColor); });
    }
};

using CFont = CHandleOwner<CGdiObjectTraits<HFONT>>;
