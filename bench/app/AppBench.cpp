// End to end under Wine: note-read frames written into the far end of a virtual COM pair (COM6)
// travel through the serial link, the decoder and the main window into the channel table.
// Prints frames per second with the daily log off and on, as a share of what a 115200-baud line
// can carry, the latency from a frame's last byte written to its status text shown, and the time
// Close takes to end the window while the port's driver holds the worker in a call for ever.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "app/AnalyzerDlg.h"
#include "res/resource.h"
#include "tests/app/AnalyzerDlgTestPeer.h"
#include "tests/common/NoteReadFrame.h"
#include "tests/common/ProgramFolder.h"
#include "tests/serial/SerialTestKit.h"

namespace
{
using Clock = std::chrono::steady_clock;
const unsigned char kCloseFrame[] = {0x98, 0x00, 0x00, 0x00, 0x98};

class BenchDlg : public CAnalyzerDlg
{
public:
    using CAnalyzerDlg::PreTranslateInput;
};

int TotalNotes(const BenchDlg& dlg)
{
    int total = 0;
    for (int i = 0; i < CFrameDecoder::kChannels; ++i)
        total += CAnalyzerDlgTestPeer::Decoder(dlg).NoteCount(i);
    return total;
}

// Waits, pumping as the dialog's loop does, until pred holds; false after limitMs.
template <class Pred> bool PumpUntil(BenchDlg& dlg, Pred pred, int limitMs)
{
    return ::PumpUntil(pred, static_cast<DWORD>(limitMs),
                       [&dlg](MSG* pMsg) { return dlg.PreTranslateInput(pMsg) != FALSE; });
}

void Throughput(BenchDlg& dlg, HANDLE hFar, int nFrames, const char* label)
{
    std::vector<unsigned char> stream;
    for (int n = 0; n < nFrames; ++n)
    {
        std::vector<unsigned char> f = NoteRead(1 + n % 12, n % 256);
        stream.insert(stream.end(), f.begin(), f.end());
    }
    const int before = TotalNotes(dlg);
    const auto t0 = Clock::now();
    std::thread writer(
        [&]
        {
            DWORD written = 0;
            for (size_t off = 0; off < stream.size(); off += 1500)
            {
                const DWORD chunk = static_cast<DWORD>(std::min<size_t>(1500, stream.size() - off));
                ::WriteFile(hFar, stream.data() + off, chunk, &written, nullptr);
            }
        });
    const bool done = PumpUntil(
        dlg, [&] { return TotalNotes(dlg) - before >= nFrames; }, 600000);
    const double secs = std::chrono::duration<double>(Clock::now() - t0).count();
    writer.join();
    const int got = TotalNotes(dlg) - before;
    const double fps = got / secs;
    const double lineFps = 11520.0 / 15.0; // 115200 baud, 8N1: 11520 bytes/s
    std::printf("%-12s %6d frames in %6.2f s: %8.1f frames/s, %8.0f bytes/s, %5.2f x the "
                "115200-baud line%s\n",
                label, got, secs, fps, fps * 15, fps / lineFps, done ? "" : " (INCOMPLETE)");
}

void Latency(BenchDlg& dlg, HANDLE hFar, int nFrames)
{
    std::vector<double> us;
    us.reserve(nFrames);
    for (int n = 0; n < nFrames; ++n)
    {
        const int channel = 1 + n % 12;
        const std::vector<unsigned char> f = NoteRead(channel, n % 256);
        const std::string expect = " OK  NOTE_READ " + std::to_string(channel);
        DWORD written = 0;
        ::WriteFile(hFar, f.data(), 14, &written, nullptr);
        // Only the last byte is timed: the frame is complete when it is handled.
        const auto t0 = Clock::now();
        ::WriteFile(hFar, f.data() + 14, 1, &written, nullptr);
        const int target = TotalNotes(dlg) + 1;
        char text[64] = "";
        PumpUntil(
            dlg,
            [&]
            {
                if (TotalNotes(dlg) < target)
                    return false;
                ::GetDlgItemTextA(dlg.m_hWnd, IDC_STATUS_EVENT, text, sizeof text);
                return expect == text;
            },
            10000);
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    std::sort(us.begin(), us.end());
    std::printf("latency      last byte written -> status text shown, %d frames: median %.0f us, "
                "p99 %.0f us, max %.0f us\n",
                nFrames, us[us.size() / 2], us[us.size() * 99 / 100], us.back());
}
// Start, a frame, and the driver's status query blocks for good: from the Close click to the
// window ended (the program ends right after it).
void CloseOnAWedgedDriver(BenchDlg& dlg, HANDLE hFar)
{
    CDriverPlay driver;
    driver.bStatusBlocks = true;
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); // Start
    DWORD written = 0;
    ::WriteFile(hFar, kCloseFrame, sizeof kCloseFrame, &written, nullptr);
    if (!PumpUntil(
            dlg, [&] { return driver.bStatusBlocked.load(); }, 60000))
        return static_cast<void>(std::printf("close: the driver was never entered\n"));
    const auto t0 = Clock::now();
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    const double secs = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("close        wedged driver, Close click -> window ended: %.2f s (worker left "
                "behind: %s)\n",
                secs, dlg.WorkerLeftBehind() ? "yes" : "no");
    driver.Release();
    PumpUntil(
        dlg, [&] { return !driver.bStatusBlocked; }, 60000);
}
} // namespace

int main(int argc, char** argv)
{
    const int nFrames = argc > 1 ? std::atoi(argv[1]) : 5000;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);

    const std::string ini = ExeDir() + "Kestrane.ini";
    ::WritePrivateProfileStringA("PORT", "nport", "5", ini.c_str());
    ::WritePrivateProfileStringA("PORT", "band", "115200", ini.c_str());

    BenchDlg dlg;
    if (!dlg.Create())
    {
        std::fprintf(stderr, "the main window would not open\n");
        return 2;
    }
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); // Start on COM5
    HANDLE hFar = ::CreateFileA("\\\\.\\COM6", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (hFar == INVALID_HANDLE_VALUE)
    {
        std::fprintf(stderr, "COM6 would not open: %lu\n", ::GetLastError());
        return 2;
    }
    PumpUntil(
        dlg, [] { return false; }, 500); // let the worker settle into its wait

    Throughput(dlg, hFar, nFrames, "log off");
    ::SendDlgItemMessageA(dlg.m_hWnd, IDC_ENABLE_LOG, BM_CLICK, 0, 0);
    Throughput(dlg, hFar, nFrames, "log on");
    ::SendDlgItemMessageA(dlg.m_hWnd, IDC_ENABLE_LOG, BM_CLICK, 0, 0);
    Latency(dlg, hFar, 1000);

    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); // Stop
    CloseOnAWedgedDriver(dlg, hFar);
    ::CloseHandle(hFar);
    ::DeleteFileA(ini.c_str());
    return 0;
}
