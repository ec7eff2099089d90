// What the serial tests and benchmarks share: an owner window that records what the link sends,
// a message pump with a generous bound, the far end of a virtual null-modem pair, and a watcher
// that reads and closes message boxes from another thread.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>
#include <dbt.h>

#include "serial/SerialLink.h"
#include "win/KernelHandle.h"
#include "win/Wnd.h"

// The tests' view of a link's insides, and the failures Win32 will not produce on demand.
class CSerialLinkTestPeer
{
public:
    static DWORD QueuedInput(CSerialLink& link)
    {
        DWORD dwQueued = 0;
        return link.QueuedInput(dwQueued), dwQueued;
    }
    static HANDLE Worker(CSerialLink& link) { return link.m_thread.GetHandle(); }
    // Drains the input queue on the calling thread, as the worker does.
    static void Drain(CSerialLink& link)
    {
        DWORD nRead = 0;
        link.DrainInput(nRead);
    }
    // The system's calls every link makes, for CDriverPlay and the failures below.
    static auto& System() { return CSerialLink::s_system; }
    // The device goes from under the link: every later call on the port fails.
    static void LosePort(CSerialLink& link) { link.m_hPort.Reset(); }
    // The worker's next wait is given a handle that cannot be waited on, as a missing event.
    static void BreakWait(CSerialLink& link) { link.m_ahWait[2] = nullptr; }
    // From the nth event on (1: the first), making a link's event fails until Restore.
    static void FailEventsFrom(int nEvent);
    static void RestoreEvents();
    static void SetRetryMs(CSerialLink& link, DWORD nMillis) { link.m_nRetryMs = nMillis; }
    // Every link's tries to open a port from the first call on, and the thread of the last.
    static inline std::atomic<DWORD> s_nOpenThread{0};
    static std::atomic<unsigned>& CountOpens()
    {
        static std::atomic<unsigned> s_nOpens{0};
        static HANDLE (*const s_pfnReal)(const char*) = System().pfnOpenPort;
        System().pfnOpenPort = [](const char* pszName)
        { return s_nOpenThread = ::GetCurrentThreadId(), ++s_nOpens, s_pfnReal(pszName); };
        return s_nOpens;
    }
    // Every link's worker fails to start while bFail holds.
    static void FailWorkers(bool bFail)
    {
        static BOOL (*const s_pfnReal)(CThread&, LPVOID) = System().pfnBeginWorker;
        System().pfnBeginWorker = bFail ? [](CThread&, LPVOID) { return FALSE; } : s_pfnReal;
    }
};

// Event creation fails from the nth event on while this lives.
class CEventFailure
{
public:
    explicit CEventFailure(int nEvent) { CSerialLinkTestPeer::FailEventsFrom(nEvent); }
    ~CEventFailure() { CSerialLinkTestPeer::RestoreEvents(); }
    CEventFailure(const CEventFailure&) = delete;
    CEventFailure& operator=(const CEventFailure&) = delete;
};

// A driver that misbehaves (a pulled adapter's, a wedged one, a quirky virtual one), played over
// a real port while this lives: each flag makes its calls misbehave; every other call goes to
// Win32. One at a time; the flags are set before the worker starts.
struct CDriverPlay
{
    CDriverPlay();
    ~CDriverPlay();
    bool bEmptyWaits = false;    // WaitCommEvent ends at once with no event
    bool bWaitsNeverEnd = false; // WaitCommEvent stays pending whatever is done
    bool bStatusFails = false, bMaskFails = false;
    int nStateFill = -1;    // GetCommState fills every byte with this (0 to 255); not applied
    int nStateRefusals = 0; // SetCommState refuses (ERROR_GEN_FAILURE) so often
    DCB dcbSet = {};        // what SetCommState was last given
    std::atomic<DWORD> dwLineErrors{0}; // ClearCommError's next error word, given once
    // ClearCommError blocks, as a wedged driver's, till Release or a minute; the play outlives it.
    bool bStatusBlocks = false;
    std::atomic<bool> bStatusBlocked{false};
    void Release() { ::SetEvent(hRelease.Get()); }
    CKernelHandle hRelease{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    // The first read stays in flight, untouched by the port, till the test ends it.
    bool bReadHangs = false;
    std::atomic<LPOVERLAPPED> pHungRead{nullptr}, pLastRead{nullptr};
    LPVOID pHungBuffer = nullptr;
    std::atomic<int> nHungCancels{0};
};

struct SerialMessage
{
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    ULONGLONG nTick; // when the window got it
};

// A top-level window on the calling thread; records every WM_SERIAL_* message it receives.
// onMessage, when set, runs inside the handler first, as a busy owner would.
class COwnerWindow : public CWnd
{
public:
    COwnerWindow();
    ~COwnerWindow() override;

    std::vector<SerialMessage> m_received;
    std::function<void(const SerialMessage&)> m_onMessage;
    // The link whose problems this window shows after their record, as the main window does.
    CSerialLink* m_pLink = nullptr;

    // The bytes of every WM_SERIAL_BYTE so far, in order.
    std::string Bytes() const;
    size_t Count(UINT message) const;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Handles this thread's messages until pred holds or nMillis pass; returns pred's last value.
// The bound only ends a broken run: nothing depends on the machine being fast.
// preTranslate, when given, sees each message first, as a dialog's loop would; true consumes it.
bool PumpUntil(const std::function<bool()>& pred, DWORD nMillis = 60000,
               const std::function<bool(MSG*)>& preTranslate = nullptr);

// The far end of a pair: a COM port opened with plain, blocking WriteFile.
class CFarEnd
{
public:
    explicit CFarEnd(UINT nPort);
    bool IsOpen() const { return static_cast<bool>(m_hPort); }
    bool Write(const void* pData, DWORD nLength);
    bool Write(const std::string& s) { return Write(s.data(), static_cast<DWORD>(s.size())); }

private:
    CKernelHandle m_hPort;
};

// WM_DEVICECHANGE's record of a port, its name running on past the record's one-character
// array as the system sends it.
class CPortBroadcast
{
public:
    explicit CPortBroadcast(const char* pszName);
    LPARAM Get() { return reinterpret_cast<LPARAM>(m_record); }

private:
    alignas(DEV_BROADCAST_PORT_A) char m_record[sizeof(DEV_BROADCAST_PORT_A) + 8] = {};
};

// True when "\\.\COMn" can be opened right now (and closes it again).
bool PortOpens(UINT nPort);

// Under serial-drop: has the harness pull the pair or make it again; false elsewhere.
bool AskHarness(const char* pszRequest);

// Watches this process's message boxes from its own thread (a box runs its own modal loop on the
// thread under test): records caption, text and owner, then presses OK.
class CBoxWatcher
{
public:
    struct Box
    {
        std::string caption;
        std::string text;
        HWND hOwner;
        DWORD nThread; // the thread whose loop shows it
    };
    CBoxWatcher();
    ~CBoxWatcher();
    std::vector<Box> Seen() const;
    size_t Count(const char* pszCaption) const;

private:
    void Run();
    static BOOL CALLBACK OnWindow(HWND hWnd, LPARAM lParam);

    mutable std::mutex m_mutex;
    std::vector<Box> m_seen;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};
