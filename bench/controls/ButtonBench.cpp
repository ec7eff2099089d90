// The command buttons under Wine, in the main window: GenerateShade on a real button (window
// size, system colours, the C runtime's rand) and one hover repaint (the mouse enters, the
// button repaints with its hover face; the mouse leaves, it repaints with its normal face),
// medians in microseconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "app/AnalyzerDlg.h"
#include "res/resource.h"

namespace
{
using Clock = std::chrono::steady_clock;

double Median(std::vector<double>& us)
{
    std::sort(us.begin(), us.end());
    return us[us.size() / 2];
}
} // namespace

int main()
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    ::SetCursorPos(1200, 1000); // away from the buttons: only the bench hovers them
    CAnalyzerDlg dlg;
    if (!dlg.Create())
    {
        std::fprintf(stderr, "the main window would not open\n");
        return 2;
    }
    const HWND hStart = ::GetDlgItem(dlg.m_hWnd, IDOK);
    auto* pStart = dynamic_cast<CShadedButton*>(CWnd::FromHandlePermanent(hStart));
    if (pStart == nullptr)
    {
        std::fprintf(stderr, "Start is not a shaded button\n");
        return 2;
    }
    RECT rc;
    ::GetWindowRect(hStart, &rc);
    ::UpdateWindow(dlg.m_hWnd);

    std::vector<double> shade;
    for (int run = 0; run < 500; ++run)
    {
        const auto t0 = Clock::now();
        pStart->GenerateShade(ShadeRowCurve, 8, 10, 0, 0);
        shade.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    ::InvalidateRect(hStart, nullptr, TRUE);
    ::UpdateWindow(hStart); // the first paint makes the sections and memory DCs

    // A move onto the button (as the mouse would send it) and a leave notice, each followed by
    // the paint it asks for.
    const LPARAM inside = MAKELPARAM(10, 10);
    std::vector<double> enter, leave;
    for (int run = 0; run < 500; ++run)
    {
        auto t0 = Clock::now();
        ::SendMessageA(hStart, WM_MOUSEMOVE, 0, inside);
        ::UpdateWindow(hStart);
        enter.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        t0 = Clock::now();
        ::SendMessageA(hStart, WM_MOUSELEAVE, 0, 0);
        ::UpdateWindow(hStart);
        leave.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    // For scale: the same repaint of a control the system draws, the "Enable log file" box.
    const HWND hCheck = ::GetDlgItem(dlg.m_hWnd, IDC_ENABLE_LOG);
    std::vector<double> plain;
    for (int run = 0; run < 500; ++run)
    {
        const auto t0 = Clock::now();
        ::InvalidateRect(hCheck, nullptr, TRUE);
        ::UpdateWindow(hCheck);
        plain.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    std::printf("GenerateShade, Start button %ld x %ld (Wine): median %.1f us\n",
                rc.right - rc.left, rc.bottom - rc.top, Median(shade));
    std::printf("hover repaint, mouse enters (hover face): median %.1f us\n", Median(enter));
    std::printf("hover repaint, mouse leaves (normal face): median %.1f us\n", Median(leave));
    std::printf("for scale, a system-drawn check box repainted: median %.1f us\n", Median(plain));
    return 0;
}
