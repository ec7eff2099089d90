// CHandleOwner: the one owner of a Win32 handle of any kind, which its kind's traits destroy,
// once. Move-only; a plain handle is the non-owning view. Each kind (kernel object, icon, GDI
// object, menu) is this template with a small traits type: Handle, Destroy and Taken.
#pragma once

#include <utility>

// The traits most kinds need: no value but null means "none".
template <class THandle> struct CHandleTraits
{
    using Handle = THandle;
    static THandle Taken(THandle h) { return h; }
};

template <class TTraits> class CHandleOwner
{
public:
    using Handle = typename TTraits::Handle;

    CHandleOwner() = default;
    explicit CHandleOwner(Handle h) : m_h(TTraits::Taken(h)) {}
    ~CHandleOwner() { Reset(); }
    CHandleOwner(const CHandleOwner&) = delete;
    CHandleOwner& operator=(const CHandleOwner&) = delete;
    CHandleOwner(CHandleOwner&& other) noexcept : m_h(other.Detach()) {}
    CHandleOwner& operator=(CHandleOwner&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }

    Handle Get() const { return m_h; }
    operator Handle() const { return m_h; }

    // Takes ownership of h, destroying the handle held before, unless it is h itself (it would
    // then hold a destroyed one).
    void Reset(Handle h = nullptr)
    {
        h = TTraits::Taken(h);
        if (m_h != nullptr && m_h != h)
            TTraits::Destroy(m_h);
        m_h = h;
    }
    // Another owner's handle would be destroyed twice.
    void Reset(const CHandleOwner&) = delete;
    // Gives the handle up without destroying it.
    Handle Detach() { return std::exchange(m_h, nullptr); }

protected:
    // Takes what make() returns where nothing is held yet: one object per owner, and a second
    // one is never made to be lost. FALSE when something was held or nothing was made.
    template <class TMake> bool Make(TMake make)
    {
        if (m_h != nullptr)
            return false;
        Reset(make());
        return m_h != nullptr;
    }

private:
    Handle m_h = nullptr;
};
