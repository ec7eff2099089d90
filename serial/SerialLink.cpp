// CSerialLink: opening and configuring the port, the worker's event loop, the byte delivery and
// the stop handshake.
#include "serial/SerialLink.h"

#include <cstdio>
#include <cstring>
#include <new>

#include <dbt.h>

#include "serial/PortErrorPolicy.h"
#include "serial/PortName.h"
#include "win/SystemError.h"

UINT g_nSerialByteMsg = WM_SERIAL_BYTE;

namespace
{
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr UINT kStoppedExitCode = 100;
// How often a wait for the worker's end looks for a box the worker put up after the last look.
constexpr DWORD kBoxSweepMs = 100;
// After this long of a silent line the worker asks whether the handle still answers: a driver
// may keep a pulled adapter's handle, and its wait, pending for ever.
constexpr DWORD kHealthCheckMs = 2000;
// This many wakes with neither an event nor a byte within kHealthCheckMs: a driver completing
// empty waits for an adapter that is gone.
constexpr unsigned kEmptyWakesLost = 50;
// What a read of one byte may take: the port's time-outs allow it two seconds.
constexpr DWORD kIoBoundMs = 3000;
// What a cancelled I/O, or a wait told by a new mask to end, is given to do so.
constexpr DWORD kIoEndMs = 500;

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

// Only what the mode text names comes from the operator. Every other member that changes what is
// received is set here, not left from whichever program used the port last: a stale fNull drops
// every 0x00 byte of a frame, fAbortOnError turns one framing error into a failed wait, and
// DSR sensitivity or any flow control silences the input.
void SetReceivingMembers(DCB& dcb)
{
    dcb.DCBlength = sizeof(DCB);
    dcb.fBinary = TRUE;
    dcb.fParity = dcb.Parity != NOPARITY;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    dcb.wReserved = 0; // must be zero, or the port refuses the whole record
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
CSerialLink::CommCalls CSerialLink::s_comm = {::WaitCommEvent, ::ClearCommError, ::SetCommMask,
                                              ::GetCommState, ::SetCommState};

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
    m_bPortRemoved = false;
    if (!Configure() && m_bReconnect)
    {
        ClosePort(); // a failed try: the next one comes as after a failed open
        return false;
    }
    ::PurgeComm(m_hPort.Get(), kPurgeAll);
    return true;
}

bool CSerialLink::Configure()
{
    const HANDLE hPort = m_hPort.Get();
    m_timeouts.ReadIntervalTimeout = 1000;
    m_timeouts.ReadTotalTimeoutMultiplier = 1000;
    m_timeouts.ReadTotalTimeoutConstant = 1000;
    m_timeouts.WriteTotalTimeoutMultiplier = 1000;
    m_timeouts.WriteTotalTimeoutConstant = 1000;

    // Each step runs only if the one before it held; the first that fails is reported.
    const char* pszFailed = nullptr;
    if (!::SetCommTimeouts(hPort, &m_timeouts))
        pszFailed = "SetCommTimeouts()";
    else if (!s_comm.pfnSetCommMask(hPort, m_dwEventMask))
        pszFailed = "SetCommMask()";
    else if (!s_comm.pfnGetCommState(hPort, &m_dcbLine))
        pszFailed = "GetCommState()";
    else
    {
        m_dcbLine.EvtChar = 'q';
        m_dcbLine.fRtsControl = RTS_CONTROL_ENABLE;
        if (!::BuildCommDCBA(m_szMode, &m_dcbLine))
            pszFailed = "BuildCommDCB()";
        else
        {
            SetReceivingMembers(m_dcbLine);
            if (!s_comm.pfnSetCommState(hPort, &m_dcbLine))
                pszFailed = "SetCommState()";
        }
    }
    if (!pszFailed || JudgePortError(PortCall::Configure, ::GetLastError()) != PortVerdict::Refused)
        return true;
    // Reconnecting, nobody may be there to press OK (a re-plugged adapter refuses its settings
    // for a moment): the try fails quietly and the next one comes.
    if (!m_bReconnect)
        ReportError(pszFailed);
    return false;
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

void CSerialLink::OnDeviceChange(WPARAM nEvent, LPARAM lParam)
{
    const auto* pHeader = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
    if (nEvent != DBT_DEVICEREMOVECOMPLETE || !pHeader ||
        pHeader->dbch_devicetype != DBT_DEVTYP_PORT || !m_thread.GetHandle())
        return;
    const auto* pPort = reinterpret_cast<const DEV_BROADCAST_PORT_A*>(pHeader);
    if (::lstrcmpiA(pPort->dbcp_name, PortName(static_cast<int>(m_nPort)).c_str()) != 0)
        return;
    // Raised before the wake: the worker looks at it after every start of a wait and every wake.
    m_bPortRemoved = true;
    ::SetEvent(m_hPortEvent.Get());
}

UINT CSerialLink::PortThreadProc(LPVOID pParam)
{
    CSerialLink* pLink = static_cast<CSerialLink*>(pParam);
    pLink->m_bThreadRunning = TRUE;
    return pLink->RunWorker();
}

UINT CSerialLink::RunWorker()
{
    m_bWaitPending = false;
    m_nEmptyWakes = 0;
    // Only a reconnecting link is started without its port.
    if (!m_hPort && !AwaitPortBack(true))
        return EndWorker();
    for (;;)
    {
        bool bAlive = ArmWait();
        if (bAlive && !m_bPortRemoved)
        {
            switch (::WaitForMultipleObjects(3, m_ahWait, FALSE, kHealthCheckMs))
            {
            case WAIT_OBJECT_0: // stop
                return EndWorker();
            case WAIT_OBJECT_0 + 1: // port event
                bAlive = OnPortEvent();
                break;
            case WAIT_OBJECT_0 + 2: // write request
                WritePending();
                break;
            case WAIT_TIMEOUT: // a silent line: is the handle still there?
            {
                DWORD dwQueued = 0;
                bAlive = QueuedInput(dwQueued);
                break;
            }
            default: // a wait that fails would fail again at once, and could never see a stop
                return EndWorker();
            }
        }
        if ((!bAlive || m_bPortRemoved) && (StopRequested() || !PortLost()))
            return EndWorker();
    }
}

bool CSerialLink::ArmWait()
{
    if (m_bWaitPending)
        return true;
    m_dwWaitEvents = 0;
    if (s_comm.pfnWaitCommEvent(m_hPort.Get(), &m_dwWaitEvents, &m_overlapped))
    {
        ::SetEvent(m_hPortEvent.Get()); // ended at once: the loop's wait must see it all the same
        return true;
    }
    m_bWaitPending =
        JudgePortError(PortCall::WaitEvent, ::GetLastError()) == PortVerdict::KeepWaiting;
    return m_bWaitPending;
}

bool CSerialLink::OnPortEvent()
{
    if (m_bWaitPending)
    {
        DWORD dwUnused = 0;
        if (!::GetOverlappedResult(m_hPort.Get(), &m_overlapped, &dwUnused, FALSE))
        {
            // A wait that ends in failure is how a vanished device shows itself on some drivers
            // (and under Wine); one still in flight was woken by a removal that the loop sees.
            if (JudgePortError(PortCall::WaitResult, ::GetLastError()) != PortVerdict::Lost)
                return true;
            m_bWaitPending = false;
            return false;
        }
        m_bWaitPending = false;
    }
    // The mask set at open, not what happened: every enabled kind is acted on.
    DWORD dwMask = 0;
    ::GetCommMask(m_hPort.Get(), &dwMask);
    DWORD nRead = 0;
    if ((dwMask & EV_RXCHAR) && !DrainInput(nRead))
        return false;
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
    return CountEmptyWake(m_dwWaitEvents == 0 && nRead == 0);
}

bool CSerialLink::CountEmptyWake(bool bEmpty)
{
    const ULONGLONG nNow = ::GetTickCount64();
    if (!bEmpty || nNow - m_nEmptyRunStart > kHealthCheckMs)
    {
        m_nEmptyWakes = 0;
        m_nEmptyRunStart = nNow;
    }
    return !bEmpty || ++m_nEmptyWakes < kEmptyWakesLost;
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

bool CSerialLink::PortLost()
{
    // Told before the port is let go, which may take a dead adapter's driver a moment.
    if (m_bReconnect)
    {
        Notify(WM_SERIAL_PORT_LOST, 0);
        return AwaitPortBack(false);
    }
    ShowDisconnect();
    // The port stays open until Stop: the operator is told to stop and start again.
    EndPendingWait();
    ::WaitForSingleObject(m_hStopEvent.Get(), INFINITE);
    return false;
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
        if (bAtStart)
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
    m_nEmptyWakes = 0;
    Notify(WM_SERIAL_PORT_BACK, bOpenedAtOnce ? TRUE : FALSE);
    return true;
}

bool CSerialLink::TryOpen()
{
    CPortLock lock(m_csPort);
    m_bOpening = true;
    // Asked after raising the flag: a stop either is seen here or sees the flag and cancels. A
    // port that opens but cannot say what it holds (a driver keeping a pulled adapter's handle
    // half alive) is not back.
    DWORD dwQueued = 0;
    const bool bOpen = !StopRequested() && OpenDevice() && QueuedInput(dwQueued);
    if (!bOpen)
        ClosePort();
    m_bOpening = false;
    return bOpen;
}

bool CSerialLink::DrainInput(DWORD& rnRead)
{
    // One byte per read, one message per byte; the queue is asked again only once the bytes
    // it last reported have been read, as each question costs as much as a read.
    rnRead = 0;
    DWORD dwQueued = 0;
    while (QueuedInput(dwQueued))
    {
        if (dwQueued == 0)
            return true;
        for (; dwQueued != 0; --dwQueued)
        {
            // A busy line must not hold off a Stop: what is left unread dies with the port.
            if (StopRequested())
                return true;
            bool bGot = false;
            if (!ReadOneByte(bGot))
                return false;
            if (bGot)
            {
                ++rnRead;
                Notify(g_nSerialByteMsg, m_byteRead);
            }
        }
    }
    return false;
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
        FinishIo(kIoBoundMs, dwWritten);
    else
        ReportError("WriteFile()");
}

void CSerialLink::ReportError(const char* pszCall)
{
    // Once a stop is asked for, what went wrong on the way out is noise.
    if (StopRequested())
        return;
    const std::string strSystem = SystemErrorTextA(::GetLastError());
    // snprintf cuts a long system text at the buffer's end.
    char szText[200];
    std::snprintf(szText, sizeof szText,
                  "WARNING:  %s Failed with the following error: \n%s\nPort: %u\n", pszCall,
                  strSystem.c_str(), m_nPort);
    ::MessageBoxA(nullptr, szText, "Application Error", MB_ICONERROR | MB_OK);
}

bool CSerialLink::QueuedInput(DWORD& rdwQueued)
{
    CPortLock lock(m_csPort);
    DWORD dwErrors = 0;
    COMSTAT status = {};
    rdwQueued = 0;
    if (!s_comm.pfnClearCommError(m_hPort.Get(), &dwErrors, &status))
        return JudgePortError(PortCall::Status, ::GetLastError()) != PortVerdict::Lost;
    rdwQueued = status.cbInQue;
    return true;
}

bool CSerialLink::ReadOneByte(bool& rbGot)
{
    CPortLock lock(m_csPort);
    DWORD dwRead = 0;
    const char* pszCall = "ReadFile()";
    BOOL bDone = ::ReadFile(m_hPort.Get(), &m_byteRead, 1, &dwRead, &m_overlapped);
    if (!bDone && JudgePortError(PortCall::Read, ::GetLastError()) == PortVerdict::KeepWaiting)
    {
        pszCall = "GetOverlappedResults() in ReadFile()";
        bDone = FinishIo(kIoBoundMs, dwRead);
    }
    if (!bDone)
    {
        // A reconnecting link's failed read is a port going: no box holds the worker from its
        // tries.
        if (!m_bReconnect)
            ReportError(pszCall);
        return false;
    }
    rbGot = dwRead == 1;
    return true;
}

BOOL CSerialLink::FinishIo(DWORD nMillis, DWORD& rdwDone)
{
    const HANDLE ahWait[2] = {m_overlapped.hEvent, m_hStopEvent.Get()};
    if (!HasOverlappedIoCompleted(&m_overlapped) &&
        ::WaitForMultipleObjects(2, ahWait, FALSE, nMillis) != WAIT_OBJECT_0)
    {
        ::CancelIoEx(m_hPort.Get(), &m_overlapped);
        ::WaitForSingleObject(m_overlapped.hEvent, kIoEndMs);
    }
    // ERROR_IO_INCOMPLETE when even the cancel was ignored: what the system writes later lands
    // in the link's members.
    return ::GetOverlappedResult(m_hPort.Get(), &m_overlapped, &rdwDone, FALSE);
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
    // Closing the port under a pending wait lets the system write into m_overlapped after the
    // worker has moved on. A new mask ends the wait at once; a driver that refuses the mask, or
    // ignores it, has the wait cancelled, and neither may hold a stop for long.
    if (!m_bWaitPending)
        return;
    m_bWaitPending = false;
    // The owner may have set the event to tell of a removal: only the wait's end may count.
    if (!HasOverlappedIoCompleted(&m_overlapped))
        ::ResetEvent(m_overlapped.hEvent);
    DWORD dwUnused = 0;
    FinishIo(s_comm.pfnSetCommMask(m_hPort.Get(), 0) ? kIoEndMs : 0, dwUnused);
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
