// Reconnection under Wine: the main window with /start /reconnect listens on pair B (COM7), and
// the harness's serial-drop pulls the pair and makes it again ten times. Prints the time from the
// pair being back to the first note counted (median and range); the retry period bounds it.
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

    std::vector<double> ms;
    {
        CAnalyzerDlg dlg;
        dlg.SetLaunchOptions(ParseLaunchOptions("/start /reconnect"));
        dlg.Create();
        const std::vector<unsigned char> note = NoteRead(1, 0);
        const auto notes = [&dlg] { return CAnalyzerDlgTestPeer::Decoder(dlg).NoteCount(0); };
        const auto lost = [&dlg]
        {
            char text[64] = "";
            ::GetDlgItemTextA(dlg.m_hWnd, IDC_STATUS_EVENT, text, sizeof text);
            return std::string(text) == " PORT LOST, RETRYING";
        };
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
    }
    ::DeleteFileA(ini.c_str());
    if (ms.empty())
        return std::fprintf(stderr, "the pair could not be pulled and made again\n"), 1;
    std::sort(ms.begin(), ms.end());
    std::printf("pair back to first note counted (/reconnect, retry every %lu ms): median %.0f ms, "
                "range %.0f to %.0f ms over %zu reconnections\n",
                static_cast<unsigned long>(CSerialLink::kRetryMs), ms[ms.size() / 2], ms.front(),
                ms.back(), ms.size());
    return 0;
}
