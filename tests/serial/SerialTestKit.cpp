// The serial tests' owner window, pump, far end and box watcher.
#include "tests/serial/SerialTestKit.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "serial/PortName.h"

namespace
{
const char kOwnerClass[] = "KestraneSerialTestOwner";

HANDLE (*g_pfnRealCreateEvent)() = nullptr;
int g_nEventsBeforeFailure = 0;

HANDLE FailingCreateEvent()
{
    if (g_nEventsBeforeFailure > 0)
    {
        --g_nEventsBeforeFailure;
        return g_pfnRealCreateEvent();
    }
    ::SetLastError(ERROR_NO_SYSTEM_RESOURCES);
    return nullptr;
}

bool IsSerialMessage(UINT message)
{
    return message == WM_SERIAL_BREAK || message == WM_SERIAL_CTS ||
           message == WM_SERIAL_LINE_ERROR || message == WM_SERIAL_RING ||
           message == WM_SERIAL_BYTE || message == WM_SERIAL_EVENT_CHAR ||
           message == WM_SERIAL_PORT_LOST || message == WM_SERIAL_PORT_BACK ||
           message == WM_SERIAL_PROBLEM;
}

CDriverPlay* g_pPlay = nullptr;
std::remove_reference_t<decltype(CSerialLinkTestPeer::System())> g_real;

BOOL Fail(DWORD dwError)
{
    ::SetLastError(dwError);
    return FALSE;
}

// An I/O left in flight, as the system starts one.
BOOL Pending(LPOVERLAPPED pOverlapped)
{
    ::ResetEvent(pOverlapped->hEvent);
    pOverlapped->Internal = STATUS_PENDING;
    return Fail(ERROR_IO_PENDING);
}
} // namespace

CDriverPlay::CDriverPlay()
{
    g_pPlay = this;
    auto& comm = CSerialLinkTestPeer::System();
    g_real = comm;
    comm.pfnWaitCommEvent = [](HANDLE hPort, LPDWORD pdwEvents, LPOVERLAPPED pOverlapped)
    {
        if (g_pPlay->bEmptyWaits)
            return *pdwEvents = 0, TRUE;
        return g_pPlay->bWaitsNeverEnd ? Pending(pOverlapped)
                                       : g_real.pfnWaitCommEvent(hPort, pdwEvents, pOverlapped);
    };
    comm.pfnClearCommError = [](HANDLE hPort, LPDWORD pdwErrors, LPCOMSTAT pStatus)
    {
        if (g_pPlay->bStatusBlocks)
            g_pPlay->bStatusBlocked = true, ::WaitForSingleObject(g_pPlay->hRelease.Get(), 60000);
        if (g_pPlay->bStatusFails)
            return Fail(ERROR_ACCESS_DENIED);
        const BOOL bDone = g_real.pfnClearCommError(hPort, pdwErrors, pStatus);
        if (bDone && pdwErrors)
            *pdwErrors |= g_pPlay->dwLineErrors.exchange(0);
        return bDone;
    };
    comm.pfnSetCommMask = [](HANDLE hPort, DWORD dwMask) {
        return g_pPlay->bMaskFails ? Fail(ERROR_BAD_COMMAND) : g_real.pfnSetCommMask(hPort, dwMask);
    };
    comm.pfnGetCommState = [](HANDLE hPort, LPDCB pDcb)
    {
        if (g_pPlay->nStateFill < 0)
            return g_real.pfnGetCommState(hPort, pDcb);
        return std::memset(pDcb, g_pPlay->nStateFill, sizeof *pDcb), TRUE;
    };
    comm.pfnSetCommState = [](HANDLE hPort, LPDCB pDcb)
    {
        g_pPlay->dcbSet = *pDcb;
        if (g_pPlay->nStateRefusals > 0)
            return --g_pPlay->nStateRefusals, Fail(ERROR_GEN_FAILURE);
        // A record made from a fill is for looking at, not for the port.
        return g_pPlay->nStateFill >= 0 ? TRUE : g_real.pfnSetCommState(hPort, pDcb);
    };
    comm.pfnReadFile =
        [](HANDLE hPort, LPVOID pBuffer, DWORD nLength, LPDWORD pnRead, LPOVERLAPPED pOverlapped)
    {
        if (!g_pPlay->bReadHangs || g_pPlay->pHungRead)
            return g_pPlay->pLastRead = pOverlapped,
                   g_real.pfnReadFile(hPort, pBuffer, nLength, pnRead, pOverlapped);
        g_pPlay->pHungBuffer = pBuffer;
        g_pPlay->pHungRead = pOverlapped;
        return Pending(pOverlapped);
    };
    comm.pfnCancelIoEx = [](HANDLE hPort, LPOVERLAPPED pOverlapped)
    {
        if (pOverlapped && pOverlapped == g_pPlay->pHungRead)
            return ++g_pPlay->nHungCancels, TRUE; // the driver takes note and does nothing
        return g_real.pfnCancelIoEx(hPort, pOverlapped);
    };
}

CDriverPlay::~CDriverPlay()
{
    Release();
    CSerialLinkTestPeer::System() = g_real;
}

void CSerialLinkTestPeer::FailEventsFrom(int nEvent)
{
    if (g_pfnRealCreateEvent == nullptr)
        g_pfnRealCreateEvent = System().pfnCreateEvent;
    g_nEventsBeforeFailure = nEvent - 1;
    System().pfnCreateEvent = FailingCreateEvent;
}

void CSerialLinkTestPeer::RestoreEvents()
{
    if (g_pfnRealCreateEvent != nullptr)
        System().pfnCreateEvent = g_pfnRealCreateEvent;
}

COwnerWindow::COwnerWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kOwnerClass;
    ::RegisterClassA(&wc); // fails harmlessly once registered
    HWND hWnd = ::CreateWindowExA(0, kOwnerClass, "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    SubclassWindow(hWnd);
}

COwnerWindow::~COwnerWindow()
{
    HWND hWnd = UnsubclassWindow();
    if (hWnd)
        ::DestroyWindow(hWnd);
}

LRESULT COwnerWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!IsSerialMessage(message))
        return CWnd::WindowProc(message, wParam, lParam);
    const SerialMessage m{message, wParam, lParam, ::GetTickCount64()};
    if (m_onMessage)
        m_onMessage(m);
    m_received.push_back(m);
    if (message == WM_SERIAL_PROBLEM && m_pLink)
        m_pLink->ShowProblems();
    return 0;
}

std::string COwnerWindow::Bytes() const
{
    std::string s;
    for (const SerialMessage& m : m_received)
        if (m.message == WM_SERIAL_BYTE)
            s.push_back(static_cast<char>(m.wParam));
    return s;
}

size_t COwnerWindow::Count(UINT message) const
{
    size_t n = 0;
    for (const SerialMessage& m : m_received)
        n += m.message == message;
    return n;
}

bool PumpUntil(const std::function<bool()>& pred, DWORD nMillis,
               const std::function<bool(MSG*)>& preTranslate)
{
    const ULONGLONG end = ::GetTickCount64() + nMillis;
    for (;;)
    {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (preTranslate && preTranslate(&msg))
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (pred())
            return true;
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end)
            return pred();
        ::MsgWaitForMultipleObjects(
            0, nullptr, FALSE, static_cast<DWORD>(end - now < 20 ? end - now : 20), QS_ALLINPUT);
    }
}

CFarEnd::CFarEnd(UINT nPort)
{
    m_hPort.Reset(::CreateFileA(PortDevicePath(static_cast<int>(nPort)).c_str(),
                                GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr));
}

bool CFarEnd::Write(const void* pData, DWORD nLength)
{
    const BYTE* p = static_cast<const BYTE*>(pData);
    while (nLength)
    {
        DWORD nDone = 0;
        if (!::WriteFile(m_hPort.Get(), p, nLength, &nDone, nullptr) || nDone == 0)
            return false;
        p += nDone;
        nLength -= nDone;
    }
    return true;
}

bool PortOpens(UINT nPort)
{
    CKernelHandle h(::CreateFileA(PortDevicePath(static_cast<int>(nPort)).c_str(),
                                  GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED, nullptr));
    return static_cast<bool>(h);
}

bool AskHarness(const char* pszRequest)
{
    const char* pszPath = std::getenv(pszRequest);
    // A Linux path, seen through drive Z:; the harness removes it once it has done as asked.
    std::string path = std::string("Z:") + (pszPath ? pszPath : "");
    std::replace(path.begin(), path.end(), '/', '\\');
    return pszPath &&
           CKernelHandle(::CreateFileA(path.c_str(), 0, 0, nullptr, CREATE_ALWAYS, 0, nullptr)) &&
           PumpUntil([&] { return ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

CBoxWatcher::CBoxWatcher() : m_thread([this] { Run(); }) {}

CBoxWatcher::~CBoxWatcher()
{
    m_bStop = true;
    m_thread.join();
}

std::vector<CBoxWatcher::Box> CBoxWatcher::Seen() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_seen;
}

size_t CBoxWatcher::Count(const char* pszCaption) const
{
    size_t n = 0;
    for (const Box& b : Seen())
        n += b.caption == pszCaption;
    return n;
}

BOOL CALLBACK CBoxWatcher::OnWindow(HWND hWnd, LPARAM lParam)
{
    CBoxWatcher* self = reinterpret_cast<CBoxWatcher*>(lParam);
    DWORD pid = 0;
    const DWORD nThread = ::GetWindowThreadProcessId(hWnd, &pid);
    char szClass[16] = {};
    ::GetClassNameA(hWnd, szClass, sizeof szClass);
    // A message box is a dialog that none of our objects is bound to; our own dialogs are.
    if (pid != ::GetCurrentProcessId() || std::string(szClass) != "#32770" ||
        !::IsWindowVisible(hWnd) || CWnd::FromHandlePermanent(hWnd) != nullptr)
        return TRUE;
    char szCaption[64] = {};
    ::GetWindowTextA(hWnd, szCaption, sizeof szCaption);
    const std::string caption = szCaption;
    // The box's text is the static control with id 0xFFFF.
    char szText[1024] = {};
    ::GetDlgItemTextA(hWnd, 0xFFFF, szText, sizeof szText);
    {
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->m_seen.push_back({caption, szText, ::GetWindow(hWnd, GW_OWNER), nThread});
    }
    ::SendMessageTimeoutA(hWnd, WM_COMMAND, IDOK, 0, SMTO_NORMAL, 5000, nullptr);
    // Wait until the box is really gone, so it is never counted twice.
    for (int i = 0; i < 1000 && ::IsWindow(hWnd) && ::IsWindowVisible(hWnd); ++i)
        ::Sleep(5);
    return TRUE;
}

void CBoxWatcher::Run()
{
    while (!m_bStop)
    {
        ::EnumWindows(OnWindow, reinterpret_cast<LPARAM>(this));
        ::Sleep(5);
    }
}

CPortBroadcast::CPortBroadcast(const char* pszName)
{
    *reinterpret_cast<DEV_BROADCAST_HDR*>(m_record) = {sizeof m_record, DBT_DEVTYP_PORT, 0};
    std::snprintf(m_record + offsetof(DEV_BROADCAST_PORT_A, dbcp_name), 8, "%s", pszName);
}
