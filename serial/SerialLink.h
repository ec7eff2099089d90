// CSerialLink: one COM port opened for overlapped I/O and one worker thread that hands every
// received byte, in order, to an owner window with a synchronous SendMessage. Receive-only in
// this program: the write path exists but nothing asks for it.
#pragma once

#include <atomic>
#include <memory>

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
// Only from a reconnecting link that knows its port's device: after a loss, wParam present ports
// could equally be it, so none is taken (told once a loss).
constexpr UINT WM_SERIAL_PORT_UNSURE = WM_USER + 20;

// The message number used for each received byte; the worker reads it for every byte.
extern UINT g_nSerialByteMsg;

class CSerialLink
{
public:
    CSerialLink();
    // Ends a running worker (handling what it sends meanwhile), closes the port and the events.
    virtual ~CSerialLink();
    CSerialLink(const CSerialLink&) = delete;
    CSerialLink& operator=(const CSerialLink&) = delete;

    // Ends a running worker, then opens and configures port nPort. FALSE only when the port
    // (or the worker's events) cannot be made; a configuration step that fails shows its box
    // and the rest is skipped. Reconnecting, a refused step fails the open instead, with no box.
    BOOL OpenPort(CWnd* pPortOwner, UINT nPort, UINT nBaud, char cParity, UINT nDataBits,
                  UINT nStopBits, DWORD dwCommEvents, UINT nWriteBufferSize);
    // All of OpenPort but the open, which a reconnecting worker then tries at once: a port that
    // takes seconds to open holds no window. FALSE only when the events cannot be made.
    BOOL PreparePort(CWnd* pPortOwner, UINT nPort, UINT nBaud, char cParity, UINT nDataBits,
                     UINT nStopBits, DWORD dwCommEvents, UINT nWriteBufferSize);
    // Starts the worker on the open port; TRUE when the thread was made. FALSE while a worker
    // is still held (OpenPort ends it first), or when no thread can be made: the port is then
    // let go. A reconnecting link starts without its port too: the worker tries to open it.
    BOOL StartThread();
    // Asks the worker to close the port and end, and takes down a box it shows; returns at once.
    void RequestStop();
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

    // An existing manual-reset event is reset, a missing one made; false when it cannot be.
    static bool ResetOrCreate(CKernelHandle& hEvent);
    // Makes one manual-reset event, opens a port by name, starts the worker. Reached through
    // pointers only so that the tests' peer can count them or make them fail, which Win32 does
    // not do on demand.
    static HANDLE (*s_pfnCreateEvent)();
    static HANDLE (*s_pfnOpenPort)(const char* pszName);
    static BOOL (*s_pfnBeginWorker)(CThread& thread, LPVOID pLink);
    // The comm calls that USB serial drivers answer in their own ways once an adapter is pulled,
    // reached through pointers for the same reason: the peer plays such a driver.
    struct CommCalls
    {
        decltype(&::WaitCommEvent) pfnWaitCommEvent;
        decltype(&::ClearCommError) pfnClearCommError;
        decltype(&::SetCommMask) pfnSetCommMask;
        decltype(&::GetCommState) pfnGetCommState;
        decltype(&::SetCommState) pfnSetCommState;
    };
    static CommCalls s_comm;

    static UINT PortThreadProc(LPVOID pParam);
    static BOOL BeginWorker(CThread& thread, LPVOID pLink);
    UINT RunWorker();
    // Starts a wait for the port's next event unless one is in flight; false: the port is lost.
    bool ArmWait();
    // The wait has ended: acts on every kind of event the mask enables; false: the port is lost.
    bool OnPortEvent();
    // Hands every queued byte to the owner, rnRead of them; false: the port is lost.
    bool DrainInput(DWORD& rnRead);
    void WritePending();
    void ReportError(const char* pszCall);
    // Opens m_szPortName and sets it up, under m_csPort; false when it will not open, or (on a
    // reconnecting link, where no box may wait for a person) will not take its settings.
    bool OpenDevice();
    // The line settings; false, after the step's box on a link that is not reconnecting, when
    // the port refuses one.
    bool Configure();
    // The port is lost: the disconnect box, then nothing but the stop (false); or, reconnecting,
    // AwaitPortBack.
    bool PortLost();
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
    // Takes down the worker's boxes and cancels an open it is blocked in.
    void CloseWorkerBoxes();

    // The bytes queued now; false when the queue cannot be asked: the port is lost.
    bool QueuedInput(DWORD& rdwQueued);
    // One byte into m_byteRead (rbGot unless the read timed out); false: the port is lost.
    bool ReadOneByte(bool& rbGot);
    // A wake with neither an event nor a byte; false once such wakes come too fast to be
    // anything but a driver completing empty waits for an adapter that is gone.
    bool CountEmptyWake(bool bEmpty);
    // Waits up to nMillis (less after a stop) for the I/O in flight on m_overlapped, cancels it
    // if it has not ended, and returns its result as GetOverlappedResult does.
    BOOL FinishIo(DWORD nMillis, DWORD& rdwDone);
    bool StopRequested() const;
    void ShowDisconnect();
    void EndPendingWait();
    void ClosePort();
    void WaitForWorkerEnd();
    void Notify(UINT nMessage, WPARAM wParam);

    DWORD m_nWriteLength = 1;
    CKernelHandle m_hPort;
    CRITICAL_SECTION m_csPort;
    // Written by the worker, polled by the owner's thread.
    std::atomic<BOOL> m_bThreadRunning{FALSE};
    CKernelHandle m_hWriteRequest;
    CKernelHandle m_hStopEvent;
    CKernelHandle m_hPortEvent; // owns m_overlapped.hEvent
    // Priority order: a stop wins over port events, port events over a write request.
    HANDLE m_ahWait[3] = {};
    OVERLAPPED m_overlapped = {};
    COMMTIMEOUTS m_timeouts = {};
    DCB m_dcbLine = {};
    CWnd* m_pNotifyWnd = nullptr;
    HWND m_hNotifyWnd = nullptr; // m_pNotifyWnd's window as OpenPort found it
    // Changed by a reconnecting worker that follows its device; read by the owner's thread too.
    std::atomic<UINT> m_nPort{0};
    std::unique_ptr<BYTE[]> m_pWriteBuf;
    DWORD m_dwEventMask = 0;
    UINT m_nWriteBufSize = 0;
    CThread m_thread;
    // Set by the worker while a WaitCommEvent is in flight on m_overlapped. What the system
    // writes for an I/O in flight (the events word, the byte read) lives as long as the link:
    // a driver may complete it after the worker has given up on it.
    bool m_bWaitPending = false;
    DWORD m_dwWaitEvents = 0;
    BYTE m_byteRead = 0;
    // The worker's run of empty wakes, and when it began.
    unsigned m_nEmptyWakes = 0;
    ULONGLONG m_nEmptyRunStart = 0;
    // Raised by the owner's thread when the system says the port's device was removed.
    std::atomic<bool> m_bPortRemoved{false};
    // Mirrors the stop event for the per-byte check in DrainInput, where asking the kernel
    // about the event for every byte would cost as much as reading it.
    std::atomic<bool> m_bStopRequested{false};
    // What OpenPort was given, for the tries of a reconnecting worker.
    char m_szPortName[50] = "";
    char m_szMode[50] = "";
    // Set on the owner's thread before OpenPort ends the last worker, which may still read it.
    std::atomic<bool> m_bReconnect{false};
    DWORD m_nRetryMs = kRetryMs;
    // Raised while the worker is inside an open that may block: a stop then cancels it.
    std::atomic<bool> m_bOpening{false};
    // Raised by the worker while it waits between tries: an arriving port then wakes it. The
    // arrival itself is raised by the owner's thread and taken by the worker's next wait.
    std::atomic<bool> m_bRetrying{false};
    std::atomic<bool> m_bPortArrived{false};
    CPortFollower m_follower;
    CLineErrorCounter m_lineErrors;
    bool m_bUnsureTold = false; // worker: the ambiguity of this loss has been told
};
