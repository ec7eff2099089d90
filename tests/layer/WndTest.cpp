// CWnd: binding, subclassing with default processing, and unbinding when the window dies.
#include "win/Wnd.h"

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace
{
// Counts WM_SETTEXT and can swallow it or throw from it; everything else is default.
class CTextSpy : public CWnd
{
public:
    int m_nSetText = 0;
    bool m_bSwallow = false;
    bool m_bThrow = false;
    int m_nPostNcDestroy = 0;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_SETTEXT)
        {
            ++m_nSetText;
            if (m_bThrow)
                throw std::runtime_error("handler failed");
            if (m_bSwallow)
                return TRUE;
            return Default();
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
    void PostNcDestroy() override { ++m_nPostNcDestroy; }
};

std::string TextOf(HWND hWnd)
{
    char buf[64] = {};
    ::GetWindowTextA(hWnd, buf, sizeof buf);
    return buf;
}

HWND MakeStatic()
{
    return ::CreateWindowExA(0, "STATIC", "before", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr,
                             ::GetModuleHandleA(nullptr), nullptr);
}
} // namespace

TEST(Wnd, SubclassedWindowSeesMessagesFirstAndDefaultReachesOldProcedure)
{
    HWND hWnd = MakeStatic();
    ASSERT_NE(hWnd, nullptr);
    auto pfnOld = ::GetWindowLongPtrA(hWnd, GWLP_WNDPROC);
    {
        CTextSpy spy;
        ASSERT_TRUE(spy.SubclassWindow(hWnd));
        EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), &spy);
        EXPECT_EQ(CWnd::FromHandle(hWnd), &spy);

        ::SetWindowTextA(hWnd, "after");
        EXPECT_EQ(spy.m_nSetText, 1);
        EXPECT_EQ(TextOf(hWnd), "after") << "Default() must run the static's own procedure";

        spy.m_bSwallow = true;
        ::SetWindowTextA(hWnd, "ignored");
        EXPECT_EQ(TextOf(hWnd), "after") << "a handled message must not reach the old procedure";

        spy.m_bThrow = true;
        ::SetWindowTextA(hWnd, "thrown"); // must not unwind through USER32
        EXPECT_EQ(spy.m_nSetText, 3);
    }
    // The object died first: the window is intact, unbound and back on its own procedure.
    EXPECT_TRUE(::IsWindow(hWnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
    EXPECT_EQ(::GetWindowLongPtrA(hWnd, GWLP_WNDPROC), pfnOld);
    ::DestroyWindow(hWnd);
}

TEST(Wnd, DestroyedWindowUnbindsItsObject)
{
    CTextSpy spy;
    RECT rc = {0, 0, 40, 20};
    ASSERT_TRUE(spy.CreateEx(0, "STATIC", "x", WS_POPUP, rc, nullptr, 0));
    HWND hWnd = spy.GetSafeHwnd();
    ::DestroyWindow(hWnd); // behind the object's back
    EXPECT_EQ(spy.m_hWnd, nullptr);
    EXPECT_EQ(spy.m_nPostNcDestroy, 1);
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
}

TEST(Wnd, OwnedWindowDiesWithItsObjectAttachedOneDoesNot)
{
    HWND hOwned = nullptr;
    {
        CWnd owner;
        RECT rc = {0, 0, 40, 20};
        ASSERT_TRUE(owner.CreateEx(0, "STATIC", "x", WS_POPUP, rc, nullptr, 0));
        hOwned = owner.m_hWnd;
    }
    EXPECT_FALSE(::IsWindow(hOwned));

    HWND hWnd = MakeStatic();
    {
        CTextSpy view;
        ASSERT_TRUE(view.Attach(hWnd));
        EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), &view);
        EXPECT_FALSE(CTextSpy().Attach(hWnd)) << "one object per window";
        ::SetWindowTextA(hWnd, "direct");
        EXPECT_EQ(view.m_nSetText, 0) << "Attach binds without routing messages";
    }
    EXPECT_TRUE(::IsWindow(hWnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);

    CWnd* pTemp = CWnd::FromHandle(hWnd);
    ASSERT_NE(pTemp, nullptr);
    EXPECT_EQ(pTemp->m_hWnd, hWnd);
    EXPECT_EQ(CWnd::FromHandle(hWnd), pTemp) << "one wrapper per unbound window";
    CWnd detach;
    ASSERT_TRUE(detach.Attach(hWnd));
    EXPECT_EQ(detach.Detach(), hWnd);
    EXPECT_EQ(detach.m_hWnd, nullptr);
    ::DestroyWindow(hWnd);
}
