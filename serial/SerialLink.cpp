// CSerialLink: opening and configuring the port, the worker's event loop, the byte delivery and
// the stop handshake.
#include "serial/SerialLink.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "serial/PortName.h"

UINT g_nSerialByteMsg = WM_SERIAL_BYTE;

namespace
{
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr UINT kStoppedExitCode = 100;
// How often a wait for the worker's end looks for a box the worker put up after the last look.
constexpr DWORD kBoxSweepMs = 100;

// Holds m_csPort for one scope.
class CPortLock
{
public:
    explicit CPortLock(CRITICAL_SECTION& cs) : m_cs(cs) { ::EnterCriticalSection(&m_cs); }
    ~CPortLock() { ::LeaveCriticalSection(&m_cs); }
    CPortLock(const CPortLock&) = delete;
    CPortLock& operator=(const CPortLock&) = delete;

private:
    CRITICAL_SECTION& m_cs;
};

HANDLE CreateManualResetEvent()
{
    return ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

HANDLE OpenOverlapped(const char* pszName)
{
    return ::CreateFileA(pszName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
}

// Presses OK on a message box: the worker's windows are its boxes.
BOOL CALLBACK PressOkOnBox(HWND hWnd, LPARAM)
{
    char szClass[8] = "";
    ::GetClassNameA(hWnd, szClass, sizeof szClass);
    if (std::strcmp(szClass, "#32770") == 0)
        ::PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
    return TRUE;
}
} // namespace

HANDLE (*CSerialLink::s_pfnCreateEvent)() = CreateManualResetEvent;
HANDLE (*CSerialLink::s_pfnOpenPort)(const char*) = OpenOverlapped;
BOOL (*CSerialLink::s_pfnBeginWorker)(CThread&, LPVOID) = CSerialLink::BeginWorker;

BOOL CSerialLink::BeginWorker(CThread& thread, LPVOID pLink)
{
    return thread.Begin(PortThreadProc, pLink, THREAD_PRIORITY_NORMAL);
}

bool CSerialLink::ResetOrCreate(CKernelHandle& hEvent)
{
    if (hEvent)
        ::ResetEvent(hEvent.Get());
    else
        hEvent.Reset(s_pfnCreateEvent());
    return static_cast<bool>(hEvent);
}

CSerialLink::CSerialLink()
{
    // Once for the object's life: initialising it again on every open would leak its debug
    // record each time.
    ::InitializeCriticalSection(&m_csPort);
}

CSerialLink::~CSerialLink()
{
    WaitForWorkerEnd();
    {
        CPortLock lock(m_csPort);
        ClosePort();
    }
    m_hStopEvent.Reset();
    m_hPortEvent.Reset();
    m_overlapped.hEvent = nullptr;
    m_hWriteRequest.Reset();
    ::DeleteCriticalSection(&m_csPort);
}

BOOL CSerialLink::OpenPort(CWnd* pPortOwner, UINT nPort, UINT nBaud, char cParity, UINT nDataBits,
                           UINT nStopBits, DWORD dwCommEvents, UINT nWriteBufferSize)
{
    if (!PreparePort(pPortOwner, nPort, nBaud, cParity, nDataBits, nStopBits, dwCommEvents,
                     nWriteBufferSize))
        return FALSE;
    CPortLock lock(m_csPort);
    return OpenDevice() ? TRUE : FALSE;
}

BOOL CSerialLink::PreparePort(CWnd* pPortOwner, UINT nPort, UINT nBaud, char cParity,
                              UINT nDataBits, UINT nStopBits, DWORD dwCommEvents,
                              UINT nWriteBufferSize)
{
    WaitForWorkerEnd();

    // Without its events the worker could neither wait for the port nor ever see a stop. They
    // are made before any port is opened and kept, so a failure here leaves no port open.
    if (!ResetOrCreate(m_hPortEvent) || !ResetOrCreate(m_hWriteRequest) ||
        !ResetOrCreate(m_hStopEvent))
        return FALSE;
    m_overlapped.hEvent = m_hPortEvent.Get();
    m_bStopRequested = false;
    m_ahWait[0] = m_hStopEvent.Get();
    m_ahWait[1] = m_hPortEvent.Get();
    m_ahWait[2] = m_hWriteRequest.Get();

    m_pNotifyWnd = pPortOwner;
    // The worker uses this copy: the owner object's own m_hWnd belongs to the other thread.
    m_hNotifyWnd = pPortOwner ? pPortOwner->GetSafeHwnd() : nullptr;
    m_pWriteBuf.reset(new (std::nothrow) BYTE[nWriteBufferSize ? nWriteBufferSize : 1]);
    m_nPort = nPort;
    m_nWriteBufSize = m_pWriteBuf ? nWriteBufferSize : 0;
    m_dwEventMask = dwCommEvents;
    m_bConfigReported = false;

    std::snprintf(m_szPortName, sizeof m_szPortName, "%s",
                  PortDevicePath(static_cast<int>(nPort)).c_str());
    std::snprintf(m_szMode, sizeof m_szMode, "baud=%u parity=%c data=%u stop=%u", nBaud, cParity,
                  nDataBits, nStopBits);

    // A port still open from before would spare the worker its first try.
    CPortLock lock(m_csPort);
    ClosePort();
    return TRUE;
}

bool CSerialLink::OpenDevice()
{
    ClosePort();
    m_hPort.Reset(s_pfnOpenPort(m_szPortName));
    if (!m_hPort)
        return false;
    const HANDLE hPort = m_hPort.Get();

    m_timeouts.ReadIntervalTimeout = 1000;
    m_timeouts.ReadTotalTimeoutMultiplier = 1000;
    m_timeouts.ReadTotalTimeoutConstant = 1000;
    m_timeouts.WriteTotalTimeoutMultiplier = 1000;
    m_timeouts.WriteTotalTimeoutConstant = 1000;

    // Each step runs only if the one before it held; the first that fails is reported.
    if (!::SetCommTimeouts(hPort, &m_timeouts))
        ReportConfigError("SetCommTimeouts()");
    else if (!::SetCommMask(hPort, m_dwEventMask))
        ReportConfigError("SetCommMask()");
    else if (!::GetCommState(hPort, &m_dcbLine))
        ReportConfigError("GetCommState()");
    else
    {
        m_dcbLine.EvtChar = 'q';
        m_dcbLine.fRtsControl = RTS_CONTROL_ENABLE;
        if (!::BuildCommDCBA(m_szMode, &m_dcbLine))
            ReportConfigError("BuildCommDCB()");
        else if (!::SetCommState(hPort, &m_dcbLine))
            ReportConfigError("SetCommState()");
    }

    ::PurgeComm(hPort, kPurgeAll);
    return true;
}

BOOL CSerialLink::StartThread()
{
    // One worker at most: a second would share m_overlapped and the port with the first.
    if (m_thread.GetHandle())
        return FALSE;
    // Without its events (an open that could not make them) a worker could never see a stop.
    if (m_hPortEvent && m_hWriteRequest && m_hStopEvent)
    {
        // Bytes from before the start are stale. Dropped here rather than on the worker's first
        // step, so that a byte arriving once StartThread has returned is never dropped with them.
        {
            CPortLock lock(m_csPort);
            if (m_hPort)
                ::PurgeComm(m_hPort.Get(), kPurgeAll);
        }
        // Raised before the thread exists, so a stop that follows at once always waits for it.
        m_bThreadRunning = TRUE;
        if (s_pfnBeginWorker(m_thread, this))
            return TRUE;
        m_bThreadRunning = FALSE;
    }
    // No worker will ever close the port: let it go now, so that it opens again.
    CPortLock lock(m_csPort);
    ClosePort();
    return FALSE;
}

void CSerialLink::RequestStop()
{
    m_bStopRequested = true;
    if (m_hStopEvent)
        ::SetEvent(m_hStopEvent.Get());
    // A box the worker shows would hold it, and with it the next Start or the close.
    CloseWorkerBoxes();
}

UINT CSerialLink::PortThreadProc(LPVOID pParam)
{
    CSerialLink* pLink = static_cast<CSerialLink*>(pParam);
    pLink->m_bThreadRunning = TRUE;
    return pLink->RunWorker();
}

UINT CSerialLink::RunWorker()
{
    bool bPortGone = false;
    m_bWaitPending = false;
    DWORD dwEvents = 0; // written by the system while a wait is pending: outlives every wait
    // Only a reconnecting link is started without its port.
    if (!m_hPort && m_bReconnect && !AwaitPortBack(true))
        return EndWorker();
    for (;;)
    {
        if (!bPortGone)
        {
            if (::WaitCommEvent(m_hPort.Get(), &dwEvents, &m_overlapped))
            {
                if (InputQueueLength() == 0)
                    continue;
            }
            else
            {
                const DWORD dwError = ::GetLastError();
                if (dwError == ERROR_IO_PENDING)
                    m_bWaitPending = true;
                else if (dwError != ERROR_INVALID_PARAMETER) // 87: a wait is still pending
                {
                    if (!PortGone(bPortGone))
                        return EndWorker();
                    continue;
                }
            }
        }

        // Once the port is gone there is nothing to wait for but the stop.
        const DWORD dwWait = bPortGone ? ::WaitForSingleObject(m_hStopEvent.Get(), INFINITE)
                                       : ::WaitForMultipleObjects(3, m_ahWait, FALSE, INFINITE);
        // A wait that fails would fail again at once, and could never see a stop: the end.
        if (dwWait == WAIT_OBJECT_0 || dwWait == WAIT_FAILED)
            return EndWorker();
        if (dwWait == WAIT_OBJECT_0 + 1)
        {
            if (m_bWaitPending)
            {
                // A wait that ends in failure is how a vanished device shows itself on some
                // drivers (and under Wine): the next WaitCommEvent would only start it again.
                DWORD dwUnused = 0;
                m_bWaitPending = false;
                if (!::GetOverlappedResult(m_hPort.Get(), &m_overlapped, &dwUnused, FALSE) &&
                    ::GetLastError() != ERROR_IO_INCOMPLETE)
                {
                    if (!PortGone(bPortGone))
                        return EndWorker();
                    continue;
                }
            }
            // The mask set at open, not what happened: every enabled kind is acted on.
            DWORD dwMask = 0;
            ::GetCommMask(m_hPort.Get(), &dwMask);
            if (dwMask & EV_RXCHAR)
                DrainInput();
            if (dwMask & EV_CTS)
                Notify(WM_SERIAL_CTS, 0);
            if (dwMask & EV_BREAK)
                Notify(WM_SERIAL_BREAK, 0);
            if (dwMask & EV_ERR)
                Notify(WM_SERIAL_LINE_ERROR, 0);
            if (dwMask & EV_RING)
                Notify(WM_SERIAL_RING, 0);
            if (dwMask & EV_RXFLAG)
                Notify(WM_SERIAL_EVENT_CHAR, 0);
        }
        else if (dwWait == WAIT_OBJECT_0 + 2)
            WritePending();
    }
}

UINT CSerialLink::EndWorker()
{
    EndPendingWait();
    {
        CPortLock lock(m_csPort);
        ClosePort();
    }
    m_bThreadRunning = FALSE;
    return kStoppedExitCode;
}

bool CSerialLink::PortGone(bool& rbPortGone)
{
    if (m_bReconnect)
        return AwaitPortBack(false);
    rbPortGone = true;
    ShowDisconnect();
    return true;
}

bool CSerialLink::AwaitPortBack(bool bAtStart)
{
    EndPendingWait();
    {
        CPortLock lock(m_csPort);
        ClosePort();
    }
    const bool bOpenedAtOnce = bAtStart && TryOpen();
    if (!bOpenedAtOnce)
    {
        Notify(WM_SERIAL_PORT_LOST, 0);
        do
        {
            // A wait that fails could never see a stop either: the worker ends as on a stop.
            if (::WaitForSingleObject(m_hStopEvent.Get(), m_nRetryMs) != WAIT_TIMEOUT)
                return false;
        } while (!TryOpen());
    }
    if (StopRequested())
        return false;
    ::ResetEvent(m_hPortEvent.Get()); // the lost port's last wait may have left it signalled
    Notify(WM_SERIAL_PORT_BACK, bOpenedAtOnce ? TRUE : FALSE);
    return true;
}

bool CSerialLink::TryOpen()
{
    CPortLock lock(m_csPort);
    m_bOpening = true;
    // Asked after raising the flag: a stop either is seen here or sees the flag and cancels.
    const bool bOpen = !StopRequested() && OpenDevice();
    m_bOpening = false;
    return bOpen;
}

void CSerialLink::DrainInput()
{
    // One byte per read, one message per byte; the queue is asked again only once the bytes
    // it last reported have been read, as each question costs as much as a read.
    for (DWORD dwQueued = InputQueueLength(); dwQueued != 0; dwQueued = InputQueueLength())
    {
        for (; dwQueued != 0; --dwQueued)
        {
            // A busy line must not hold off a Stop: what is left unread dies with the port.
            if (StopRequested())
                return;
            BYTE byte = 0;
            // After a failed read the count may be stale (the device may be gone with the
            // bytes): ask the queue again rather than fail once for every byte it held. A
            // reconnecting link shows no box to pace that: back to the wait, which finds a
            // lost port gone, rather than spin on a count that stays.
            if (!ReadOneByte(byte))
            {
                if (m_bReconnect)
                    return;
                break;
            }
            Notify(g_nSerialByteMsg, byte);
        }
    }
}

void CSerialLink::WritePending()
{
    ::ResetEvent(m_hWriteRequest.Get());
    CPortLock lock(m_csPort);
    m_overlapped.Offset = 0;
    m_overlapped.OffsetHigh = 0;
    ::PurgeComm(m_hPort.Get(), kPurgeAll);
    DWORD dwWritten = 0;
    if (::WriteFile(m_hPort.Get(), m_pWriteBuf.get(), m_nWriteLength, &dwWritten, &m_overlapped))
        return;
    if (::GetLastError() == ERROR_IO_PENDING)
        ::GetOverlappedResult(m_hPort.Get(), &m_overlapped, &dwWritten, TRUE);
    else
        ReportError("WriteFile()");
}

void CSerialLink::ReportError(const char* pszCall)
{
    // Once a stop is asked for, what went wrong on the way out is noise.
    if (StopRequested())
        return;
    const DWORD dwError = ::GetLastError();
    char* pszSystem = nullptr;
    ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, dwError,
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&pszSystem),
                     0, nullptr);
    // snprintf cuts a long system text at the buffer's end.
    char szText[200];
    std::snprintf(szText, sizeof szText,
                  "WARNING:  %s Failed with the following error: \n%s\nPort: %u\n", pszCall,
                  pszSystem ? pszSystem : "", m_nPort);
    ::MessageBoxA(nullptr, szText, "Application Error", MB_ICONERROR | MB_OK);
    if (pszSystem)
        ::LocalFree(pszSystem);
}

void CSerialLink::ReportConfigError(const char* pszCall)
{
    // A reconnecting worker's tries meet the same refusal every time.
    if (!m_bConfigReported)
        ReportError(pszCall);
    m_bConfigReported = true;
}

DWORD CSerialLink::InputQueueLength()
{
    CPortLock lock(m_csPort);
    DWORD dwErrors = 0;
    COMSTAT status = {};
    if (!::ClearCommError(m_hPort.Get(), &dwErrors, &status))
        return 0;
    return status.cbInQue;
}

bool CSerialLink::ReadOneByte(BYTE& rByte)
{
    // A reconnecting link's failed read is a port going: no box holds the worker from its tries.
    const auto fail = [this](const char* pszCall)
    {
        if (!m_bReconnect)
            ReportError(pszCall);
        return false;
    };
    CPortLock lock(m_csPort);
    DWORD dwRead = 0;
    if (::ReadFile(m_hPort.Get(), &rByte, 1, &dwRead, &m_overlapped))
        return dwRead == 1;
    if (::GetLastError() != ERROR_IO_PENDING)
        return fail("ReadFile()");
    if (!::GetOverlappedResult(m_hPort.Get(), &m_overlapped, &dwRead, TRUE))
        return fail("GetOverlappedResults() in ReadFile()");
    return dwRead == 1;
}

bool CSerialLink::StopRequested() const
{
    return m_bStopRequested;
}

void CSerialLink::ShowDisconnect()
{
    if (StopRequested())
        return;
    ::MessageBoxA(m_hNotifyWnd, "Disconnect, Check the port and restart", "Plexa", MB_ICONERROR);
}

void CSerialLink::EndPendingWait()
{
    // Closing the port under a pending wait lets the system write into m_overlapped and the
    // worker's event variable after they are gone. A new mask ends the wait at once.
    if (!m_bWaitPending)
        return;
    m_bWaitPending = false;
    DWORD dwUnused = 0;
    ::SetCommMask(m_hPort.Get(), 0);
    ::GetOverlappedResult(m_hPort.Get(), &m_overlapped, &dwUnused, TRUE);
}

void CSerialLink::ClosePort()
{
    m_hPort.Reset();
}

void CSerialLink::WaitForWorkerEnd()
{
    const HANDLE hThread = m_thread.GetHandle();
    if (!hThread)
        return;
    // The worker may be inside SendMessage to this very thread: handle what it sends while
    // waiting, or neither side would ever move. Sent messages already waiting are handled
    // first, as the wait wakes only for ones that arrive after the queue was last looked at.
    while (m_bThreadRunning)
    {
        RequestStop();
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        const DWORD dwWait =
            ::MsgWaitForMultipleObjects(1, &hThread, FALSE, kBoxSweepMs, QS_SENDMESSAGE);
        if (dwWait == WAIT_OBJECT_0 || dwWait == WAIT_FAILED)
            break; // the thread has ended (or cannot be waited for at all)
    }
    ::WaitForSingleObject(hThread, INFINITE); // it is past its last step; this returns at once
    m_bThreadRunning = FALSE;
    m_thread.Close();
}

void CSerialLink::CloseWorkerBoxes()
{
    if (const DWORD nThreadID = m_thread.GetId())
        ::EnumThreadWindows(nThreadID, PressOkOnBox, 0);
    // An open blocked in its driver (a radio link's port can take seconds) gives up.
    if (m_bOpening)
        ::CancelSynchronousIo(m_thread.GetHandle());
}

void CSerialLink::Notify(UINT nMessage, WPARAM wParam)
{
    if (m_hNotifyWnd)
        ::SendMessageA(m_hNotifyWnd, nMessage, wParam, static_cast<LPARAM>(m_nPort));
}
