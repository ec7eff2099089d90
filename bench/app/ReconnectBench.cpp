// Reconnection under Wine: the main window with /start /reconnect listens on pair B (COM7), and
// the harness's serial-drop pulls the pair and makes it again ten times. Prints the time from the
// pair being back to the first note counted (median and range); the retry period bounds it.
// Then, given KESTRANE_PTYSHIM_EIO, ten times a handle left half dead by the pty shim (reads and
// queue queries fail, the wait stays pending): the time from its death to " PORT LOST,
// RETRYING", which the handle's health check bounds.
// Run under wine-harness.sh serial-drop B (tools/bench.sh does).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "app/AnalyzerDlg.h"
#include "res/resource.h"
#include "tests/app/AnalyzerDlgTestPeer.h"
#include "tests/common/NoteReadFrame.h"
#include "tests/common/ProgramFolder.h"
#include "tests/serial/SerialTestKit.h"

int main()
{
    using Clock = std::chrono::steady_clock;
    if (!std::getenv("KESTRANE_SERIAL_DROP"))
        return std::fprintf(stderr, "run it under wine-harness.sh serial-drop B\n"), 2;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    const std::string ini = ExeDir() + "Kestrane.ini";
    ::WritePrivateProfileStringA("PORT", "nport", "7", ini.c_str());

    std::vector<double> ms, lostMs;
    {
        CAnalyzerDlg dlg;
        dlg.SetLaunchOptions(ParseLaunchOptions("/start /reconnect"));
        dlg.Create();
        const std::vector<unsigned char> note = NoteRead(1, 0);
        const auto notes = [&dlg] { return CAnalyzerDlgTestPeer::Decoder(dlg).NoteCount(0); };
        const auto shows = [&dlg](const char* pszEvent)
        {
            char text[64] = "";
            ::GetDlgItemTextA(dlg.m_hWnd, IDC_STATUS_EVENT, text, sizeof text);
            return std::string(text) == pszEvent;
        };
        const auto lost = [&] { return shows(" PORT LOST, RETRYING"); };
        for (int i = 0; i < 10; ++i)
        {
            if (!AskHarness("KESTRANE_SERIAL_DROP") || !PumpUntil(lost))
                break;
            // Back at a different point of the retry period each time: 0 to 1.8 s after the loss.
            PumpUntil([] { return false; }, static_cast<DWORD>(i * CSerialLink::kRetryMs / 10));
            if (!AskHarness("KESTRANE_SERIAL_RESTORE"))
                break;
            const Clock::time_point back = Clock::now();
            const int nBefore = notes();
            CFarEnd farEnd(8);
            // Bytes written before the link opens are purged by it: a frame every 20 ms.
            while (notes() == nBefore && Clock::now() - back < std::chrono::seconds(30))
            {
                farEnd.Write(note.data(), static_cast<DWORD>(note.size()));
                PumpUntil([&] { return notes() > nBefore; }, 20);
            }
            ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - back).count());
        }
        const char* pszFlag = std::getenv("KESTRANE_PTYSHIM_EIO");
        std::string flag = std::string("Z:") + (pszFlag ? pszFlag : "");
        std::replace(flag.begin(), flag.end(), '/', '\\');
        // The port is open after the last note counted, and after each " PORT BACK".
        const auto back = [&] { return shows(" PORT BACK"); };
        for (int i = 0; pszFlag && i < 10 && (i == 0 || PumpUntil(back)); ++i)
        {
            // At a different point of the health check's period each time.
            PumpUntil([] { return false; }, static_cast<DWORD>(i * 200));
            if (!CKernelHandle(
                    ::CreateFileA(flag.c_str(), 0, 0, nullptr, CREATE_ALWAYS, 0, nullptr)))
                break;
            const Clock::time_point dead = Clock::now();
            if (!PumpUntil(lost))
                break;
            lostMs.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - dead).count());
            ::DeleteFileA(flag.c_str());
        }
        ::DeleteFileA(flag.c_str());
    }
    ::DeleteFileA(ini.c_str());
    if (ms.empty())
        return std::fprintf(stderr, "the pair could not be pulled and made again\n"), 1;
    std::sort(ms.begin(), ms.end());
    std::printf("pair back to first note counted (/reconnect, retry every %lu ms): median %.0f ms, "
                "range %.0f to %.0f ms over %zu reconnections\n",
                static_cast<unsigned long>(CSerialLink::kRetryMs), ms[ms.size() / 2], ms.front(),
                ms.back(), ms.size());
    std::sort(lostMs.begin(), lostMs.end());
    if (!lostMs.empty())
        std::printf("handle half dead to \" PORT LOST, RETRYING\": median %.0f ms, range %.0f to "
                    "%.0f ms over %zu losses\n",
                    lostMs[lostMs.size() / 2], lostMs.front(), lostMs.back(), lostMs.size());
    return 0;
}
