// CIcon: the one owner of an HICON made by LoadImage, CreateIconIndirect or CopyIcon; destroys
// it once. Move-only; a plain HICON is the non-owning view (and shared icons need no owner).
#pragma once

#include <utility>

#include <windows.h>

class CIcon
{
public:
    CIcon() = default;
    explicit CIcon(HICON hIcon) : m_hIcon(hIcon) {}
    ~CIcon() { Destroy(); }
    CIcon(const CIcon&) = delete;
    CIcon& operator=(const CIcon&) = delete;
    CIcon(CIcon&& other) noexcept : m_hIcon(std::exchange(other.m_hIcon, nullptr)) {}
    CIcon& operator=(CIcon&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.m_hIcon, nullptr));
        return *this;
    }

    operator HICON() const { return m_hIcon; }
    HICON Get() const { return m_hIcon; }

    // Takes ownership of hIcon, destroying the icon held before.
    void Reset(HICON hIcon = nullptr)
    {
        if (m_hIcon != nullptr && m_hIcon != hIcon)
            ::DestroyIcon(m_hIcon);
        m_hIcon = hIcon;
    }
    void Destroy() { Reset(); }

private:
    HICON m_hIcon = nullptr;
};
