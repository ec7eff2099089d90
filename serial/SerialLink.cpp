// CSerialLink: opening and configuring the port, the worker's event loop, the byte delivery, the
// stop handshake, and the problems the worker reports shown on the owner's thread.
#include "serial/SerialLink.h"

#include <algorithm>
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
// What OpenPort gives the last worker to end: a Start must never wait long for it.
constexpr DWORD kStartEndMs = 1000;
// The driver's queues, asked for before the line settings; the flow-control limits below must
// fit in them, or the port refuses the settings, though flow control is off.
constexpr DWORD kQueueSize = 4096;
constexpr WORD kFlowLimit = kQueueSize / 4;
constexpr char kXon = 0x11, kXoff = 0x13;

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

// Only what the mode text names comes from the operator. Every other member is set here, not
// left from the driver or from whichever program used the port last: a stale fNull drops every
// 0x00 byte of a frame, fAbortOnError turns one framing error into a failed wait, DSR
// sensitivity or any flow control silences the input, and the port refuses the whole record
// when XonChar equals XoffChar (some virtual-COM drivers report both as 0) or a flow limit
// exceeds its queue.
void SetOwnMembers(DCB& dcb)
{
    dcb.DCBlength = sizeof(DCB);
    dcb.fBinary = TRUE;
    dcb.fParity = dcb.Parity != NOPARITY;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    dcb.fDummy2 = 0;
    dcb.wReserved = 0; // must be zero, or the port refuses the whole record
    dcb.XonLim = kFlowLimit;
    dcb.XoffLim = kFlowLimit;
    dcb.XonChar = kXon;
    dcb.XoffChar = kXoff;
    dcb.ErrorChar = 0;
    dcb.EofChar = 0;
    dcb.EvtChar = 'q';
    dcb.wReserved1 = 0;
}
} // namespace

CSerialLink::SystemCalls CSerialLink::s_system = {
    CSerialLink::CreateManualResetEvent,
    CSerialLink::OpenOverlapped,
    CSerialLink::BeginWorker,
    ::WaitCommEvent,
    ::ClearCommError,
    ::SetCommMask,
    ::SetupComm,
    ::GetCommState,
    ::SetCommState,
    ::ReadFile,
    ::CancelIoEx,
};

HANDLE CSerialLink::CreateManualResetEvent()
{
    return ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

HANDLE CSerialLink::OpenOverlapped(const char* pszName)
{
    return ::CreateFileA(pszName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
}

BOOL CSerialLink::BeginWorker(CThread& thread, LPVOID pLink)
{
    return thread.Begin(PortThreadProc, pLink, THREAD_PRIORITY_NORMAL);
}

bool CSerialLink::ResetOrCreate(CKernelHandle& hEvent)
{
    if (hEvent)
        ::ResetEvent(hEvent.Get());
    else
        hEvent.Reset(s_system.pfnCreateEvent());
    return static_cast<bool>(hEvent);
}

std::unique_ptr<CSerialLink::CPortIo> CSerialLink::MakeIo()
{
    std::unique_ptr<CPortIo> pIo(new (std::nothrow) CPortIo);
    if (pIo)
        pIo->hEvent.Reset(s_system.pfnCreateEvent());
    if (!pIo || !pIo->hEvent)
        return nullptr;
    pIo->overlapped.hEvent = pIo->hEvent.Get();
    return pIo;
}

CSerialLink::CSerialLink()
{
    // Once for the object's life: initialising it again on every open would leak its debug
    // record each time.
    ::InitializeCriticalSection(&m_csPort);
}

CSerialLink::~CSerialLink()
{
    RequestStop();
    AwaitWorkerEnd(INFINITE);
    ClosePort();
    // With the port closed the system ends what was still in flight on it; a record it has
    // not given back even so stays for the program's life rather than be written after free.
    for (std::unique_ptr<CPortIo>& pIo : m_setAside)
        if (!HasOverlappedIoCompleted(&pIo->overlapped))
            static_cast<void>(pIo.release());
    ::DeleteCriticalSection(&m_csPort);
}

BOOL CSerialLink::OpenPort(CWnd* pPortOwner, UINT nPort, UINT nBaud, char cParity, UINT nDataBits,
                           UINT nStopBits, DWORD dwCommEvents, UINT nWriteBufferSize)
{
    if (!PreparePort(pPortOwner, nPort, nBaud, cParity, nDataBits, nStopBits, dwCommEvents,
                     nWriteBufferSize))
        return FALSE;
    return OpenDevice() ? TRUE : FALSE;
}

BOOL CSerialLink::PreparePort(CWnd* pPortOwner, UINT nPort, UINT nBaud, char cParity,
                              UINT nDataBits, UINT nStopBits, DWORD dwCommEvents,
                              UINT nWriteBufferSize)
{
    // A worker stuck in its driver keeps the port and the I/O records: nothing may start anew.
    if (!EndThread(kStartEndMs))
        return FALSE;

    // Without its events the worker could neither wait for the port nor ever see a stop. They
    // are made before any port is opened and kept, so a failure here leaves no port open.
    if (!m_pIo)
        m_pIo = MakeIo();
    if (!m_pIo || !ResetOrCreate(m_hWriteRequest) || !ResetOrCreate(m_hStopEvent) ||
        !ResetOrCreate(m_hDeviceEvent))
        return FALSE;
    {
        CPortLock lock(m_csPort);
        m_bStopRequested = false;
        m_problems.clear();
    }
    m_ahWait[0] = m_hStopEvent.Get();
    m_ahWait[1] = m_pIo->hEvent.Get();
    m_ahWait[2] = m_hWriteRequest.Get();
    m_ahWait[3] = m_hDeviceEvent.Get();

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
    ClosePort();
    return TRUE;
}

bool CSerialLink::OpenDevice()
{
    ClosePort();
    m_hPort.Reset(s_system.pfnOpenPort(m_szPortName));
    if (!m_hPort)
        return false;
    m_bPortRemoved = false;
    ::ResetEvent(m_hDeviceEvent.Get());
    if (!Configure() && m_bReconnect)
    {
        ClosePort(); // a failed try: the next one comes as after a failed open
        return false;
    }
    ::PurgeComm(m_hPort.Get(), kPurgeAll);
    // The port is open and set up: what the link learns about a newly opened port goes here.
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
    else if (!s_system.pfnSetCommMask(hPort, m_dwEventMask))
        pszFailed = "SetCommMask()";
    else if (!s_system.pfnSetupComm(hPort, kQueueSize, kQueueSize))
        pszFailed = "SetupComm()";
    else if (!s_system.pfnGetCommState(hPort, &m_dcbLine))
        pszFailed = "GetCommState()";
    else if (!::BuildCommDCBA(m_szMode, &m_dcbLine))
        pszFailed = "BuildCommDCB()";
    else
    {
        SetOwnMembers(m_dcbLine);
        if (!s_system.pfnSetCommState(hPort, &m_dcbLine))
            pszFailed = "SetCommState()";
    }
    if (!pszFailed || JudgePortError(PortCall::Configure, ::GetLastError()) != PortVerdict::Refused)
        return true;
    // Reconnecting, nobody may be there to press OK (a re-plugged adapter refuses its settings
    // for a moment): the try fails quietly and the next one comes.
    if (!m_bReconnect)
        Report(pszFailed);
    return false;
}

BOOL CSerialLink::StartThread()
{
    // One worker at most: a second would share the I/O records and the port with the first.
    if (m_thread.GetHandle())
        return FALSE;
    // Without its events (an open that could not make them) a worker could never see a stop.
    if (m_pIo && m_hWriteRequest && m_hStopEvent && m_hDeviceEvent)
    {
        // Bytes from before the start are stale. Dropped here rather than on the worker's first
        // step, so that a byte arriving once StartThread has returned is never dropped with them.
        if (m_hPort)
            ::PurgeComm(m_hPort.Get(), kPurgeAll);
        // Raised before the thread exists, so a stop that follows at once always waits for it.
        m_bThreadRunning = TRUE;
        if (s_system.pfnBeginWorker(m_thread, this))
            return TRUE;
        m_bThreadRunning = FALSE;
    }
    // No worker will ever close the port: let it go now, so that it opens again.
    ClosePort();
    return FALSE;
}

void CSerialLink::RequestStop()
{
    {
        CPortLock lock(m_csPort);
        m_bStopRequested = true;
        m_problems.clear(); // what went wrong before the stop no longer concerns anyone
    }
    if (m_hStopEvent)
        ::SetEvent(m_hStopEvent.Get());
    // An open blocked in its driver (a radio link's port can take seconds) gives up. The I/O
    // in flight the worker cancels itself once it sees the stop.
    if (m_bOpening)
        ::CancelSynchronousIo(m_thread.GetHandle());
}

BOOL CSerialLink::EndThread(DWORD nMillis)
{
    RequestStop();
    if (AwaitWorkerEnd(nMillis))
        return TRUE;
    // A wedged driver can hold a status query, a setting, a purge or the close in the kernel.
    ::CancelSynchronousIo(m_thread.GetHandle());
    return AwaitWorkerEnd(kCancelEndMs) ? TRUE : FALSE;
}

void CSerialLink::OnDeviceChange(WPARAM nEvent, LPARAM lParam)
{
    const auto* pHeader = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
    // A port arriving may be the lost one, or its device under another number: a retrying
    // worker tries at once. Only then: the event would wake a listening worker for nothing.
    if (nEvent == DBT_DEVICEARRIVAL && pHeader && pHeader->dbch_devicetype == DBT_DEVTYP_PORT)
    {
        // Kept for a worker not yet waiting (the loss just told): its next wait is skipped.
        m_bPortArrived = true;
        // Under the lock the worker clears the flag with: a wake set after its wait has ended
        // would stay set while it listens, and cut short its next read as a removal does.
        CPortLock lock(m_csPort);
        if (m_bRetrying)
            ::SetEvent(m_hDeviceEvent.Get());
        return;
    }
    if (nEvent != DBT_DEVICEREMOVECOMPLETE || !pHeader ||
        pHeader->dbch_devicetype != DBT_DEVTYP_PORT || !m_thread.GetHandle())
        return;
    const auto* pPort = reinterpret_cast<const DEV_BROADCAST_PORT_A*>(pHeader);
    if (::lstrcmpiA(pPort->dbcp_name, PortName(static_cast<int>(m_nPort)).c_str()) != 0)
        return;
    // Raised before the wake: the worker looks at it after every start of a wait and every wake.
    m_bPortRemoved = true;
    ::SetEvent(m_hDeviceEvent.Get());
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
            switch (::WaitForMultipleObjects(4, m_ahWait, FALSE, kHealthCheckMs))
            {
            case WAIT_OBJECT_0: // stop
                return EndWorker();
            case WAIT_OBJECT_0 + 1: // port event
                bAlive = OnPortEvent();
                break;
            case WAIT_OBJECT_0 + 2: // write request
                WritePending();
                break;
            case WAIT_OBJECT_0 + 3: // removal: m_bPortRemoved says so
                // Else a late arrival's wake, which would otherwise end every wait at once. A
                // removal raises the flag before the wake, so the check below still sees it.
                if (!m_bPortRemoved)
                    ::ResetEvent(m_hDeviceEvent.Get());
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
    // The last record was set aside: a wait that cannot have one of its own cannot be made.
    if (!m_pIo && !(m_pIo = MakeIo()))
        return false;
    m_ahWait[1] = m_pIo->hEvent.Get();
    m_pIo->dwEvents = 0;
    if (s_system.pfnWaitCommEvent(m_hPort.Get(), &m_pIo->dwEvents, &m_pIo->overlapped))
    {
        ::SetEvent(m_ahWait[1]); // ended at once: the loop's wait must see it all the same
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
        if (!::GetOverlappedResult(m_hPort.Get(), &m_pIo->overlapped, &dwUnused, FALSE))
        {
            // A wait that ends in failure is how a vanished device shows itself on some drivers
            // (and under Wine); one still in flight goes on.
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
    const bool bNoEvents = m_pIo->dwEvents == 0;
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
    return CountEmptyWake(bNoEvents && nRead == 0);
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
    ClosePort();
    m_bThreadRunning = FALSE;
    return kStoppedExitCode;
}

bool CSerialLink::PortLost()
{
    // Told before the port is let go, which may take a dead adapter's driver a moment.
    ReportLoss();
    if (m_bReconnect)
        return AwaitPortBack(false);
    // The port stays open until Stop: the operator is told to stop and start again.
    EndPendingWait();
    ::WaitForSingleObject(m_hStopEvent.Get(), INFINITE);
    return false;
}

void CSerialLink::ReportLoss()
{
    if (m_bReconnect)
        Notify(WM_SERIAL_PORT_LOST, 0);
    else
        Report(nullptr);
}

bool CSerialLink::AwaitPortBack(bool bAtStart)
{
    EndPendingWait();
    ClosePort();
    const bool bOpenedAtOnce = bAtStart && TryOpen();
    if (!bOpenedAtOnce)
    {
        if (bAtStart)
            ReportLoss();
        do
        {
            // An arriving port ends the wait early; no port is open, so no removal is missed.
            ::ResetEvent(m_hDeviceEvent.Get());
            m_bRetrying = true;
            const HANDLE ahWait[2] = {m_hStopEvent.Get(), m_hDeviceEvent.Get()};
            // A wait that fails could never see a stop either: the worker ends as on a stop.
            const DWORD dwWait = m_bPortArrived.exchange(false)
                                     ? WAIT_TIMEOUT
                                     : ::WaitForMultipleObjects(2, ahWait, FALSE, m_nRetryMs);
            {
                CPortLock lock(m_csPort); // no arrival's wake comes after this
                m_bRetrying = false;
            }
            if (dwWait != WAIT_TIMEOUT && dwWait != WAIT_OBJECT_0 + 1)
                return false;
        } while (!TryOpen());
    }
    if (StopRequested())
        return false;
    m_nEmptyWakes = 0;
    // The device now open is the one to follow.
    m_follower.Learn(static_cast<int>(m_nPort));
    m_bUnsureTold = false;
    Notify(WM_SERIAL_PORT_BACK, bOpenedAtOnce ? TRUE : FALSE);
    return true;
}

bool CSerialLink::TryOpen()
{
    if (!FollowDevice()) // the device may be back under another number
        return false;
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

bool CSerialLink::FollowDevice()
{
    const PortMatch match = m_follower.Look(static_cast<int>(m_nPort));
    if (match.verdict == PortMatch::Ambiguous && !m_bUnsureTold)
    {
        m_bUnsureTold = true;
        Notify(WM_SERIAL_PORT_UNSURE, match.candidates.size());
    }
    if (match.verdict != PortMatch::Found)
        return false;
    if (static_cast<UINT>(match.nPort) != m_nPort)
    {
        m_nPort = static_cast<UINT>(match.nPort);
        std::snprintf(m_szPortName, sizeof m_szPortName, "%s", PortDevicePath(match.nPort).c_str());
    }
    return true;
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
            BYTE byte = 0;
            if (!ReadOneByte(bGot, byte))
                return false;
            if (bGot)
            {
                ++rnRead;
                Notify(g_nSerialByteMsg, byte);
            }
        }
    }
    return false;
}

void CSerialLink::WritePending()
{
    ::ResetEvent(m_hWriteRequest.Get());
    // A record of its own: the wait for the port's events is in flight meanwhile.
    std::unique_ptr<CPortIo> pIo = MakeIo();
    if (!pIo)
        return;
    ::PurgeComm(m_hPort.Get(), kPurgeAll);
    DWORD dwWritten = 0;
    if (::WriteFile(m_hPort.Get(), m_pWriteBuf.get(), m_nWriteLength, &dwWritten, &pIo->overlapped))
        return;
    if (::GetLastError() == ERROR_IO_PENDING)
        FinishIo(pIo, kIoBoundMs, dwWritten);
    else
        Report("WriteFile()");
}

bool CSerialLink::QueuedInput(DWORD& rdwQueued)
{
    DWORD dwErrors = 0; // the line's error word: what the driver saw go wrong since last asked
    COMSTAT status = {};
    rdwQueued = 0;
    if (!s_system.pfnClearCommError(m_hPort.Get(), &dwErrors, &status))
        return JudgePortError(PortCall::Status, ::GetLastError()) != PortVerdict::Lost;
    rdwQueued = status.cbInQue;
    m_lineErrors.Count(dwErrors); // bytes lost to them are told, not lost silently
    return true;
}

bool CSerialLink::ReadOneByte(bool& rbGot, BYTE& rbyte)
{
    if (!m_pIo && !(m_pIo = MakeIo()))
        return false;
    DWORD dwRead = 0;
    const char* pszCall = "ReadFile()";
    BOOL bDone = s_system.pfnReadFile(m_hPort.Get(), &m_pIo->byte, 1, &dwRead, &m_pIo->overlapped);
    if (!bDone && JudgePortError(PortCall::Read, ::GetLastError()) == PortVerdict::KeepWaiting)
    {
        pszCall = "GetOverlappedResults() in ReadFile()";
        bDone = FinishIo(m_pIo, kIoBoundMs, dwRead);
    }
    if (!bDone)
    {
        // A reconnecting link's failed read is a port going: no box holds the worker from its
        // tries. A read the removal cut short is part of the loss, told as such.
        if (!m_bReconnect && !m_bPortRemoved)
            Report(pszCall);
        return false;
    }
    rbGot = dwRead == 1;
    rbyte = m_pIo->byte;
    return true;
}

BOOL CSerialLink::FinishIo(std::unique_ptr<CPortIo>& pIo, DWORD nMillis, DWORD& rdwDone)
{
    OVERLAPPED& overlapped = pIo->overlapped;
    const HANDLE ahWait[3] = {pIo->hEvent.Get(), m_hStopEvent.Get(), m_hDeviceEvent.Get()};
    if (!HasOverlappedIoCompleted(&overlapped) &&
        ::WaitForMultipleObjects(3, ahWait, FALSE, nMillis) != WAIT_OBJECT_0)
    {
        s_system.pfnCancelIoEx(m_hPort.Get(), &overlapped);
        ::WaitForSingleObject(pIo->hEvent.Get(), kIoEndMs);
    }
    if (::GetOverlappedResult(m_hPort.Get(), &overlapped, &rdwDone, FALSE))
        return TRUE;
    const DWORD dwError = ::GetLastError();
    // Even the cancel was ignored: the system may still write into this record at any time.
    if (dwError == ERROR_IO_INCOMPLETE)
        SetAside(pIo);
    ::SetLastError(dwError);
    return FALSE;
}

void CSerialLink::SetAside(std::unique_ptr<CPortIo>& pIo)
{
    // Records the system has given back since they were set aside go now.
    m_setAside.erase(std::remove_if(m_setAside.begin(), m_setAside.end(),
                                    [](const std::unique_ptr<CPortIo>& p)
                                    { return HasOverlappedIoCompleted(&p->overlapped); }),
                     m_setAside.end());
    m_setAside.push_back(std::move(pIo));
}

bool CSerialLink::StopRequested() const
{
    return m_bStopRequested;
}

void CSerialLink::EndPendingWait()
{
    // Closing the port under a pending wait lets the system write into its record after the
    // worker has moved on. A new mask ends the wait at once; a driver that refuses the mask, or
    // ignores it, has the wait cancelled, and neither may hold a stop for long.
    if (!m_bWaitPending)
        return;
    m_bWaitPending = false;
    DWORD dwUnused = 0;
    FinishIo(m_pIo, s_system.pfnSetCommMask(m_hPort.Get(), 0) ? kIoEndMs : 0, dwUnused);
}

void CSerialLink::ClosePort()
{
    m_hPort.Reset();
}

void CSerialLink::Report(const char* pszCall)
{
    const DWORD dwError = ::GetLastError();
    {
        CPortLock lock(m_csPort);
        // Once a stop is asked for, what went wrong on the way out is noise.
        if (m_bStopRequested)
            return;
        m_problems.push_back({pszCall, dwError});
    }
    ::PostMessageA(m_hNotifyWnd, WM_SERIAL_PROBLEM, 0, static_cast<LPARAM>(m_nPort));
}

void CSerialLink::Notify(UINT nMessage, WPARAM wParam)
{
    if (m_hNotifyWnd)
        ::SendMessageA(m_hNotifyWnd, nMessage, wParam, static_cast<LPARAM>(m_nPort.load()));
}

bool CSerialLink::AwaitWorkerEnd(DWORD nMillis)
{
    const HANDLE hThread = m_thread.GetHandle();
    if (!hThread)
        return true;
    const ULONGLONG nEnd = ::GetTickCount64() + nMillis;
    // The worker may be inside SendMessage to this very thread: handle what it sends while
    // waiting, or neither side would ever move. Sent messages already waiting are handled
    // first, as the wait wakes only for ones that arrive after the queue was last looked at.
    for (;;)
    {
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        const ULONGLONG nNow = ::GetTickCount64();
        const DWORD nLeft =
            nMillis == INFINITE ? INFINITE : static_cast<DWORD>(nNow < nEnd ? nEnd - nNow : 0);
        const DWORD dwWait = ::MsgWaitForMultipleObjects(1, &hThread, FALSE, nLeft, QS_SENDMESSAGE);
        if (dwWait == WAIT_OBJECT_0 || dwWait == WAIT_FAILED)
            break; // the thread has ended (or cannot be waited for at all)
        if (dwWait == WAIT_TIMEOUT)
            return false;
    }
    m_bThreadRunning = FALSE;
    m_thread.Close();
    return true;
}

void CSerialLink::ShowProblems(const std::function<void()>& onLost)
{
    // A box's own loop may bring the next word: the call that has a box up shows it after.
    if (m_bShowingProblems)
        return;
    m_bShowingProblems = true;
    for (Problem problem{}; TakeProblem(problem);)
    {
        if (problem.pszCall)
            ShowError(problem);
        else
        {
            if (onLost)
                onLost();
            ShowDisconnect();
        }
    }
    m_bShowingProblems = false;
}

bool CSerialLink::TakeProblem(Problem& rProblem)
{
    CPortLock lock(m_csPort);
    if (m_problems.empty())
        return false;
    rProblem = m_problems.front();
    m_problems.erase(m_problems.begin());
    return true;
}

void CSerialLink::ShowError(const Problem& problem)
{
    const std::string strSystem = SystemErrorTextA(problem.dwError);
    // snprintf cuts a long system text at the buffer's end.
    char szText[200];
    std::snprintf(szText, sizeof szText,
                  "WARNING:  %s Failed with the following error: \n%s\nPort: %u\n", problem.pszCall,
                  strSystem.c_str(), m_nPort.load());
    ::MessageBoxA(m_hNotifyWnd, szText, "Application Error", MB_ICONERROR | MB_OK);
}

void CSerialLink::ShowDisconnect()
{
    ::MessageBoxA(m_hNotifyWnd, "Disconnect, Check the port and restart", "Plexa", MB_ICONERROR);
}
