// CSerialLink: one COM port opened for overlapped I/O and one worker thread that hands every
// received byte, in order, to an owner window with a synchronous SendMessage. Receive-only in
// this program: the write path exists but nothing asks for it.
#pragma once

#include <atomic>
#include <memory>

#include <windows.h>

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
    // and the rest is skipped.
    BOOL OpenPort(CWnd* pPortOwner, UINT nPort, UINT nBaud, char cParity, UINT nDataBits,
                  UINT nStopBits, DWORD dwCommEvents, UINT nWriteBufferSize);
    // Starts the worker on the open port; TRUE when the thread was made. FALSE while a worker
    // is still held: OpenPort ends it first.
    BOOL StartThread();
    // Asks the worker to close the port and end; returns at once.
    void RequestStop();

private:
    friend class CSerialLinkTestPeer; // the tests look at the driver's queue and the worker

    // An existing manual-reset event is reset, a missing one made; false when it cannot be.
    static bool ResetOrCreate(CKernelHandle& hEvent);
    // Makes one manual-reset event. Reached through a pointer only so that the tests' peer can
    // make it fail, which Win32 does not do on demand.
    static HANDLE (*s_pfnCreateEvent)();

    static UINT PortThreadProc(LPVOID pParam);
    UINT RunWorker();
    void DrainInput();
    void WritePending();
    void ReportError(const char* pszCall);

    DWORD InputQueueLength();
    bool ReadOneByte(BYTE& rByte);
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
    UINT m_nPort = 0;
    std::unique_ptr<BYTE[]> m_pWriteBuf;
    DWORD m_dwEventMask = 0;
    UINT m_nWriteBufSize = 0;
    CThread m_thread;
    // Set by the worker while a WaitCommEvent is in flight on m_overlapped.
    bool m_bWaitPending = false;
    // Mirrors the stop event for the per-byte check in DrainInput, where asking the kernel
    // about the event for every byte would cost as much as reading it.
    std::atomic<bool> m_bStopRequested{false};
};
