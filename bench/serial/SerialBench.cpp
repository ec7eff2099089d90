// Figures for the serial link over the harness's pair A (the link reads COM5, a writer thread
// feeds COM6): throughput against a plain large-ReadFile reader and the 115200-baud line rate;
// the design's ceiling, that is the link against a bare loop doing nothing but one one-byte
// ReadFile and one cross-thread SendMessage per byte, in alternating rounds; the process's CPU
// time over 10 s of an idle open line; and the latency from a 15-byte frame's last byte written
// to its last WM_SERIAL_BYTE handled. Prints only; never fails on speed.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/serial/SerialTestKit.h"

namespace
{
constexpr UINT kLinkPort = 5, kFarPort = 6;
constexpr DWORD kThroughputBytes = 32 * 1024;
constexpr DWORD kProgramMask = EV_RXCHAR | EV_RXFLAG; // as the main window opens the link
constexpr int kCeilingRounds = 3;

double Seconds(LONGLONG ticks)
{
    static const LONGLONG freq = []
    {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    return static_cast<double>(ticks) / static_cast<double>(freq);
}

LONGLONG Now()
{
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto v = [](const FILETIME& f)
    { return (static_cast<ULONGLONG>(f.dwHighDateTime) << 32 | f.dwLowDateTime) / 1e7; };
    return v(kernel) + v(user);
}

std::thread FeedFarEnd(DWORD nBytes)
{
    return std::thread(
        [nBytes]
        {
            CFarEnd remote(kFarPort);
            remote.Write(std::string(nBytes, 'x'));
        });
}

// Bytes of WM_SERIAL_BYTE per second at the owner window, counted from the start of a writer
// that feeds COM6 once the reader is ready.
double OwnerThroughput(COwnerWindow& owner)
{
    // Counted as they come: the pump asks after every byte, and a count over all messages
    // received would cost more the further the run goes.
    DWORD nBytes = 0;
    owner.m_onMessage = [&](const SerialMessage& m) { nBytes += m.message == WM_SERIAL_BYTE; };
    const LONGLONG t0 = Now();
    std::thread writer = FeedFarEnd(kThroughputBytes);
    PumpUntil([&] { return nBytes >= kThroughputBytes; }, 600000);
    const LONGLONG t1 = Now();
    writer.join();
    owner.m_onMessage = nullptr;
    return nBytes / Seconds(t1 - t0);
}

// Bytes per second from COM6 to the owner window through the whole link.
double LinkThroughput(COwnerWindow& owner, DWORD dwMask)
{
    owner.m_received.clear();
    CSerialLink link;
    if (!link.OpenPort(&owner, kLinkPort, 115200, 'N', 8, 1, dwMask, 1024))
        return 0;
    g_nSerialByteMsg = WM_SERIAL_BYTE;
    link.StartThread();
    return OwnerThroughput(owner);
}

// COM5 opened and set up as the link sets it up.
CKernelHandle OpenBenchPort()
{
    CKernelHandle hPort(::CreateFileA("\\\\.\\COM5", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    if (!hPort)
        return hPort;
    COMMTIMEOUTS timeouts = {1000, 1000, 1000, 1000, 1000};
    ::SetCommTimeouts(hPort.Get(), &timeouts);
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    ::GetCommState(hPort.Get(), &dcb);
    ::BuildCommDCBA("baud=115200 parity=N data=8 stop=1", &dcb);
    ::SetCommState(hPort.Get(), &dcb);
    ::PurgeComm(hPort.Get(), PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    return hPort;
}

// The least a one-byte-per-message design can cost: a thread that reads COM5 one byte per
// ReadFile and hands each byte to the owner with one SendMessage, and does nothing else.
double BareLoopThroughput(COwnerWindow& owner)
{
    owner.m_received.clear();
    CKernelHandle hPort = OpenBenchPort();
    if (!hPort)
        return 0;
    const HWND hOwner = owner.GetSafeHwnd();
    std::thread reader(
        [&]
        {
            CKernelHandle hEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
            OVERLAPPED ov = {};
            ov.hEvent = hEvent.Get();
            for (DWORD nDone = 0; nDone < kThroughputBytes;)
            {
                BYTE byte = 0;
                DWORD nRead = 0;
                if (!::ReadFile(hPort.Get(), &byte, 1, &nRead, &ov) &&
                    (::GetLastError() != ERROR_IO_PENDING ||
                     !::GetOverlappedResult(hPort.Get(), &ov, &nRead, TRUE)))
                    break;
                if (nRead == 1)
                {
                    ::SendMessageA(hOwner, WM_SERIAL_BYTE, byte, kLinkPort);
                    ++nDone;
                }
            }
        });
    const double rate = OwnerThroughput(owner);
    reader.join();
    return rate;
}

// Bytes per second for a reader that drains COM5 with 4 KiB overlapped reads.
double PlainReaderThroughput()
{
    CKernelHandle hPort = OpenBenchPort();
    if (!hPort)
        return 0;
    CKernelHandle hEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED ov = {};
    ov.hEvent = hEvent.Get();
    std::vector<BYTE> buf(4096);
    DWORD nTotal = 0;
    const LONGLONG t0 = Now();
    std::thread writer = FeedFarEnd(kThroughputBytes);
    while (nTotal < kThroughputBytes)
    {
        DWORD nRead = 0;
        if (!::ReadFile(hPort.Get(), buf.data(), static_cast<DWORD>(buf.size()), &nRead, &ov) &&
            (::GetLastError() != ERROR_IO_PENDING ||
             !::GetOverlappedResult(hPort.Get(), &ov, &nRead, TRUE)))
            break;
        nTotal += nRead;
    }
    const LONGLONG t1 = Now();
    writer.join();
    return nTotal / Seconds(t1 - t0);
}

double IdleCpuSeconds(COwnerWindow& owner)
{
    CSerialLink link;
    if (!link.OpenPort(&owner, kLinkPort, 9600, 'N', 8, 1, EV_RXCHAR | EV_RXFLAG, 1024))
        return -1;
    link.StartThread();
    const double before = ProcessCpuSeconds();
    PumpUntil([] { return false; }, 10000); // ten seconds of nothing on the line
    return ProcessCpuSeconds() - before;
}

void FrameLatency(COwnerWindow& owner, double& rMedianMs, double& rP99Ms)
{
    constexpr int kFrames = 1000;
    constexpr size_t kFrameBytes = 15;
    CSerialLink link;
    owner.m_received.clear();
    if (!link.OpenPort(&owner, kLinkPort, 115200, 'N', 8, 1, EV_RXCHAR | EV_RXFLAG, 1024))
        return;
    link.StartThread();
    CKernelHandle hHandled(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
    std::vector<double> latencies;
    std::atomic<LONGLONG> tWritten{0};
    size_t nBytes = 0;
    owner.m_onMessage = [&](const SerialMessage& m)
    {
        if (m.message == WM_SERIAL_BYTE && ++nBytes % kFrameBytes == 0)
        {
            latencies.push_back(Seconds(Now() - tWritten) * 1000.0);
            ::SetEvent(hHandled.Get());
        }
    };
    std::thread writer(
        [&]
        {
            CFarEnd remote(kFarPort);
            const std::string frame = "\x97\x0f\x01\x05\x9c"
                                      "0123456789";
            for (int i = 0; i < kFrames; ++i)
            {
                // The clock starts as the last byte goes out, so it can never start after its
                // arrival.
                remote.Write(frame.data(), kFrameBytes - 1);
                tWritten = Now();
                remote.Write(frame.data() + kFrameBytes - 1, 1);
                if (::WaitForSingleObject(hHandled.Get(), 60000) != WAIT_OBJECT_0)
                    break;
            }
        });
    PumpUntil([&] { return latencies.size() >= static_cast<size_t>(kFrames); }, 600000);
    writer.join();
    owner.m_onMessage = nullptr;
    std::sort(latencies.begin(), latencies.end());
    if (latencies.empty())
        return;
    rMedianMs = latencies[latencies.size() / 2];
    rP99Ms = latencies[latencies.size() * 99 / 100];
}
} // namespace

int main()
{
    COwnerWindow owner;
    const double plain = PlainReaderThroughput();
    const double linked = LinkThroughput(owner, EV_RXCHAR);
    std::printf("throughput: link %.0f bytes/s, plain 4 KiB reader %.0f bytes/s, ratio %.3f; "
                "%.2f x the 115200-baud line rate (11520 bytes/s)\n",
                linked, plain, plain > 0 ? linked / plain : 0.0, linked / 11520.0);
    // Alternating rounds, so that a busy moment of a shared machine weighs on both sides.
    double linkSum = 0, bareSum = 0;
    for (int round = 1; round <= kCeilingRounds; ++round)
    {
        const double bare = BareLoopThroughput(owner);
        const double link = LinkThroughput(owner, kProgramMask);
        std::printf("ceiling round %d: link (mask EV_RXCHAR | EV_RXFLAG) %.0f bytes/s, bare "
                    "one-byte ReadFile + SendMessage loop %.0f bytes/s\n",
                    round, link, bare);
        linkSum += link;
        bareSum += bare;
    }
    std::printf("ceiling: link / bare loop = %.3f (means of %d rounds; goal at least 0.9)\n",
                bareSum > 0 ? linkSum / bareSum : 0.0, kCeilingRounds);
    std::printf("idle: %.3f CPU seconds over 10 s of an idle open line\n", IdleCpuSeconds(owner));
    double median = 0, p99 = 0;
    FrameLatency(owner, median, p99);
    std::printf("latency: 15-byte frame, last byte written to handled: median %.3f ms, "
                "p99 %.3f ms over 1000 frames\n",
                median, p99);
    return 0;
}
