// An adapter back under another number, under Wine: the main window with /start /reconnect
// follows a played device (the device list through its seam) between COM5 and COM7, ten times
// each way. Prints the time from the port's arrival to the first note counted, told by the
// system's arrival broadcast and, in the same run, found by the retries alone; the retry period
// bounds the second.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>
#include <dbt.h>

#include "app/AnalyzerDlg.h"
#include "res/resource.h"
#include "tests/app/AnalyzerDlgTestPeer.h"
#include "tests/common/NoteReadFrame.h"
#include "tests/common/ProgramFolder.h"
#include "tests/serial/SerialTestKit.h"

namespace
{
std::vector<PresentPort> g_present;

PresentPort Ch340At(int nPort)
{
    // No serial number: the instance ID and the location change with the socket.
    const std::string strSocket = std::to_string(nPort);
    return {nPort, "USB\\VID_1A86&PID_7523\\5&2F1B&0&" + strSocket, "",
            "USB\\VID_1A86&PID_7523&REV_0264", "USB(" + strSocket + ")"};
}

void Broadcast(HWND hWnd, WPARAM nEvent, int nPort)
{
    alignas(DEV_BROADCAST_PORT_A) char port[sizeof(DEV_BROADCAST_PORT_A) + 6] = {};
    *reinterpret_cast<DEV_BROADCAST_HDR*>(port) = {sizeof port, DBT_DEVTYP_PORT, 0};
    std::snprintf(port + offsetof(DEV_BROADCAST_PORT_A, dbcp_name), 6, "COM%d", nPort);
    ::SendMessageA(hWnd, WM_DEVICECHANGE, nEvent, reinterpret_cast<LPARAM>(port));
}

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
    g_present = {Ch340At(5)};

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
            g_present = {{nPort, "FTDIBUS\\VID_0403+PID_6001+X1A\\0000", "", "", ""}};
            Broadcast(dlg.m_hWnd, DBT_DEVICEREMOVECOMPLETE, nPort);
            // At a different point of the retry period each time: 0 to 1.8 s after the loss.
            PumpUntil([] { return false; },
                      static_cast<DWORD>((i % 10) * CSerialLink::kRetryMs / 10));
            g_present = {Ch340At(nNext)};
            const Clock::time_point arrival = Clock::now();
            const bool bTold = i % 2 == 0;
            if (bTold)
                Broadcast(dlg.m_hWnd, DBT_DEVICEARRIVAL, nNext);
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
