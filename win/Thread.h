// CThread: one worker thread, started with a function, a parameter and a priority, and the
// handle that lets its starter wait for its end. Stands in for AfxBeginThread/AfxEndThread.
#pragma once

#include <windows.h>

#include "win/KernelHandle.h"

class CThread
{
public:
    using ThreadProc = UINT (*)(LPVOID);

    CThread() = default;
    // Closes the handle only: a running thread goes on. Its starter waits for it first.
    ~CThread() = default;
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;
    CThread(CThread&&) = default;
    CThread& operator=(CThread&&) = default;

    // Starts pfnThreadProc(pParam) at nPriority, running at once. FALSE when the thread could
    // not be made, or while the handle of an earlier thread is held: Close it once that thread
    // has ended, as dropping it unawares would lose the only way to wait for a running thread.
    BOOL Begin(ThreadProc pfnThreadProc, LPVOID pParam, int nPriority = THREAD_PRIORITY_NORMAL);

    // Ends the calling thread with nExitCode. Only for threads started by Begin; objects on the
    // thread's stack are not destroyed, so prefer returning from the thread function.
    [[noreturn]] static void End(UINT nExitCode);

    HANDLE GetHandle() const { return m_hThread.Get(); }
    DWORD GetId() const { return m_nThreadID; }
    // Drops the handle once the thread is known to have ended.
    void Close()
    {
        m_hThread.Reset();
        m_nThreadID = 0;
    }

private:
    CKernelHandle m_hThread;
    DWORD m_nThreadID = 0;
};
