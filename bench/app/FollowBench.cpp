// An adapter back under another number, under Wine: the main window with /start /reconnect
// follows a played device (the device list through its seam) between COM5 and COM7, ten times
// each way. Prints the time from the port's arrival to the first note counted, told by the
// system's arrival broadcast and, in the same run, found by the retries alone; the retry period
// bounds the second.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "app/AnalyzerDlg.h"
#include "serial/PortName.h"
#include "tests/app/AnalyzerDlgTestPeer.h"
#include "tests/common/NoteReadFrame.h"
#include "tests/common/PlayedPorts.h"
#include "tests/common/ProgramFolder.h"
#include "tests/serial/SerialTestKit.h"

namespace
{
std::vector<PresentPort> g_present;

void Print(const char* pszWhat, std::vector<double> ms)
{
    if (ms.empty())
        return void(std::printf("%s: no figure (the device was not followed)\n", pszWhat));
    std::sort(ms.begin(), ms.end());
    std::printf("%s: median %.0f ms, range %.0f to %.0f ms over %zu moves\n", pszWhat,
                ms[ms.size() / 2], ms.front(), ms.back(), ms.size());
}
} // namespace

int main()
{
    using Clock = std::chrono::steady_clock;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    const std::string ini = ExeDir() + "Kestrane.ini";
    ::WritePrivateProfileStringA("PORT", "nport", "5", ini.c_str());
    CPortFollower::s_calls.pfnListPorts = [] { return g_present; };
    g_present = {Ch340At(5, "5")};

    std::vector<double> told, retried;
    {
        CAnalyzerDlg dlg;
        dlg.SetLaunchOptions(ParseLaunchOptions("/start /reconnect"));
        dlg.Create();
        CSerialLink& link = CAnalyzerDlgTestPeer::Serial(dlg);
        PumpUntil([&] { return link.Follower().Known().IsKnown(); });
        const std::vector<unsigned char> note = NoteRead(1, 0);
        const auto notes = [&dlg] { return CAnalyzerDlgTestPeer::Decoder(dlg).NoteCount(0); };
        int nPort = 5;
        for (int i = 0; i < 20; ++i)
        {
            const int nNext = nPort == 5 ? 7 : 5;
            // The pair's old end stays under Wine: the list says another device holds it now.
            g_present = {FtdiAt(nPort, "X1", "9")};
            dlg.SendMessage(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                            CPortBroadcast(PortName(nPort).c_str()).Get());
            // At a different point of the retry period each time: 0 to 1.8 s after the loss.
            PumpUntil([] { return false; },
                      static_cast<DWORD>((i % 10) * CSerialLink::kRetryMs / 10));
            g_present = {Ch340At(nNext, std::to_string(nNext))};
            const Clock::time_point arrival = Clock::now();
            const bool bTold = i % 2 == 0;
            if (bTold)
                dlg.SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                                CPortBroadcast(PortName(nNext).c_str()).Get());
            const int nBefore = notes();
            CFarEnd farEnd(static_cast<UINT>(nNext + 1));
            // Bytes written before the link opens are purged by it: a frame every 20 ms.
            while (notes() == nBefore && Clock::now() - arrival < std::chrono::seconds(30))
            {
                farEnd.Write(note.data(), static_cast<DWORD>(note.size()));
                PumpUntil([&] { return notes() > nBefore; }, 20);
            }
            if (notes() == nBefore)
                break;
            (bTold ? told : retried)
                .push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - arrival).count());
            nPort = nNext;
        }
    }
    ::DeleteFileA(ini.c_str());
    Print("arrival under a new number to first note counted, told by the arrival broadcast", told);
    Print("the same, found by the retries alone (every 2000 ms)", retried);
    return told.empty() ? 1 : 0;
}
