// CKernelHandle: the one owner of a kernel object handle (event, thread, file, port); closes it
// once. Null and INVALID_HANDLE_VALUE both mean "none", as the Win32 calls that make them differ.
#pragma once

#include <utility>

#include <windows.h>

class CKernelHandle
{
public:
    CKernelHandle() = default;
    // A failed CreateFile (INVALID_HANDLE_VALUE) is no handle, here as in Reset.
    explicit CKernelHandle(HANDLE h) : m_h(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~CKernelHandle() { Close(); }
    CKernelHandle(const CKernelHandle&) = delete;
    CKernelHandle& operator=(const CKernelHandle&) = delete;
    CKernelHandle(CKernelHandle&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}
    CKernelHandle& operator=(CKernelHandle&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.m_h, nullptr));
        return *this;
    }

    HANDLE Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

    // Takes ownership of h (INVALID_HANDLE_VALUE is stored as null), closing the old one.
    void Reset(HANDLE h = nullptr)
    {
        if (h == INVALID_HANDLE_VALUE)
            h = nullptr;
        if (m_h)
            ::CloseHandle(m_h);
        m_h = h;
    }
    void Close() { Reset(); }

private:
    HANDLE m_h = nullptr;
};
