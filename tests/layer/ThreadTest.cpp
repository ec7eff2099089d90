// CThread: one thread per object at a time.
#include "win/Thread.h"

#include <gtest/gtest.h>

namespace
{
UINT WaitForEvent(LPVOID pParam)
{
    ::WaitForSingleObject(static_cast<HANDLE>(pParam), INFINITE);
    return 7;
}
} // namespace

TEST(Thread, SecondBeginIsRefusedWhileTheFirstThreadIsHeld)
{
    CKernelHandle hGo(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    CThread thread;
    ASSERT_TRUE(thread.Begin(WaitForEvent, hGo.Get()));
    const HANDLE hFirst = thread.GetHandle();
    EXPECT_FALSE(thread.Begin(WaitForEvent, hGo.Get())) << "the running thread would be lost";
    EXPECT_EQ(thread.GetHandle(), hFirst);

    ::SetEvent(hGo.Get());
    ASSERT_EQ(::WaitForSingleObject(hFirst, 60000), WAIT_OBJECT_0);
    DWORD dwExit = 0;
    EXPECT_TRUE(::GetExitCodeThread(hFirst, &dwExit));
    EXPECT_EQ(dwExit, 7u);
    EXPECT_FALSE(thread.Begin(WaitForEvent, hGo.Get())) << "ended, but not yet let go";
    thread.Close();
    ASSERT_TRUE(thread.Begin(WaitForEvent, hGo.Get()));
    EXPECT_EQ(::WaitForSingleObject(thread.GetHandle(), 60000), WAIT_OBJECT_0);
}
