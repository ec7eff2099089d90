// Figures for the Setting command under Wine: the time from the Setting click to the settings
// dialog shown (its port list tries the ports Windows knows, off the window's thread), median of
// 20; the port list alone; and what a try is made of: one open of an absent port name, one of a
// port that opens, one of a port held elsewhere.
// Prints only; never fails on speed.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "app/AnalyzerDlg.h"
#include "res/resource.h"
#include "serial/PortName.h"
#include "settings/CommSettingDlg.h"
#include "win/ModuleDirectory.h"

namespace
{
using Clock = std::chrono::steady_clock;

struct Figures
{
    double median, min, max;
};

Figures Summary(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.front(), v.back()};
}

// The settings dialog is made inside OnSetting, out of our reach: a hook on this thread sees it
// become visible, notes the time and closes it as Cancel would.
Clock::time_point g_shown;
bool g_bShown = false;
LRESULT CALLBACK OnCallWndRet(int nCode, WPARAM wParam, LPARAM lParam)
{
    const auto* p = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (nCode == HC_ACTION && p->message == WM_WINDOWPOSCHANGED &&
        (reinterpret_cast<const WINDOWPOS*>(p->lParam)->flags & SWP_SHOWWINDOW))
    {
        char caption[64] = "";
        ::GetWindowTextA(p->hwnd, caption, sizeof caption);
        if (std::string(caption) == "Communication selection" && !g_bShown)
        {
            g_shown = Clock::now();
            g_bShown = true;
            ::PostMessageA(p->hwnd, WM_COMMAND, MAKEWPARAM(IDC_COMM_CANCEL, BN_CLICKED), 0);
        }
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

// Microseconds per CreateFile (and CloseHandle when it opens) of "\\.\<name>", median of n.
Figures OpenCost(const char* pszName, int n)
{
    const std::string device = PortDevicePath(pszName);
    std::vector<double> us;
    for (int i = 0; i < n; ++i)
    {
        const auto t0 = Clock::now();
        HANDLE h = ::CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            ::CloseHandle(h);
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    return Summary(us);
}
} // namespace

int main()
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    const std::string ini = GetModuleDirectory() + "Kestrane.ini";
    ::DeleteFileA(ini.c_str());

    CAnalyzerDlg dlg;
    if (!dlg.Create())
    {
        std::fprintf(stderr, "the main window would not open\n");
        return 2;
    }
    HHOOK hHook =
        ::SetWindowsHookExA(WH_CALLWNDPROCRET, &OnCallWndRet, nullptr, ::GetCurrentThreadId());
    std::vector<double> ms;
    for (int i = 0; i < 20; ++i)
    {
        g_bShown = false;
        const auto t0 = Clock::now();
        // Returns once the hook's Cancel has closed the dialog.
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SETTING, BN_CLICKED),
                        reinterpret_cast<LPARAM>(::GetDlgItem(dlg.m_hWnd, IDC_SETTING)));
        if (!g_bShown)
        {
            std::fprintf(stderr, "the settings dialog was never shown\n");
            return 2;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(g_shown - t0).count());
    }
    ::UnhookWindowsHookEx(hHook);
    const Figures shown = Summary(ms);
    std::printf("Setting click -> dialog shown (its port list made), 20 runs: median %.1f ms, "
                "min %.1f ms, max %.1f ms\n",
                shown.median, shown.min, shown.max);

    std::vector<double> probe;
    for (int i = 0; i < 5; ++i)
    {
        const auto t0 = Clock::now();
        for (int n = 1; n <= 256; ++n)
            CCommSettingDlg::PortExists(PortName(n).c_str());
        probe.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::printf("the probe alone, 256 names, 5 runs: median %.1f ms\n", Summary(probe).median);
    std::vector<double> list;
    size_t nListed = 0;
    for (int i = 0; i < 5; ++i)
    {
        const auto t0 = Clock::now();
        nListed = CCommSettingDlg::ListPorts().size();
        list.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::printf("the port list alone (%zu listed of the ports Windows knows), 5 runs: median "
                "%.1f ms\n",
                nListed, Summary(list).median);

    // COM200 is mapped nowhere; COM5 is one end of a harness pair; COM6, its other end, is held
    // open here as another program would hold it.
    HANDLE hHeld = ::CreateFileA("\\\\.\\COM6", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    const struct
    {
        const char* name;
        const char* what;
    } ports[] = {
        {"COM200", "an absent port"},
        {"COM5", "a port that opens (a pty)"},
        {"COM6", hHeld != INVALID_HANDLE_VALUE ? "a port held elsewhere" : "COM6 (not held)"}};
    for (const auto& port : ports)
    {
        const Figures f = OpenCost(port.name, 200);
        std::printf("one open of %-26s %-6s median %7.1f us, min %7.1f us, max %8.1f us\n",
                    port.what, port.name, f.median, f.min, f.max);
    }
    if (hHeld != INVALID_HANDLE_VALUE)
        ::CloseHandle(hHeld);
    ::DeleteFileA(ini.c_str());
    return 0;
}
