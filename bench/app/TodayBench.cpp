// /today over a busy day under Wine: a 1 MiB day's log (about 15,000 note reads) read back into
// the channel table. Prints, in process, how long the window takes to show, how long from
// then until the table holds the day, and the read-back alone (median of ten).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "app/AnalyzerDlg.h"
#include "res/resource.h"
#include "tests/common/FileBytes.h"
#include "tests/common/NoteReadFrame.h"
#include "tests/common/ScratchLogFolder.h"
#include "tests/serial/SerialTestKit.h"

namespace
{
using Clock = std::chrono::steady_clock;

class BenchDlg : public CAnalyzerDlg
{
public:
    using CAnalyzerDlg::PreTranslateInput;
};

double MsSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}
} // namespace

int main()
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    ScratchLogFolder scratch;
    ::CreateDirectoryA(scratch.Folder().c_str(), nullptr);
    std::string day;
    for (int n = 0; day.size() < 1048576; ++n)
    {
        const std::vector<unsigned char> frame = NoteRead(1 + n % 12, n % 256);
        day += Today("[%Y-%m-%d %H:%M:%S]  ") + HexDump(frame.data(), 15) + "\r\n";
    }
    WriteFileBytes(scratch.Folder() + "\\" + Today(), day);

    BenchDlg dlg;
    dlg.SetLaunchOptions(ParseLaunchOptions("/today"));
    Clock::time_point t0 = Clock::now();
    if (!dlg.Create())
        return std::fprintf(stderr, "the main window would not open\n"), 2;
    std::printf("/today, %zu bytes: window shown in %.1f ms", day.size(), MsSince(t0));
    t0 = Clock::now();
    char text[64] = "";
    PumpUntil(
        [&]
        {
            ::GetDlgItemTextA(dlg.m_hWnd, IDC_STATUS_EVENT, text, sizeof text);
            return text[0] != '\0';
        },
        60000, [&dlg](MSG* pMsg) { return dlg.PreTranslateInput(pMsg) != FALSE; });
    std::printf(", the day in the table %.1f ms later:%s\n", MsSince(t0), text);
    std::vector<double> ms;
    for (int i = 0; i < 10; ++i)
    {
        t0 = Clock::now();
        dlg.SendMessage(CAnalyzerDlg::WM_RESTORE_TODAY);
        ms.push_back(MsSince(t0));
    }
    std::sort(ms.begin(), ms.end());
    std::printf("/today's read-back alone: median %.1f ms, max %.1f ms\n", ms[ms.size() / 2],
                ms.back());
    return 0;
}
