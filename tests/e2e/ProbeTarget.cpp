// A stand-in for the monitor's main window, for testing kestrane-probe from another process:
// the same caption, a few controls of each kind, and a channel table. With --box it also shows
// the "Open port failed" box and exits 0 when the box was closed with OK.
#include <string>

#include <windows.h>
#include <commctrl.h>

#include "res/resource.h"

namespace
{
HWND Child(HWND parent, const char* cls, const char* text, DWORD style, int id, int y)
{
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, 10, y, 300, 20, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

void AddCell(HWND list, int row, int col, const std::string& text)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = col;
    item.pszText = const_cast<char*>(text.c_str());
    if (col == 0)
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    else
        SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

void Populate(HWND wnd)
{
    // Created out of id order on purpose: the probe sorts by id.
    Child(wnd, "Static", " OK  NOTE_READ 5", SS_LEFT, IDC_STATUS_EVENT, 10);
    Child(wnd, "Button", "Start", BS_PUSHBUTTON, IDOK, 40);
    Child(wnd, "Button", "Enable log file", BS_AUTOCHECKBOX, IDC_ENABLE_LOG, 70);
    CheckDlgButton(wnd, IDC_ENABLE_LOG, BST_CHECKED);
    EnableWindow(Child(wnd, "Button", "Setting", BS_PUSHBUTTON, IDC_SETTING, 100), FALSE);
    Child(wnd, "Static", "say \"hi\"\\ to\tall", SS_LEFT, IDC_STATUS_PORT, 130);

    HWND list =
        CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 10, 160, 300, 250,
                        wnd, reinterpret_cast<HMENU>(IDC_CHANNEL_LIST), nullptr, nullptr);
    const char* headings[] = {"Channel", "Value", "Num Notes"};
    for (int col = 0; col < 3; ++col)
    {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 90;
        column.pszText = const_cast<char*>(headings[col]);
        SendMessageA(list, LVM_INSERTCOLUMNA, col, reinterpret_cast<LPARAM>(&column));
    }
    for (int row = 0; row < 12; ++row)
    {
        AddCell(list, row, 0, std::to_string(row + 1));
        AddCell(list, row, 1, row == 4 ? "20" : "");
        AddCell(list, row, 2, row == 4 ? "2" : "");
    }
}

LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DESTROY)
    {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = "KestraneProbeTarget";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&wc);
    HWND wnd =
        CreateWindowExA(0, wc.lpszClassName, " VN4 coin acceptor data analyzer",
                        WS_OVERLAPPEDWINDOW, 0, 0, 400, 480, nullptr, nullptr, instance, nullptr);
    if (!wnd)
        return 2;
    Populate(wnd);
    ShowWindow(wnd, SW_SHOW);

    if (std::string(cmdLine).find("--box") != std::string::npos)
    {
        const int answer = MessageBoxA(wnd, "Open port failed", "Kestrane", MB_OK);
        DestroyWindow(wnd);
        return answer == IDOK ? 0 : 3;
    }
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}
