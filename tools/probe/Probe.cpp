// kestrane-probe: reads the monitor's window from outside its process, for end-to-end tests.
// Prints the main window's child controls and the channel table's cells, or waits for a message
// box by its text and can press its OK. Only reads and clicks what a user could; never blocks on
// a hung window (every message is sent with a time-out).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "res/resource.h"

namespace
{
const char kMainCaption[] = " VN4 coin acceptor data analyzer";
constexpr UINT kMessageTimeoutMs = 2000;
constexpr DWORD kPollMs = 50;
constexpr int kTextMax = 1024;

const char kUsage[] =
    "Usage: kestrane-probe [--timeout S]\n"
    "       kestrane-probe --wait-box TEXT [--press-ok] [--timeout S]\n"
    "\n"
    "Without --wait-box: finds the visible top-level window captioned\n"
    "\" VN4 coin acceptor data analyzer\" and prints, one a line:\n"
    "  id=N text=\"...\"                 each child control, in order of id (then of creation);\n"
    "                                   check boxes add checked=0|1, disabled ones \" disabled\"\n"
    "  list id=1000 rows=R columns=C    the channel table, then each of its cells:\n"
    "  cell row=R col=C text=\"...\"\n"
    "Texts are quoted; \\ \" and control characters are escaped as \\\\ \\\" \\n \\r \\t \\xNN.\n"
    "\n"
    "  --wait-box TEXT  wait for a dialog box (class #32770) with a static showing exactly TEXT,\n"
    "                   print 'box caption=\"...\" text=\"...\"'\n"
    "  --press-ok       then press its OK button and wait for it to close\n"
    "  --timeout S      how long to wait for the window or the box (default 10 seconds)\n"
    "  --help           this text\n"
    "\n"
    "Exit status: 0 found (and pressed), 1 not found or not closed in time, 2 bad usage.\n";

std::string Quote(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text)
    {
        if (c == '"' || c == '\\')
        {
            out += '\\';
            out += static_cast<char>(c);
        }
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c < 0x20 || c == 0x7f)
        {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
        else
            out += static_cast<char>(c);
    }
    return out + "\"";
}

bool Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD_PTR& result)
{
    return SendMessageTimeoutA(hwnd, msg, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                               kMessageTimeoutMs, &result) != 0;
}

// The window's text as its own process reports it (WM_GETTEXT is carried across processes).
std::string WindowText(HWND hwnd)
{
    char buf[kTextMax] = {};
    DWORD_PTR copied = 0;
    if (!Send(hwnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), copied))
        GetWindowTextA(hwnd, buf, sizeof buf); // the text the window manager keeps
    return buf;
}

std::string ClassOf(HWND hwnd)
{
    char buf[256] = {};
    GetClassNameA(hwnd, buf, sizeof buf);
    return buf;
}

// A handle of the other process; closed once.
class CProcessHandle
{
public:
    explicit CProcessHandle(HANDLE h) : m_h(h) {}
    ~CProcessHandle()
    {
        if (m_h)
            CloseHandle(m_h);
    }
    CProcessHandle(const CProcessHandle&) = delete;
    CProcessHandle& operator=(const CProcessHandle&) = delete;
    HANDLE Get() const { return m_h; }

private:
    HANDLE m_h;
};

// Memory in the other process, where its list view can read a request and write its answer.
class CRemoteBuffer
{
public:
    CRemoteBuffer(HANDLE process, SIZE_T size)
        : m_process(process),
          m_p(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))
    {
    }
    ~CRemoteBuffer()
    {
        if (m_p)
            VirtualFreeEx(m_process, m_p, 0, MEM_RELEASE);
    }
    CRemoteBuffer(const CRemoteBuffer&) = delete;
    CRemoteBuffer& operator=(const CRemoteBuffer&) = delete;
    char* Get() const { return static_cast<char*>(m_p); }

private:
    HANDLE m_process;
    void* m_p;
};

struct Child
{
    int id;
    int order;
    HWND hwnd;
};

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lParam)
{
    auto* children = reinterpret_cast<std::vector<Child>*>(lParam);
    children->push_back({GetDlgCtrlID(hwnd), static_cast<int>(children->size()), hwnd});
    return TRUE;
}

bool IsCheckBox(HWND hwnd)
{
    if (ClassOf(hwnd) != "Button")
        return false;
    switch (GetWindowLongA(hwnd, GWL_STYLE) & BS_TYPEMASK)
    {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return true;
    default:
        return false;
    }
}

// Prints every cell of the list view. The request and the text buffer must live in the list's
// own process: it writes the text to the address the request names.
void PrintListCells(HWND list)
{
    DWORD_PTR rows = 0, columns = 1, header = 0;
    Send(list, LVM_GETITEMCOUNT, 0, 0, rows);
    if (Send(list, LVM_GETHEADER, 0, 0, header) && header)
    {
        DWORD_PTR n = 0;
        if (Send(reinterpret_cast<HWND>(header), HDM_GETITEMCOUNT, 0, 0, n) &&
            static_cast<int>(n) > 0)
            columns = n;
    }
    std::printf("list id=%d rows=%d columns=%d\n", GetDlgCtrlID(list), static_cast<int>(rows),
                static_cast<int>(columns));

    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    CProcessHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                           PROCESS_QUERY_INFORMATION,
                                       FALSE, pid));
    if (!process.Get())
    {
        std::fprintf(stderr, "kestrane-probe: cannot open the window's process (%lu)\n",
                     GetLastError());
        return;
    }
    CRemoteBuffer remote(process.Get(), sizeof(LVITEMA) + kTextMax);
    if (!remote.Get())
    {
        std::fprintf(stderr, "kestrane-probe: no memory in the window's process (%lu)\n",
                     GetLastError());
        return;
    }
    char* remoteText = remote.Get() + sizeof(LVITEMA);
    for (int row = 0; row < static_cast<int>(rows); ++row)
    {
        for (int col = 0; col < static_cast<int>(columns); ++col)
        {
            LVITEMA item = {};
            item.iSubItem = col;
            item.pszText = remoteText;
            item.cchTextMax = kTextMax;
            char text[kTextMax] = {};
            DWORD_PTR length = 0;
            SIZE_T done = 0;
            if (WriteProcessMemory(process.Get(), remote.Get(), &item, sizeof item, &done) &&
                Send(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote.Get()), length))
                ReadProcessMemory(process.Get(), remoteText, text, kTextMax - 1, &done);
            text[kTextMax - 1] = '\0';
            std::printf("cell row=%d col=%d text=%s\n", row, col, Quote(text).c_str());
        }
    }
}

void PrintWindow(HWND main)
{
    std::vector<Child> children;
    EnumChildWindows(main, CollectChild, reinterpret_cast<LPARAM>(&children));
    // Direct children only: the lamps inside a panel and the list's header are its parts.
    children.erase(std::remove_if(children.begin(), children.end(),
                                  [main](const Child& c) { return GetParent(c.hwnd) != main; }),
                   children.end());
    std::stable_sort(children.begin(), children.end(),
                     [](const Child& a, const Child& b) { return a.id < b.id; });
    HWND list = nullptr;
    for (const Child& c : children)
    {
        std::string line = "id=" + std::to_string(c.id) + " text=" + Quote(WindowText(c.hwnd));
        if (IsCheckBox(c.hwnd))
        {
            DWORD_PTR state = 0;
            Send(c.hwnd, BM_GETCHECK, 0, 0, state);
            line += state == BST_CHECKED ? " checked=1" : " checked=0";
        }
        if (!IsWindowEnabled(c.hwnd))
            line += " disabled";
        std::printf("%s\n", line.c_str());
        if (c.id == IDC_CHANNEL_LIST)
            list = c.hwnd;
    }
    if (list)
        PrintListCells(list);
}

struct BoxSearch
{
    const char* text;
    HWND box;
    HWND label;
};

BOOL CALLBACK FindLabel(HWND hwnd, LPARAM lParam)
{
    auto* s = reinterpret_cast<BoxSearch*>(lParam);
    if (ClassOf(hwnd) == "Static" && WindowText(hwnd) == s->text)
    {
        s->label = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindBox(HWND hwnd, LPARAM lParam)
{
    auto* s = reinterpret_cast<BoxSearch*>(lParam);
    if (!IsWindowVisible(hwnd) || ClassOf(hwnd) != "#32770")
        return TRUE;
    EnumChildWindows(hwnd, FindLabel, lParam);
    if (!s->label)
        return TRUE;
    s->box = hwnd;
    return FALSE;
}

// Polls until found() gives a window or the time is up.
template <typename Find> HWND WaitFor(double timeoutSeconds, Find found)
{
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutSeconds * 1000);
    for (;;)
    {
        if (HWND h = found())
            return h;
        if (GetTickCount64() >= end)
            return nullptr;
        Sleep(kPollMs);
    }
}

int WaitBox(const char* text, bool pressOk, double timeout)
{
    BoxSearch search = {text, nullptr, nullptr};
    HWND box = WaitFor(timeout,
                       [&]
                       {
                           search.box = search.label = nullptr;
                           EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
                           return search.box;
                       });
    if (!box)
    {
        std::fprintf(stderr, "kestrane-probe: no box showing %s\n", Quote(text).c_str());
        return 1;
    }
    std::printf("box caption=%s text=%s\n", Quote(WindowText(box)).c_str(), Quote(text).c_str());
    std::fflush(stdout);
    if (!pressOk)
        return 0;
    HWND ok = GetDlgItem(box, IDOK);
    if (!ok)
    {
        std::fprintf(stderr, "kestrane-probe: the box has no OK button\n");
        return 1;
    }
    // As the button itself reports a click: the box ends as if the user pressed OK.
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    if (WaitFor(timeout, [&] { return IsWindow(box) ? nullptr : box; }))
        return 0;
    std::fprintf(stderr, "kestrane-probe: the box did not close\n");
    return 1;
}
} // namespace

int main(int argc, char** argv)
{
    double timeout = 10;
    const char* boxText = nullptr;
    bool pressOk = false;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--help")
        {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--press-ok")
            pressOk = true;
        else if ((arg == "--timeout" || arg == "--wait-box") && i + 1 < argc)
        {
            const char* value = argv[++i];
            if (arg == "--wait-box")
                boxText = value;
            else
            {
                char* end = nullptr;
                timeout = std::strtod(value, &end);
                if (end == value || *end != '\0' || !(timeout >= 0) || timeout > 86400)
                {
                    std::fprintf(stderr, "kestrane-probe: bad --timeout %s\n", value);
                    return 2;
                }
            }
        }
        else
        {
            std::fprintf(stderr, "kestrane-probe: unknown argument %s (see --help)\n", arg.c_str());
            return 2;
        }
    }
    if (pressOk && !boxText)
    {
        std::fprintf(stderr, "kestrane-probe: --press-ok needs --wait-box TEXT\n");
        return 2;
    }
    if (boxText)
        return WaitBox(boxText, pressOk, timeout);

    HWND main = WaitFor(timeout,
                        []
                        {
                            HWND h = FindWindowA(nullptr, kMainCaption);
                            // Visible only once its dialog set-up is done and its table filled.
                            return h && IsWindowVisible(h) ? h : nullptr;
                        });
    if (!main)
    {
        std::fprintf(stderr, "kestrane-probe: no window %s\n", Quote(kMainCaption).c_str());
        return 1;
    }
    PrintWindow(main);
    return 0;
}
