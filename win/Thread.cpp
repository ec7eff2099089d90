// CThread: _beginthreadex keeps the C runtime's per-thread state right for code that uses it.
#include "win/Thread.h"

#include <memory>
#include <new>

#include <process.h>

namespace
{
struct StartArgs
{
    CThread::ThreadProc pfn;
    LPVOID pParam;
};

unsigned __stdcall ThreadEntry(void* pv)
{
    std::unique_ptr<StartArgs> args(static_cast<StartArgs*>(pv));
    try
    {
        return args->pfn(args->pParam);
    }
    catch (...)
    {
        // No exception may leave a thread entry; the exit code tells a waiter it went wrong.
        return static_cast<unsigned>(-1);
    }
}
} // namespace

BOOL CThread::Begin(ThreadProc pfnThreadProc, LPVOID pParam, int nPriority)
{
    if (m_hThread)
        return FALSE;
    std::unique_ptr<StartArgs> args(new (std::nothrow) StartArgs{pfnThreadProc, pParam});
    if (!args)
        return FALSE;
    unsigned id = 0;
    // Suspended first, so the priority holds from the thread's first instruction.
    HANDLE h = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, ThreadEntry, args.get(), CREATE_SUSPENDED, &id));
    if (!h)
        return FALSE;
    args.release(); // the thread owns it now
    m_hThread.Reset(h);
    m_nThreadID = id;
    ::SetThreadPriority(h, nPriority);
    ::ResumeThread(h);
    return TRUE;
}

void CThread::End(UINT nExitCode)
{
    _endthreadex(nExitCode);
}
