// CSerialLink: one COM port opened for overlapped I/O and one worker thread that hands every
// received byte, in order, to an owner window with a synchronous SendMessage. Receive-only in
// this program: the write path exists but nothing asks for it. The worker never shows a box: it
// posts what went wrong, and the link's side on the owner's thread shows it (ShowProblems).
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include <windows.h>

#include "serial/DeviceList.h"
#include "serial/LineErrors.h"
#include "win/KernelHandle.h"
#include "win/Thread.h"
#include "win/Wnd.h"

// Messages the worker sends to the owner window; lParam is always the port number.
constexpr UINT WM_SERIAL_BREAK = WM_USER + 1;
constexpr UINT WM_SERIAL_CTS = WM_USER + 2;
constexpr UINT WM_SERIAL_LINE_ERROR = WM_USER + 4;
constexpr UINT WM_SERIAL_RING = WM_USER + 5;
constexpr UINT WM_SERIAL_BYTE = WM_USER + 7; // wParam: the byte, 0 to 255
constexpr UINT WM_SERIAL_EVENT_CHAR = WM_USER + 8;
// Only from a reconnecting link: the port is gone and let go (tries to open it follow), and the
// port is open again (bytes follow). _BACK's wParam is TRUE when it opened at the worker's first
// try after PreparePort, with no loss told before; its lParam is the port it is back on, another
// number when the link followed its port's device there.
constexpr UINT WM_SERIAL_PORT_LOST = WM_USER + 9;
constexpr UINT WM_SERIAL_PORT_BACK = WM_USER + 10;
// Posted, never sent: something went wrong that the operator is to be told of. The owner calls
// the link's ShowProblems on its own thread.
constexpr UINT WM_SERIAL_PROBLEM = WM_USER + 11;
// Only from a reconnecting link that knows its port's device: after a loss, wParam present ports
// could equally be it, so none is taken (told once a loss).
constexpr UINT WM_SERIAL_PORT_UNSURE = WM_USER + 20;

// The message number used for each received byte; the worker reads it for every byte.
extern UINT g_nSerialByteMsg;

class CSerialLink
{
public:
    CSerialLink();
    // Ends the worker (handling what it sends meanwhile), closes the port and the events. A
    // worker left behind by EndThread is waited for: the program ends before that (see
    // CAnalyzerApp), as the worker still writes into this object.
    virtual ~CSerialLink();
    CSerialLink(const CSerialLink&) = delete;
    CSerialLink& operator=(const CSerialLink&) = delete;

    // Ends the worker, then opens and configures port nPort. FALSE when the port (or the
    // worker's events) cannot be made, or an earlier worker is still stuck in its driver. A
    // configuration step that fails is reported (its box comes from ShowProblems) and the rest
    // is skipped. Reconnecting, a refused step fails the open instead, with no box.
    BOOL OpenPort(CWnd* pPortOwner, UINT nPort, UINT nBaud, char cParity, UINT nDataBits,
                  UINT nStopBits, DWORD dwCommEvents, UINT nWriteBufferSize);
    // All of OpenPort but the open, which a reconnecting worker then tries at once: a port that
    // takes seconds to open holds no window. FALSE as OpenPort, but for the port.
    BOOL PreparePort(CWnd* pPortOwner, UINT nPort, UINT nBaud, char cParity, UINT nDataBits,
                     UINT nStopBits, DWORD dwCommEvents, UINT nWriteBufferSize);
    // Starts the worker on the open port; TRUE when the thread was made. FALSE while a worker
    // is still held (OpenPort ends it first), or when no thread can be made: the port is then
    // let go. A reconnecting link starts without its port too: the worker tries to open it.
    BOOL StartThread();
    // Asks the worker to close the port and end; returns at once.
    void RequestStop();
    // Asks the worker to end and waits up to nMillis for it, handling what it sends meanwhile;
    // then cancels a driver call it is stuck in and gives it kCancelEndMs more. FALSE when it
    // is still stuck: it is left behind, and no new worker starts while it lives.
    BOOL EndThread(DWORD nMillis);
    static constexpr DWORD kCancelEndMs = 1000;
    // The owner's handler of WM_SERIAL_PROBLEM: shows each reported problem's box once, owned by
    // the owner window, in the order reported. onLost hears of a lost port before its box, as a
    // box may wait hours for somebody.
    void ShowProblems(const std::function<void()>& onLost = {});
    // WM_DEVICECHANGE's wParam and lParam: the removal of this link's port is a lost port at once.
    void OnDeviceChange(WPARAM nEvent, LPARAM lParam);
    // From the next start on: a port that is lost (or did not open) is let go and opened again
    // about every kRetryMs, with WM_SERIAL_PORT_LOST and _BACK instead of the disconnect box.
    void SetReconnect(bool bReconnect) { m_bReconnect = bReconnect; }
    static constexpr DWORD kRetryMs = 2000;
    // The device a reconnecting link follows to another port number once its port is lost.
    CPortFollower& Follower() { return m_follower; }
    // The line errors counted since the last call.
    LineErrorCounts TakeLineErrors() { return m_lineErrors.Take(); }

private:
    friend class CSerialLinkTestPeer; // the tests look at the driver's queue and the worker

    // The system's calls that drivers (or the system) answer in ways Wine will not play on
    // demand: a pulled adapter, a wedged driver, a late completion, an event that cannot be
    // made. One table that the tests' peer stands in for, call by call; a new call joins it.
    struct SystemCalls
    {
        HANDLE (*pfnCreateEvent)(); // a manual-reset event
        HANDLE (*pfnOpenPort)(const char* pszName);
        BOOL (*pfnBeginWorker)(CThread& thread, LPVOID pLink);
        decltype(&::WaitCommEvent) pfnWaitCommEvent;
        decltype(&::ClearCommError) pfnClearCommError;
        decltype(&::SetCommMask) pfnSetCommMask;
        decltype(&::SetupComm) pfnSetupComm;
        decltype(&::GetCommState) pfnGetCommState;
        decltype(&::SetCommState) pfnSetCommState;
        decltype(&::ReadFile) pfnReadFile;
        decltype(&::CancelIoEx) pfnCancelIoEx;
    };
    static SystemCalls s_system;

    // One overlapped I/O and all the system writes for it: the events word of a wait, the byte
    // of a read. Given back only once GetOverlappedResult says it has finished; one that has
    // not is set aside (m_setAside), never reused.
    struct CPortIo
    {
        OVERLAPPED overlapped = {};
        CKernelHandle hEvent; // overlapped.hEvent, manual reset
        DWORD dwEvents = 0;
        BYTE byte = 0;
    };
    // What went wrong, waiting for the owner's thread: a step or read that failed (the "Application
    // Error" box), or with no call a lost port (the disconnect box).
    struct Problem
    {
        const char* pszCall;
        DWORD dwError;
    };

    static HANDLE CreateManualResetEvent();
    static HANDLE OpenOverlapped(const char* pszName);
    static BOOL BeginWorker(CThread& thread, LPVOID pLink);
    static UINT PortThreadProc(LPVOID pParam);
    // An existing manual-reset event is reset, a missing one made; false when it cannot be.
    static bool ResetOrCreate(CKernelHandle& hEvent);
    // A record for one I/O with an event of its own; null when the event cannot be made.
    static std::unique_ptr<CPortIo> MakeIo();

    // The worker
    UINT RunWorker();
    // Starts a wait for the port's next event unless one is in flight; false: the port is lost.
    bool ArmWait();
    // The wait has ended: acts on every kind of event the mask enables; false: the port is lost.
    bool OnPortEvent();
    // Hands every queued byte to the owner, rnRead of them; false: the port is lost.
    bool DrainInput(DWORD& rnRead);
    void WritePending();
    // Opens m_szPortName and sets it up; false when it will not open, or (on a reconnecting
    // link, where no box may wait for a person) will not take its settings.
    bool OpenDevice();
    // The line settings; false, after reporting the step on a link that is not reconnecting,
    // when the port refuses one.
    bool Configure();
    // The port is lost: told to the owner (ReportLoss), then nothing but the stop (false); or,
    // reconnecting, AwaitPortBack.
    bool PortLost();
    // The one place where the owner hears of a lost port: a reconnecting link's
    // WM_SERIAL_PORT_LOST, or the disconnect box.
    void ReportLoss();
    // Lets the port go and tries it every m_nRetryMs until it opens (true) or a stop (false);
    // bAtStart: the first try comes at once, and the loss is told only if it fails.
    bool AwaitPortBack(bool bAtStart);
    // One try of a reconnecting worker; false at once after a stop.
    bool TryOpen();
    // Before a try: the port the followed device is at now becomes m_nPort; false when no port
    // is to be tried (another device holds it, or several could be the device).
    bool FollowDevice();
    // The worker's last step: closes the port and clears the running flag.
    UINT EndWorker();
    // The bytes queued now; false when the queue cannot be asked: the port is lost.
    bool QueuedInput(DWORD& rdwQueued);
    // One byte into rbyte (rbGot unless the read timed out); false: the port is lost.
    bool ReadOneByte(bool& rbGot, BYTE& rbyte);
    // A wake with neither an event nor a byte; false once such wakes come too fast to be
    // anything but a driver completing empty waits for an adapter that is gone.
    bool CountEmptyWake(bool bEmpty);
    // Waits up to nMillis (less after a stop or a removal) for pIo's I/O, cancels it if it has
    // not ended, and returns its result as GetOverlappedResult does. An I/O the system has not
    // given back even then is set aside and pIo is left null.
    BOOL FinishIo(std::unique_ptr<CPortIo>& pIo, DWORD nMillis, DWORD& rdwDone);
    void SetAside(std::unique_ptr<CPortIo>& pIo);
    void EndPendingWait();
    void ClosePort();
    bool StopRequested() const;
    // Queues a problem for the owner's thread and tells it; the last error is the call's.
    void Report(const char* pszCall);
    void Notify(UINT nMessage, WPARAM wParam);

    // The owner's thread
    // Waits up to nMillis (or INFINITE) for the worker's end, handling what it sends this
    // thread meanwhile; true once no worker runs.
    bool AwaitWorkerEnd(DWORD nMillis);
    bool TakeProblem(Problem& rProblem);
    void ShowError(const Problem& problem);
    void ShowDisconnect();

    // Set on the owner's thread before a worker starts (PreparePort, StartThread); the worker
    // only reads them.
    DWORD m_nWriteLength = 1;
    CKernelHandle m_hWriteRequest;
    CKernelHandle m_hStopEvent;
    // The device notices' own wake (our port removed; a port arrived while retrying): never an
    // I/O's event, whose signal means that I/O is done.
    CKernelHandle m_hDeviceEvent;
    CWnd* m_pNotifyWnd = nullptr;
    HWND m_hNotifyWnd = nullptr; // m_pNotifyWnd's window as OpenPort found it
    std::unique_ptr<BYTE[]> m_pWriteBuf;
    DWORD m_dwEventMask = 0;
    UINT m_nWriteBufSize = 0;
    // What OpenPort was given, for the tries of a reconnecting worker; the worker's while it
    // runs, as following its device changes the name.
    char m_szPortName[50] = "";
    char m_szMode[50] = "";
    DWORD m_nRetryMs = kRetryMs;
    CThread m_thread; // the owner's thread's only

    // The port and its I/O: the owner's thread's while no worker runs (OpenPort, StartThread,
    // the destructor), the worker's while it runs. A worker's start and end hand them over, so
    // neither thread ever waits for the other to use them.
    CKernelHandle m_hPort;
    // Priority order: a stop wins over port events, port events over a write request, and
    // those over the removal notice, which the worker also reads at every wake.
    HANDLE m_ahWait[4] = {};
    std::unique_ptr<CPortIo> m_pIo; // the event wait's and every read's; [1] is its event
    std::vector<std::unique_ptr<CPortIo>> m_setAside;
    COMMTIMEOUTS m_timeouts = {};
    DCB m_dcbLine = {};
    // Set by the worker while a WaitCommEvent is in flight on m_pIo.
    bool m_bWaitPending = false;
    // The worker's run of empty wakes, and when it began.
    unsigned m_nEmptyWakes = 0;
    ULONGLONG m_nEmptyRunStart = 0;
    bool m_bUnsureTold = false; // the ambiguity of this loss has been told

    // Shared between the threads.
    // Changed by a reconnecting worker that follows its device; read by the owner's thread too.
    std::atomic<UINT> m_nPort{0};
    // Guards m_problems and the stop flag's writes, so that nothing is queued after a stop has
    // cleared the queue; and the end of m_bRetrying with an arrival's wake of the worker. Never
    // held across a call on the port or while waiting: a driver that blocks holds only the worker.
    CRITICAL_SECTION m_csPort;
    std::vector<Problem> m_problems;
    // Written by the worker, polled by the owner's thread.
    std::atomic<BOOL> m_bThreadRunning{FALSE};
    // Raised by the owner's thread when the system says the port's device was removed.
    std::atomic<bool> m_bPortRemoved{false};
    // Mirrors the stop event for the per-byte check in DrainInput, where asking the kernel
    // about the event for every byte would cost as much as reading it.
    std::atomic<bool> m_bStopRequested{false};
    // Set on the owner's thread before OpenPort ends the last worker, which may still read it.
    std::atomic<bool> m_bReconnect{false};
    // Raised while the worker is inside an open that may block: a stop then cancels it.
    std::atomic<bool> m_bOpening{false};
    // Raised by the worker while it waits between tries: an arriving port then wakes it. The
    // arrival itself is raised by the owner's thread and taken by the worker's next wait.
    std::atomic<bool> m_bRetrying{false};
    std::atomic<bool> m_bPortArrived{false};
    // Each guards itself: the worker learns the device and counts line errors, the owner's
    // thread reads them.
    CPortFollower m_follower;
    CLineErrorCounter m_lineErrors;

    // The owner's thread's only: raised while ShowProblems has a box up.
    bool m_bShowingProblems = false;
};
