// Owners of GDI objects: CBitmap, CBrush and CPen each own one handle and delete it when they
// die. Move-only; a plain HBITMAP/HBRUSH/HPEN is the non-owning view.
#pragma once

#include <utility>

#include <windows.h>

class CDC;

template <class THandle> class CGdiObjectT
{
public:
    CGdiObjectT() = default;
    explicit CGdiObjectT(THandle hObject) : m_hObject(hObject) {}
    ~CGdiObjectT() { DeleteObject(); }
    CGdiObjectT(const CGdiObjectT&) = delete;
    CGdiObjectT& operator=(const CGdiObjectT&) = delete;
    CGdiObjectT(CGdiObjectT&& other) noexcept : m_hObject(other.Detach()) {}
    CGdiObjectT& operator=(CGdiObjectT&& other) noexcept
    {
        if (this != &other)
        {
            DeleteObject();
            m_hObject = other.Detach();
        }
        return *this;
    }

    operator THandle() const { return m_hObject; }
    THandle GetSafeHandle() const { return m_hObject; }

    // Takes ownership; fails if this already owns something.
    BOOL Attach(THandle hObject)
    {
        if (m_hObject != nullptr)
            return FALSE;
        m_hObject = hObject;
        return hObject != nullptr;
    }
    THandle Detach() { return std::exchange(m_hObject, nullptr); }
    // The object must not be selected into a DC any more.
    BOOL DeleteObject()
    {
        return m_hObject != nullptr && ::DeleteObject(std::exchange(m_hObject, nullptr));
    }

protected:
    THandle m_hObject = nullptr;
};

class CBitmap : public CGdiObjectT<HBITMAP>
{
public:
    using CGdiObjectT::CGdiObjectT;
    // A bitmap resource of the executable.
    BOOL LoadBitmap(UINT nIDResource);
    BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitsPerPixel,
                      const void* lpBits);
    BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);
    int GetBitmap(BITMAP* pBitmap) const
    {
        return ::GetObjectA(m_hObject, sizeof(BITMAP), pBitmap);
    }
};

class CBrush : public CGdiObjectT<HBRUSH>
{
public:
    using CGdiObjectT::CGdiObjectT;
    explicit CBrush(COLORREF crColor) : CGdiObjectT(::CreateSolidBrush(crColor)) {}
    BOOL CreateSolidBrush(COLORREF crColor) { return Attach(::CreateSolidBrush(crColor)); }
};

class CPen : public CGdiObjectT<HPEN>
{
public:
    using CGdiObjectT::CGdiObjectT;
    CPen(int nPenStyle, int nWidth, COLORREF crColor)
        : CGdiObjectT(::CreatePen(nPenStyle, nWidth, crColor))
    {
    }
    BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor)
    {
        return Attach(::CreatePen(nPenStyle, nWidth, crColor));
    }
};

class CFont : public CGdiObjectT<HFONT>
{
public:
    using CGdiObjectT::CGdiObjectT;
};
