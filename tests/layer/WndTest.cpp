// CWnd: binding, subclassing with default processing, and unbinding when the window dies.
#include "win/Wnd.h"

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

class CWndTestPeer
{
public:
    static BOOL WINAPI Refuse(DWORD, PVOID) { return FALSE; }
    static void RefuseFlsValues(bool bRefuse)
    {
        CWnd::s_pfnFlsSetValue = bRefuse ? Refuse : FlsSetValue;
    }
};

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
    // So too on a new thread whose fiber-local slot refuses its table.
    CWndTestPeer::RefuseFlsValues(true);
    std::thread([hWnd] { EXPECT_EQ(CWnd::FromHandle(hWnd), CWnd::FromHandle(hWnd)); }).join();
    CWndTestPeer::RefuseFlsValues(false);
    CWnd detach;
    ASSERT_TRUE(detach.Attach(hWnd));
    EXPECT_EQ(detach.Detach(), hWnd);
    EXPECT_EQ(detach.m_hWnd, nullptr);
    ::DestroyWindow(hWnd);
}

TEST(Wnd, WrapperForAGoneWindowSurvivesTheTidyOfDeadWrappers)
{
    // Handles of windows that are already gone, more than the wrapper table keeps before it
    // tidies: the tidy must never take the wrapper it is handing out.
    std::vector<HWND> gone;
    for (int i = 0; i < 80; ++i)
        gone.push_back(MakeStatic());
    for (HWND hWnd : gone)
        ::DestroyWindow(hWnd);
    // A thread of its own starts with an empty table.
    std::thread(
        [&]
        {
            for (size_t i = 0; i < gone.size(); ++i)
            {
                CWnd* pTemp = CWnd::FromHandle(gone[i]);
                ASSERT_NE(pTemp, nullptr) << "wrapper " << i;
                EXPECT_EQ(pTemp->m_hWnd, gone[i]) << "wrapper " << i;
            }
        })
        .join();
}

namespace
{
// A procedure from outside our layer, put on top of a window after one of our objects.
WNDPROC g_pfnForeignSuper = nullptr;
int g_nForeignSetText = 0;
int g_nForeignDepth = 0;

LRESULT CALLBACK ForeignProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT)
        ++g_nForeignSetText;
    // Bounds a loop through the chain, so that a broken one fails here instead of the stack.
    if (g_nForeignDepth > 8)
        return 0;
    ++g_nForeignDepth;
    LRESULT result = ::CallWindowProcA(g_pfnForeignSuper, hWnd, message, wParam, lParam);
    --g_nForeignDepth;
    return result;
}
} // namespace

TEST(Wnd, ObjectBindingAWindowWhoseChainStillHoldsOurProcedureSeesEachMessageOnce)
{
    HWND hWnd = MakeStatic();
    ASSERT_NE(hWnd, nullptr);
    CTextSpy first;
    ASSERT_TRUE(first.SubclassWindow(hWnd));
    g_pfnForeignSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignProc)));
    // Cannot unhook from under the foreign procedure: our procedure stays in the chain, unbound.
    EXPECT_EQ(first.UnsubclassWindow(), hWnd);

    CTextSpy later;
    ASSERT_TRUE(later.SubclassWindow(hWnd));
    g_nForeignSetText = 0;
    ::SetWindowTextA(hWnd, "once");
    EXPECT_EQ(later.m_nSetText, 1);
    EXPECT_EQ(g_nForeignSetText, 1);
    EXPECT_EQ(first.m_nSetText, 0);
    EXPECT_EQ(TextOf(hWnd), "once");

    // Let go again, still under the foreign procedure: messages pass through to the static.
    EXPECT_EQ(later.UnsubclassWindow(), hWnd);
    ::SetWindowTextA(hWnd, "through");
    EXPECT_EQ(later.m_nSetText, 1);
    EXPECT_EQ(TextOf(hWnd), "through");
    ::DestroyWindow(hWnd);
}
