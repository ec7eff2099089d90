// The main window, driven for real: a modeless CAnalyzerDlg fed through WM_SERIAL_BYTE, its
// buttons and keys, a virtual COM pair (COM5 here, COM6 the acceptor's end), the settings file
// and the Log folder beside this test executable.
#include "app/AnalyzerDlg.h"

#include <gtest/gtest.h>

#include "app/AnalyzerApp.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "res/resource.h"
#include "tests/app/AnalyzerDlgTestPeer.h"
#include "tests/common/CrtRand.h"
#include "tests/common/EventRecorder.h"
#include "tests/common/FileBytes.h"
#include "tests/common/PlayedPorts.h"
#include "tests/common/NoteReadFrame.h"
#include "tests/common/ProcessMemory.h"
#include "tests/common/ProgramFolder.h"
#include "tests/common/ScratchLogFolder.h"
#include "tests/common/WindowPixels.h"
#include "tests/controls/ButtonTestPeers.h"
#include "tests/serial/SerialTestKit.h"

namespace
{
// Test access to the dialog's protected handlers goes through messages, as a user's would.
class TestDlg : public CAnalyzerDlg
{
public:
    using CAnalyzerDlg::PreTranslateInput;
};

void WriteSettings(int nPort)
{
    const std::string ini = ExeDir() + "Kestrane.ini";
    ::DeleteFileA(ini.c_str());
    if (nPort > 0)
        ::WritePrivateProfileStringA("PORT", "nport", std::to_string(nPort).c_str(), ini.c_str());
}

const std::vector<unsigned char> kOkFrame = {0x98, 0x00, 0x00, 0x00, 0x98};

// A dialog (or message box) with this caption, looked for from another thread for up to a
// minute; null if none came.
// Shown, not merely made: a modal dialog disables its owner between the two.
HWND AwaitDialog(const char* pszCaption)
{
    HWND hWnd = nullptr;
    for (int i = 0; i < 6000 && !::IsWindowVisible(hWnd); ++i, ::Sleep(10))
        hWnd = ::FindWindowA("#32770", pszCaption);
    return ::IsWindowVisible(hWnd) ? hWnd : nullptr;
}

class AnalyzerDlgTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&icc);
    }

    void SetUp() override { WriteSettings(m_nPort); }
    void TearDown() override
    {
        m_dlg.reset();
        WriteSettings(0);
    }

    TestDlg& Dlg()
    {
        if (!m_dlg)
        {
            m_dlg = std::make_unique<TestDlg>();
            m_dlg->SetLaunchOptions(m_launch);
            EXPECT_TRUE(m_dlg->Create());
        }
        return *m_dlg;
    }
    HWND Item(int id) { return ::GetDlgItem(Dlg().m_hWnd, id); }
    std::string Text(int id)
    {
        char buf[256] = "";
        ::GetDlgItemTextA(Dlg().m_hWnd, id, buf, sizeof buf);
        return buf;
    }
    std::string Cell(int row, int col)
    {
        char buf[64] = "";
        ListView_GetItemText(Item(IDC_CHANNEL_LIST), row, col, buf, sizeof buf);
        return buf;
    }
    void Feed(const std::vector<unsigned char>& bytes)
    {
        for (unsigned char b : bytes)
            Dlg().SendMessage(WM_SERIAL_BYTE, b, 5);
    }
    void Click(int id)
    {
        Dlg().SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                          reinterpret_cast<LPARAM>(Item(id)));
    }
    bool LampShowsLit(int i)
    {
        HBITMAP shown = reinterpret_cast<HBITMAP>(
            ::SendMessageA(Item(IDC_LAMP_FIRST + i), STM_GETIMAGE, IMAGE_BITMAP, 0));
        EXPECT_TRUE(shown == LampBitmap(true) || shown == LampBitmap(false));
        return shown == LampBitmap(true);
    }
    HBITMAP LampBitmap(bool bLit) { return CAnalyzerDlgTestPeer::LampBitmap(Dlg(), bLit); }
    bool IsLampLit(int i) { return CAnalyzerDlgTestPeer::IsLampLit(Dlg(), i) != 0; }
    // Logging on, stamped with m_logNow, while another program holds the day's file (m_strDay
    // + ".log") with no sharing: the holder's handle.
    HANDLE HoldDayFileAndLog()
    {
        CAnalyzerDlgTestPeer::SetLogClock(Dlg(), [this] { return m_logNow; });
        ::CreateDirectoryA((ExeDir() + "Log").c_str(), nullptr);
        ::SendMessageA(Item(IDC_ENABLE_LOG), BM_CLICK, 0, 0);
        return ::CreateFileA((m_strDay + ".log").c_str(), GENERIC_READ, 0, nullptr, CREATE_NEW, 0,
                             nullptr);
    }
    // The line a frame gets at m_logNow.
    std::string Logged(const std::vector<unsigned char>& frame) const
    {
        const SYSTEMTIME& t = m_logNow;
        char szStamp[32];
        std::snprintf(szStamp, sizeof szStamp, "[%04d-%02d-%02d %02d:%02d:%02d]  ", t.wYear,
                      t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
        return szStamp + HexDump(frame.data(), static_cast<int>(frame.size())) + "\r\n";
    }
    // Runs the message loop until pred holds or a generous bound passes.
    bool PumpUntil(const std::function<bool()>& pred, int timeoutMs = 20000)
    {
        return ::PumpUntil(pred, static_cast<DWORD>(timeoutMs),
                           [this](MSG* pMsg) { return Dlg().PreTranslateInput(pMsg) != FALSE; });
    }

    int m_nPort = 0; // no settings file: the defaults, COM1, which never opens here
    SYSTEMTIME m_logNow = {2026, 12, 0, 7, 11, 22, 33, 0};
    const std::string m_strDay = ExeDir() + "Log\\2026-12-07";
    // No Log at the start; whatever the test logged goes after it.
    ScratchLogFolder m_logFolder;
    LaunchOptions m_launch;
    std::unique_ptr<TestDlg> m_dlg;
};

class AnalyzerDlgOnPairTest : public AnalyzerDlgTest
{
protected:
    AnalyzerDlgOnPairTest() { m_nPort = 5; }

    // The acceptor's end of the pair.
    void SendFromAcceptor(const std::vector<unsigned char>& bytes, UINT nPort = 6)
    {
        CFarEnd farEnd(nPort);
        ASSERT_TRUE(farEnd.IsOpen()) << "COM" << nPort << " would not open: " << ::GetLastError();
        EXPECT_TRUE(farEnd.Write(bytes.data(), static_cast<DWORD>(bytes.size())));
    }
};
} // namespace

TEST_F(AnalyzerDlgTest, StartsWithTwelveEmptyRowsDarkLampsAndFixedLabels)
{
    TestDlg& dlg = Dlg();
    HWND list = Item(IDC_CHANNEL_LIST);
    ASSERT_EQ(ListView_GetItemCount(list), 12);
    for (int i = 0; i < 12; ++i)
    {
        EXPECT_EQ(Cell(i, 0), std::to_string(i + 1));
        EXPECT_EQ(Cell(i, 1), "-") << "row " << i;
        EXPECT_EQ(Cell(i, 2), "0") << "row " << i;
        EXPECT_TRUE(::IsWindowVisible(Item(IDC_LAMP_FIRST + i))) << "lamp " << i;
        EXPECT_TRUE(::IsWindowVisible(Item(IDC_LAMP_LABEL_FIRST + i))) << "label " << i;
        EXPECT_FALSE(LampShowsLit(i)) << "lamp " << i;
    }
    EXPECT_EQ(ListView_GetExtendedListViewStyle(list), 0x170u);
    EXPECT_EQ(Text(IDC_STATUS_POLL), " CMMOND POLL");
    EXPECT_EQ(Text(IDC_STATUS_PORT), " COM1");
    EXPECT_EQ(Text(IDC_STATUS_EVENT), "");
    EXPECT_EQ(Text(IDC_CLOCK), "") << "the clock stays empty until its first tick";
    EXPECT_EQ(Text(IDOK), "&Start");
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_SETTING)));

    dlg.SendMessage(WM_TIMER, CAnalyzerDlg::kClockTimer);
    EXPECT_EQ(Text(IDC_CLOCK).substr(0, 6), Today(" %H:%M"));
    EXPECT_NE(Text(IDC_CLOCK).find(Today("  %B %d  %Y")), std::string::npos) << Text(IDC_CLOCK);
}

TEST_F(AnalyzerDlgTest, PortComesFromTheSettingsFile)
{
    WriteSettings(7);
    EXPECT_EQ(Text(IDC_STATUS_PORT), " COM7");
}

TEST_F(AnalyzerDlgTest, FramesUpdateTableStatusAndLampsAsTheyArrive)
{
    Feed(NoteRead(5, 20));
    Feed(NoteRead(5, 20));
    EXPECT_EQ(Cell(4, 1), "20");
    EXPECT_EQ(Cell(4, 2), "2");
    EXPECT_EQ(Text(IDC_STATUS_EVENT), " OK  NOTE_READ 5");

    Feed(NoteRead(12, 255));
    EXPECT_EQ(Cell(11, 1), "255");
    EXPECT_EQ(Cell(11, 2), "1");
    for (int i = 0; i < 11; ++i)
    {
        if (i == 4)
            continue;
        EXPECT_EQ(Cell(i, 1) + "/" + Cell(i, 2), "-/0") << "row " << i;
    }
    EXPECT_TRUE(LampShowsLit(11));
    EXPECT_TRUE(LampShowsLit(4));

    // An OK frame reports, but leaves table and lamps alone.
    Dlg().SendMessage(WM_TIMER, CAnalyzerDlg::kLampTimer);
    Feed(kOkFrame);
    EXPECT_EQ(Text(IDC_STATUS_EVENT), " OK");
    EXPECT_EQ(Cell(4, 2), "2");
    for (int i = 0; i < 12; ++i)
        EXPECT_FALSE(LampShowsLit(i)) << "lamp " << i;

    // A channel byte outside 1..12 is reported but touches no row and no lamp.
    for (int channel : {0, 13})
    {
        Feed(NoteRead(channel, 9));
        EXPECT_EQ(Text(IDC_STATUS_EVENT), " OK  NOTE_READ " + std::to_string(channel));
    }
    for (int i = 0; i < 12; ++i)
        EXPECT_FALSE(LampShowsLit(i)) << "lamp " << i;
    EXPECT_EQ(Cell(0, 2), "0");
    EXPECT_EQ(Cell(11, 2), "1");
}

TEST_F(AnalyzerDlgTest, OneLampTimerDarkensEveryLitLampAndRepaintsFollowTheState)
{
    Feed(NoteRead(2, 10));
    Feed(NoteRead(9, 50));
    EXPECT_TRUE(IsLampLit(1) && IsLampLit(8));
    EXPECT_TRUE(LampShowsLit(1));
    EXPECT_TRUE(LampShowsLit(8));

    // Someone else's picture on lamp 2: a repaint puts the lit one back.
    ::SendMessageA(Item(IDC_LAMP_FIRST + 1), STM_SETIMAGE, IMAGE_BITMAP,
                   reinterpret_cast<LPARAM>(LampBitmap(false)));
    ::RedrawWindow(Dlg().m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(LampShowsLit(1));

    Dlg().SendMessage(WM_TIMER, CAnalyzerDlg::kLampTimer);
    for (int i = 0; i < 12; ++i)
    {
        EXPECT_FALSE(IsLampLit(i)) << "lamp " << i;
        EXPECT_FALSE(LampShowsLit(i)) << "lamp " << i;
    }
    ::RedrawWindow(Dlg().m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_FALSE(LampShowsLit(1));
}

TEST_F(AnalyzerDlgTest, OwnTimersDarkenTheLampsAndRunTheClockWithNoTimerMessageSent)
{
    Feed(NoteRead(4, 10));
    ASSERT_TRUE(LampShowsLit(3));
    // Liveness, not timing: the bounds are seconds for timers of 200 ms and 1 s.
    EXPECT_TRUE(PumpUntil([&] { return !LampShowsLit(3); })) << "the lamp timer never ran";
    EXPECT_FALSE(IsLampLit(3));
    EXPECT_TRUE(PumpUntil([&] { return !Text(IDC_CLOCK).empty(); })) << "the clock never ticked";
}

TEST_F(AnalyzerDlgTest, LogFileFollowsTheCheckBox)
{
    const std::string file = ExeDir() + "Log\\" + Today();
    Feed(kOkFrame);
    EXPECT_EQ(::GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES)
        << "nothing is logged while the box is unticked";

    ::SendMessageA(Item(IDC_ENABLE_LOG), BM_CLICK, 0, 0);
    ASSERT_EQ(::SendMessageA(Item(IDC_ENABLE_LOG), BM_GETCHECK, 0, 0), BST_CHECKED);
    Feed(NoteRead(3, 100));
    const std::string log = ReadFileBytes(file);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.substr(0, 1), "[");
    EXPECT_NE(log.find("]  97 01 02 64 fe 00 00 00 00 00 00 00 00 03 00\r\n"), std::string::npos)
        << log;

    ::SendMessageA(Item(IDC_ENABLE_LOG), BM_CLICK, 0, 0);
    Feed(kOkFrame);
    EXPECT_EQ(ReadFileBytes(file), log) << "unticking stops the log";
}

TEST_F(AnalyzerDlgTest, LinesOfAFileHeldAwayAreWrittenByTheTimerWithTheirArrivalTimes)
{
    const std::string file = m_strDay + ".log";
    // Held while five frames arrive.
    const HANDLE hHolder = HoldDayFileAndLog();
    ASSERT_NE(hHolder, INVALID_HANDLE_VALUE);
    std::string expected;
    for (WORD n = 1; n <= 5; ++n)
    {
        m_logNow.wSecond = n;
        const std::vector<unsigned char> frame = NoteRead(n, 10 * n);
        Feed(frame);
        expected += "[2026-12-07 11:22:0" + std::to_string(n) + "]  " +
                    HexDump(frame.data(), static_cast<int>(frame.size())) + "\r\n";
    }
    m_logNow.wSecond = 59; // a stamp taken when written would say so
    ::CloseHandle(hHolder);
    ASSERT_TRUE(PumpUntil([&] { return ReadFileBytes(file).size() >= expected.size(); }));
    EXPECT_EQ(ReadFileBytes(file), expected);
}

TEST_F(AnalyzerDlgOnPairTest, CloseTellsOnceOfLinesTheLogCouldNotWriteAndAShutdownShowsNoBox)
{
    const HWND hDlg = Dlg().m_hWnd;
    Click(IDOK); // listening: nothing may reach the log once the box has counted its lines
    ASSERT_TRUE(WriteFileBytes(ExeDir() + "Log", "a file where the folder should be"));
    ::SendMessageA(Item(IDC_ENABLE_LOG), BM_CLICK, 0, 0);
    for (int n = 0; n < 3; ++n)
        Feed(kOkFrame);
    {
        CBoxWatcher boxes;
        EXPECT_EQ(Dlg().SendMessage(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
        Dlg().SendMessage(WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        EXPECT_EQ(boxes.Seen().size(), 0u) << "a box at log-off waits for nobody";
    }

    // The box's loop runs on this thread; another thread reads the box, presses Close once
    // more, which must return at once, then presses OK on every box there is.
    char text[512] = "";
    bool bSecondCloseReturned = false;
    std::atomic<bool> bCloseReturned{false};
    std::set<HWND> boxes;
    std::thread helper(
        [&]
        {
            ::GetDlgItemTextA(AwaitDialog("Daily log"), 0xFFFF, text, sizeof text);
            ::DeleteFileA((ExeDir() + "Log").c_str());
            SendFromAcceptor(kOkFrame);
            ::Sleep(3000); // past the log's next retry
            bSecondCloseReturned = ::SendMessageTimeoutA(hDlg, WM_COMMAND, IDCANCEL, 0, SMTO_NORMAL,
                                                         10000, nullptr) != 0;
            for (HWND h; !bCloseReturned; ::Sleep(10))
                if ((h = ::FindWindowA("#32770", "Daily log")) != nullptr)
                {
                    boxes.insert(h);
                    ::PostMessageA(h, WM_COMMAND, IDOK, 0);
                }
        });
    Click(IDCANCEL);
    bCloseReturned = true;
    helper.join();
    EXPECT_TRUE(bSecondCloseReturned);
    EXPECT_EQ(boxes.size(), 1u) << "a second Close showed a box of its own";
    const char kNoFile[] = "3 lines of the daily log could not be written to any file ";
    EXPECT_EQ(std::strncmp(text, kNoFile, sizeof kNoFile - 1), 0) << text;
    EXPECT_EQ(::GetFileAttributesA((ExeDir() + "Log").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Dlg().GetModalResult(), IDCANCEL);
}

TEST_F(AnalyzerDlgTest, LinesTheDayFileRefusesAsASessionEndsOrAtCloseGoIntoItsNextPartWithNoBox)
{
    const std::string strLine = "[2026-12-07 11:22:33]  98 00 00 00 98\r\n";
    const std::string ini = ExeDir() + "Kestrane.ini";
    // A spreadsheet holds the day's file to the end.
    const HANDLE hHolder = HoldDayFileAndLog();
    ASSERT_NE(hHolder, INVALID_HANDLE_VALUE);
    CBoxWatcher boxes;
    Feed(kOkFrame);
    Click(IDCANCEL);
    EXPECT_EQ(ReadFileBytes(m_strDay + ".001.log"), strLine);
    // The next run, asked to close by an update's installer: it ends as Close does.
    m_dlg.reset();
    ::DeleteFileA(ini.c_str());
    HoldDayFileAndLog();
    Feed(kOkFrame);
    EXPECT_EQ(Dlg().SendMessage(WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP), TRUE);
    Dlg().SendMessage(WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    EXPECT_EQ(ReadFileBytes(m_strDay + ".002.log"), strLine);
    EXPECT_EQ(Dlg().GetModalResult(), IDCANCEL);
    EXPECT_FALSE(::IsWindowVisible(Dlg().m_hWnd));
    EXPECT_NE(ReadFileBytes(ini).find("nport=1"), std::string::npos);
    EXPECT_EQ(boxes.Seen().size(), 0u);
    ::CloseHandle(hHolder);
}

TEST_F(AnalyzerDlgTest, AHeldDayFilesLinesAreInAPartWithinSecondsAndGoBackOnceItIsLetGo)
{
    const HANDLE hHolder = HoldDayFileAndLog();
    ASSERT_NE(hHolder, INVALID_HANDLE_VALUE);
    std::string expected;
    for (WORD n = 1; n <= 4; ++n)
    {
        m_logNow.wSecond = n;
        Feed(NoteRead(n, 10 * n));
        expected += Logged(NoteRead(n, 10 * n));
    }
    // No Close, no timer message sent: the log's own retry finds the file still held.
    EXPECT_TRUE(PumpUntil([&] { return ReadFileBytes(m_strDay + ".001.log") == expected; }));
    Feed(kOkFrame); // straight into the part while the file is held
    EXPECT_EQ(ReadFileBytes(m_strDay + ".001.log"), expected + Logged(kOkFrame));
    ::CloseHandle(hHolder);
    Dlg().SendMessage(WM_TIMER, CAnalyzerDlg::kLogRetryTimer);
    Feed(kOkFrame);
    EXPECT_EQ(ReadFileBytes(m_strDay + ".log"), Logged(kOkFrame));
}

TEST_F(AnalyzerDlgTest, APartNumberAnotherProgramTakesMeanwhileIsPassedOverAndNothingIsLost)
{
    const HANDLE hHolder = HoldDayFileAndLog();
    {
        const CPartTakenMeanwhile other;
        Feed(kOkFrame);
        Dlg().SendMessage(WM_TIMER, CAnalyzerDlg::kLogRetryTimer);
    }
    EXPECT_EQ(ReadFileBytes(m_strDay + ".001.log"), CPartTakenMeanwhile::kOthersLine);
    EXPECT_EQ(ReadFileBytes(m_strDay + ".002.log"), Logged(kOkFrame));
    ::CloseHandle(hHolder);
}

TEST_F(AnalyzerDlgTest, ANewDaysLinesGoIntoTheirOwnFileWhileYesterdaysIsHeld)
{
    const HANDLE hHolder = HoldDayFileAndLog();
    m_logNow = {2026, 12, 0, 7, 23, 59, 59, 0};
    Feed(kOkFrame);
    m_logNow = {2026, 12, 2, 8, 0, 0, 1, 0};
    Feed(kOkFrame);
    EXPECT_EQ(ReadFileBytes(ExeDir() + "Log\\2026-12-08.log"), Logged(kOkFrame));
    ::CloseHandle(hHolder);
}

// /today over the day's file, a part whose note is later than the file's last, and yesterday's
// file: today's counts and last values only, counting on; at midnight, from zero.
TEST_F(AnalyzerDlgTest, TodayStartsTheTableFromTodaysLogAndFromZeroAtMidnight)
{
    const std::string strLog = ExeDir() + "Log\\";
    ::CreateDirectoryA(strLog.c_str(), nullptr);
    const auto at = [](const char* pszTime, const std::vector<unsigned char>& frame) {
        return std::string("[") + pszTime + "]  " + HexDump(frame.data(), int(frame.size())) +
               "\r\n";
    };
    WriteFileBytes(strLog + "2026-12-07.log", at("2026-12-07 10:00:00", NoteRead(5, 20)) +
                                                  "a torn li\r\n" +
                                                  at("2026-12-07 10:00:01", kOkFrame) +
                                                  at("2026-12-07 12:00:00", NoteRead(5, 50)));
    WriteFileBytes(strLog + "2026-12-07.001.log", at("2026-12-07 09:00:00", NoteRead(9, 10)) +
                                                      at("2026-12-07 12:30:00", NoteRead(5, 30)));
    WriteFileBytes(strLog + "2026-12-06.log", at("2026-12-06 18:00:00", NoteRead(3, 40)));
    m_launch = ParseLaunchOptions("/TODAY");
    CAnalyzerDlgTestPeer::SetLogClock(Dlg(), [this] { return m_logNow; });
    ASSERT_TRUE(PumpUntil([&] { return Text(IDC_STATUS_EVENT) == " TODAY: 4 NOTES RESTORED"; }))
        << Text(IDC_STATUS_EVENT);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(Cell(i, 1) + "/" + Cell(i, 2), i == 4 ? "30/3" : i == 8 ? "10/1" : "-/0") << i;
    Feed(NoteRead(5, 70));
    EXPECT_EQ(Cell(4, 1) + "/" + Cell(4, 2), "70/4");

    m_logNow = {2026, 12, 2, 8, 0, 0, 1, 0};
    Dlg().SendMessage(WM_TIMER, CAnalyzerDlg::kClockTimer);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(Cell(i, 1) + "/" + Cell(i, 2), "-/0") << i;
    Feed(NoteRead(5, 80));
    EXPECT_EQ(Cell(4, 1) + "/" + Cell(4, 2), "80/1");
}

TEST_F(AnalyzerDlgTest, AboutIsTheLastSystemMenuItemAfterASeparator)
{
    HMENU menu = ::GetSystemMenu(Dlg().m_hWnd, FALSE);
    ASSERT_NE(menu, nullptr);
    const int n = ::GetMenuItemCount(menu);
    ASSERT_GE(n, 2);
    EXPECT_EQ(::GetMenuItemID(menu, n - 1), static_cast<UINT>(IDM_ABOUTBOX));
    char text[64] = "";
    ::GetMenuStringA(menu, n - 1, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&About Kestrane...");
    EXPECT_TRUE(::GetMenuState(menu, n - 2, MF_BYPOSITION) & MF_SEPARATOR);
}

TEST_F(AnalyzerDlgTest, AboutRunsModallyOverTheWindowWhileFramesGoOn)
{
    const HWND hDlg = Dlg().m_hWnd;
    bool bSawAbout = false;
    bool bOwnerDisabled = false;
    // The About box's own loop runs on this thread; another thread looks at it, delivers a
    // frame as the serial worker would, and presses OK.
    std::thread helper(
        [&]
        {
            const HWND hAbout = AwaitDialog("About VN4 coin acceptor data analyzer");
            if (hAbout == nullptr)
                return;
            bSawAbout = true;
            bOwnerDisabled = ::GetWindow(hAbout, GW_OWNER) == hDlg && !::IsWindowEnabled(hDlg);
            for (unsigned char b : kOkFrame)
                ::SendMessageA(hDlg, WM_SERIAL_BYTE, b, 5);
            ::PostMessageA(hAbout, WM_COMMAND, IDOK, 0);
        });
    Dlg().SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0); // returns once the box is closed
    helper.join();
    EXPECT_TRUE(bSawAbout);
    EXPECT_TRUE(bOwnerDisabled);
    EXPECT_EQ(Text(IDC_STATUS_EVENT), " OK") << "frames are decoded while the box is open";
    EXPECT_TRUE(::IsWindowEnabled(hDlg));
}

TEST_F(AnalyzerDlgTest, StartOnAnAbsentPortSaysSoOnceAndStaysStopped)
{
    CBoxWatcher boxes;
    Click(IDOK); // returns once the box is pressed
    const std::vector<CBoxWatcher::Box> seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "Open port failed");
    EXPECT_EQ(seen[0].hOwner, Dlg().m_hWnd);
    EXPECT_EQ(Text(IDOK), "&Start");
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_SETTING)));
}

TEST_F(AnalyzerDlgTest, EscapeClosesAndSavesTheSettings)
{
    const std::string ini = ExeDir() + "Kestrane.ini";
    Dlg();
    ::DeleteFileA(ini.c_str());
    ::SetFocus(Item(IDC_CHANNEL_LIST));
    ::PostMessageA(Item(IDC_CHANNEL_LIST), WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(Dlg().m_hWnd); }));
    EXPECT_EQ(Dlg().GetModalResult(), IDCANCEL);
    EXPECT_EQ(ReadFileBytes(ini),
              "[PORT]\r\nnport=1\r\ndatabit=8\r\nstopbit=1\r\nband=9600\r\nparity=N\r\n");
}

TEST_F(AnalyzerDlgTest, SettingClosedWithoutOkKeepsEveryFieldEvenAParityTheListsLack)
{
    const std::string ini = ExeDir() + "Kestrane.ini";
    ::WritePrivateProfileStringA("PORT", "parity", "M", ini.c_str());
    for (const std::pair<UINT, WPARAM>& close :
         {std::pair<UINT, WPARAM>(WM_COMMAND, IDC_COMM_CANCEL),
          std::pair<UINT, WPARAM>(WM_SYSCOMMAND, SC_CLOSE)})
    {
        std::thread helper(
            [close]
            {
                const HWND h = AwaitDialog("Communication selection");
                ::SetDlgItemTextA(h, IDC_COMM_PORT, "COM9");
                ::PostMessageA(h, close.first, close.second, 0);
            });
        Click(IDC_SETTING); // returns once the dialog is closed
        helper.join();
        EXPECT_EQ(Text(IDC_STATUS_PORT), " COM1") << close.first;
    }
    Click(IDCANCEL);
    const std::string saved = ReadFileBytes(ini);
    EXPECT_NE(saved.find("nport=1\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("parity=M\r\n"), std::string::npos) << saved;
}

TEST_F(AnalyzerDlgTest, TwentyThousandNoteReadsLeaveMemoryFlat)
{
    SIZE_T before = 0;
    for (int n = 0; n < 22000; ++n)
    {
        if (n == 2000) // after a warm-up: caches and first-use allocations
            before = PrivateBytes();
        Feed(NoteRead(1 + n % 12, n % 256));
        if (n % 7 == 0)
            Dlg().SendMessage(WM_TIMER, CAnalyzerDlg::kLampTimer);
    }
    const SIZE_T after = PrivateBytes();
    EXPECT_LT(after, before + 2 * 1024 * 1024) << "grew from " << before << " to " << after;
    EXPECT_EQ(CAnalyzerDlgTestPeer::Decoder(Dlg()).NoteCount(0), (22000 + 11) / 12);
}

TEST_F(AnalyzerDlgOnPairTest, BytesFromTheAcceptorReachTheTableAcrossStopAndStart)
{
    EXPECT_EQ(Text(IDC_STATUS_PORT), " COM5");
    Click(IDOK);
    ASSERT_EQ(Text(IDOK), "&Stop");
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_SETTING)));

    SendFromAcceptor(NoteRead(5, 20));
    ASSERT_TRUE(PumpUntil([&] { return Cell(4, 2) == "1"; })) << Cell(4, 2);
    EXPECT_EQ(Cell(4, 1), "20");

    Click(IDOK); // Stop
    EXPECT_EQ(Text(IDOK), "&Start");
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_SETTING)));
    Click(IDOK); // Start again on the same port
    ASSERT_EQ(Text(IDOK), "&Stop");
    SendFromAcceptor(NoteRead(5, 30));
    ASSERT_TRUE(PumpUntil([&] { return Cell(4, 2) == "2"; })) << Cell(4, 2);
    EXPECT_EQ(Cell(4, 1), "30");
}

TEST_F(AnalyzerDlgOnPairTest, ARefusedSettingIsShownOnceByTheWindowOverItselfAndTheLinkRuns)
{
    // A parity letter the mode text refuses: Start reports "BuildCommDCB()" and returns; the box
    // comes from this thread's loop, owned by the window, so no click reaches it meanwhile.
    ::WritePrivateProfileStringA("PORT", "parity", "X", (ExeDir() + "Kestrane.ini").c_str());
    CBoxWatcher boxes;
    Click(IDOK);
    ASSERT_EQ(Text(IDOK), "&Stop");
    ASSERT_TRUE(PumpUntil([&] { return boxes.Count("Application Error") == 1; }));
    PumpUntil([] { return true; }); // a second box would be shown by now
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(boxes.Seen()[0].hOwner, Dlg().m_hWnd) << boxes.Seen()[0].text;

    // One worker on the partly configured port: a frame is counted once.
    SendFromAcceptor(NoteRead(5, 20));
    ASSERT_TRUE(PumpUntil([&] { return Cell(4, 2) == "1"; })) << Cell(4, 2);
    Click(IDOK);
    EXPECT_EQ(Text(IDOK), "&Start");
}

// A driver whose status query never returns holds the worker: Close still saves the settings and
// ends the window while the call is stuck, and a Start meanwhile fails as an open does.
TEST_F(AnalyzerDlgOnPairTest, CloseEndsTheWindowWhileTheDriverHoldsTheWorkerForEver)
{
    CEventRecorder events;
    CDriverPlay driver;
    driver.bStatusBlocks = true;
    Click(IDOK);
    SendFromAcceptor(kOkFrame);
    ASSERT_TRUE(PumpUntil([&] { return driver.bStatusBlocked.load(); }));
    CBoxWatcher boxes;
    Click(IDOK); // Stop returns at once
    Click(IDOK); // a Start while the worker is stuck
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(boxes.Seen()[0].text, "Open port failed");
    EXPECT_EQ(Text(IDOK), "&Start");
    ::DeleteFileA((ExeDir() + "Kestrane.ini").c_str());
    Click(IDCANCEL);
    EXPECT_TRUE(Dlg().WorkerLeftBehind()) << "Close waited for the worker, or the driver let go";
    EXPECT_EQ(events.Of(MSG_ENDED).size(), 1u) << "the end is told though the process ends early";
    EXPECT_NE(ReadFileBytes(ExeDir() + "Kestrane.ini").find("nport=5"), std::string::npos);
    driver.Release();
    m_dlg.reset(); // the worker, free again, ends: the link may go
}

TEST_F(AnalyzerDlgOnPairTest, EnterStartsAndCloseWhileRunningEndsPromptlyAndSaves)
{
    const std::string ini = ExeDir() + "Kestrane.ini";
    Dlg();
    ::SetFocus(Item(IDC_CHANNEL_LIST));
    ::PostMessageA(Item(IDC_CHANNEL_LIST), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(PumpUntil([&] { return Text(IDOK) == "&Stop"; })) << "Enter acts as Start";

    // A burst in flight while the window closes: the link ends its worker and closes the port.
    std::vector<unsigned char> burst;
    for (int n = 0; n < 200; ++n)
        for (unsigned char b : NoteRead(1 + n % 12, n))
            burst.push_back(b);
    SendFromAcceptor(burst);
    ::DeleteFileA(ini.c_str());
    Click(IDCANCEL);
    m_dlg.reset(); // destroys the link: must not hang
    EXPECT_NE(ReadFileBytes(ini).find("nport=5"), std::string::npos);

    // The port is free again: a new window opens it.
    Click(IDOK);
    EXPECT_EQ(Text(IDOK), "&Stop");
}

TEST_F(AnalyzerDlgTest, CommandButtonsShadeFromOneSequenceAndShowTheirIconsBesideTheCaptions)
{
    ::SetCursorPos(1200, 1000); // off the buttons: their resting faces show
    std::srand(1);              // where the program's thread starts; other tests drew from it
    Dlg();
    const ShadeColors colors = {::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_BTNFACE),
                                ::GetSysColor(COLOR_BTNSHADOW)};
    CrtRand model;
    const struct
    {
        int nID;
        UINT nIcon;
    } buttons[] = {{IDOK, IDI_START}, {IDC_SETTING, IDI_SETTING}, {IDCANCEL, IDI_CLOSE}};
    for (const auto& button : buttons)
    {
        auto* pButton = dynamic_cast<CShadedButton*>(CWnd::FromHandlePermanent(Item(button.nID)));
        ASSERT_NE(pButton, nullptr) << button.nID;
        const CDibSurface& face = CShadedButtonTestPeer::Normal(*pButton);
        RECT rc;
        ::GetWindowRect(Item(button.nID), &rc);
        const int W = rc.right - rc.left, H = rc.bottom - rc.top;
        CDibBlock expected, hover;
        GenerateShadeFaces(expected, hover, W, H, ShadeRowCurve, 8, 10, 0, 0, colors,
                           [&model] { return model(); });
        ASSERT_EQ(face.BlockSize(), expected.BlockSize()) << button.nID;
        EXPECT_EQ(std::memcmp(face.Block(), expected.Block(), face.BlockSize()), 0)
            << "button " << button.nID << " drew its noise out of turn";

        // What the button should show left of its caption: the face, and over it the icon at
        // its own size, 3 px in and centred.
        CDibSurface copy;
        copy.CopyFrom(face);
        HDC hdcScreen = ::GetDC(nullptr);
        HDC hdc = ::CreateCompatibleDC(hdcScreen);
        HBITMAP hBmp = ::CreateCompatibleBitmap(hdcScreen, W, H);
        HGDIOBJ hOld = ::SelectObject(hdc, hBmp);
        copy.Blit(hdc, 0, 0);
        HICON hIcon = static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr),
                                                      MAKEINTRESOURCEA(button.nIcon), IMAGE_ICON, 0,
                                                      0, LR_DEFAULTCOLOR));
        ::DrawIconEx(hdc, 3, (H - 32) / 2, hIcon, 0, 0, 0, nullptr, DI_NORMAL);
        const CWindowPixels want(hdc, W, H);
        ::DestroyIcon(hIcon);
        ::SelectObject(hdc, hOld);
        ::DeleteObject(hBmp);
        ::DeleteDC(hdc);
        ::ReleaseDC(nullptr, hdcScreen);
        const CWindowPixels shown(Item(button.nID));
        int nWrong = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < 3 + 32; ++x)
                if (shown.At(x, y) != want.At(x, y) && ++nWrong <= 3)
                    ADD_FAILURE() << "button " << button.nID << " pixel " << x << "," << y;
        EXPECT_EQ(nWrong, 0) << "button " << button.nID;
    }
}

TEST_F(AnalyzerDlgOnPairTest, StartHandsTheFocusFromSettingToTheListAndEnterStillStartsAndStops)
{
    Dlg();
    EXPECT_TRUE(::SendMessageA(Item(IDOK), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);
    for (int nID : {IDC_SETTING, IDCANCEL})
        EXPECT_TRUE(::SendMessageA(Item(nID), WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON) << nID;
    for (int nID : {IDOK, IDC_SETTING, IDCANCEL})
        EXPECT_EQ(::GetWindowLongA(Item(nID), GWL_STYLE) & 0x1F, BS_OWNERDRAW) << nID;

    ::SetFocus(Item(IDCANCEL));
    Click(IDOK);
    ASSERT_EQ(Text(IDOK), "&Stop");
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_SETTING)));
    EXPECT_EQ(::GetFocus(), Item(IDC_CHANNEL_LIST))
        << "Start took the focus, and Setting handed it on as it was disabled";

    ::PostMessageA(Item(IDC_CHANNEL_LIST), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(PumpUntil([&] { return Text(IDOK) == "&Start"; })) << "Enter acts as Stop";
    ::PostMessageA(Item(IDC_CHANNEL_LIST), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(PumpUntil([&] { return Text(IDOK) == "&Stop"; })) << "and as Start";
}

TEST_F(AnalyzerDlgOnPairTest, SettingTakesATypedPortAtOnceForTheNextStartAndTheFileAtClose)
{
    const std::string ini = ExeDir() + "Kestrane.ini";
    const HWND hDlg = Dlg().m_hWnd;
    bool bOwnerDisabled = false;
    bool bSecondCommandReturned = false;
    int nDialogsShown = 0;
    // The settings dialog's loop runs on this thread; another thread finds it, clicks Setting
    // once more, types COM12 into the port box and presses OK.
    std::thread helper(
        [&]
        {
            const HWND hSetting = AwaitDialog("Communication selection");
            if (hSetting == nullptr)
                return;
            bOwnerDisabled = ::GetWindow(hSetting, GW_OWNER) == hDlg && !::IsWindowEnabled(hDlg);
            DWORD_PTR result = 0;
            bSecondCommandReturned =
                ::SendMessageTimeoutA(hDlg, WM_COMMAND, MAKEWPARAM(IDC_SETTING, BN_CLICKED), 0,
                                      SMTO_NORMAL, 30000, &result) != 0;
            for (HWND h = nullptr;
                 (h = ::FindWindowExA(nullptr, h, "#32770", "Communication selection")) != nullptr;)
            {
                ++nDialogsShown;
                ::SendMessageA(::GetDlgItem(h, IDC_COMM_PORT), WM_SETTEXT, 0,
                               reinterpret_cast<LPARAM>("COM12"));
                ::PostMessageA(::GetDlgItem(h, IDC_COMM_OK), BM_CLICK, 0, 0);
            }
        });
    Click(IDC_SETTING); // returns once the dialog is closed
    helper.join();
    EXPECT_TRUE(bOwnerDisabled) << "modal over the main window";
    EXPECT_TRUE(bSecondCommandReturned);
    EXPECT_EQ(nDialogsShown, 1) << "a second Setting command while the dialog is up opens none";
    EXPECT_EQ(Text(IDC_STATUS_PORT), " COM12");
    EXPECT_NE(ReadFileBytes(ini).find("nport=5"), std::string::npos) << "the file waits for Close";
    Dlg().SendMessage(WM_QUERYENDSESSION, 0, 0);
    EXPECT_NE(ReadFileBytes(ini).find("nport=12"), std::string::npos) << "or a shutdown";
    ::DeleteFileA(ini.c_str());

    Click(IDOK);
    ASSERT_EQ(Text(IDOK), "&Stop") << "COM12 opens";
    SendFromAcceptor(NoteRead(7, 70), 13);
    ASSERT_TRUE(PumpUntil([&] { return Cell(6, 2) == "1"; })) << Cell(6, 2);
    EXPECT_EQ(Cell(6, 1), "70");

    Click(IDCANCEL);
    EXPECT_NE(ReadFileBytes(ini).find("nport=12"), std::string::npos) << ReadFileBytes(ini);
}

namespace
{
const COLORREF kLampDark = RGB(62, 109, 46);
const COLORREF kLedUnlit = RGB(128, 0, 0), kLedLit = RGB(255, 0, 0);

// The window's rectangle must fit a screen of the size usual at its scaling.
const std::pair<UINT, SIZE> kScreens[] = {
    {96, {1024, 768}}, {120, {1366, 768}}, {144, {1920, 1080}}, {192, {2560, 1440}}};

// The boxes of colour c, left to right, cut where the row through the middle of them all leaves
// it: the dark channel lamps, or the unlit Master and Slaver lamps.
std::vector<RECT> BoxesOf(const CWindowPixels& pic, COLORREF c)
{
    const RECT all = pic.BoxOf(c, {0, 0, pic.Width(), pic.Height()});
    const int y = (all.top + all.bottom) / 2;
    std::vector<RECT> boxes;
    for (int x = 0, x0 = 0; x < pic.Width(); ++x)
        if (pic.At(x, y) != c)
            x0 = x + 1;
        else if (x + 1 == pic.Width() || pic.At(x + 1, y) != c)
            boxes.push_back(pic.BoxOf(c, {x0, all.top, x + 1, all.bottom}));
    return boxes;
}

// Within nSlack pixels of rc96 scaled to dpi, side by side.
void ExpectScaled(const RECT& rc, const RECT& rc96, UINT dpi, const std::string& what,
                  int nSlack = 1)
{
    const RECT w = ScaleRectToDpi(rc96, dpi);
    for (LONG d : {rc.left - w.left, rc.top - w.top, rc.right - w.right, rc.bottom - w.bottom})
        EXPECT_LE(std::abs(d), nSlack) << what << " at " << dpi << " dpi";
}

// At 96 dpi the pixels of the reference picture; at any, the window fits its screen and each lamp,
// picture and icon sits and sizes where the 96-dpi one does, scaled; the lamps' pictures fill them.
void ExpectDrawnToScale(HWND hDlg, UINT dpi, const std::function<void()>& flashSlaver)
{
    HRSRC hRes = ::FindResourceA(nullptr, MAKEINTRESOURCEA(900), RT_RCDATA);
    const std::string tga(static_cast<const char*>(::LockResource(::LoadResource(nullptr, hRes))),
                          ::SizeofResource(nullptr, hRes));
    const CWindowPixels ref = CWindowPixels::FromTga(tga), shown(hDlg);
    if (dpi == 96 && !(shown == ref))
    {
        WriteFileBytes(ExeDir() + "main-window-96dpi.actual.tga", shown.ToTga());
        ADD_FAILURE() << "the window differs from tests/app/main-window-96dpi.tga; "
                      << "main-window-96dpi.actual.tga beside the test is what was shown";
    }
    RECT rc;
    ::GetWindowRect(hDlg, &rc);
    for (const auto& screen : kScreens)
        EXPECT_TRUE(screen.first != dpi || (rc.right - rc.left <= screen.second.cx &&
                                            rc.bottom - rc.top <= screen.second.cy))
            << "the window, " << rc.right - rc.left << " x " << rc.bottom - rc.top
            << ", is larger than a " << screen.second.cx << " x " << screen.second.cy << " screen";
    MONITORINFO mi = {sizeof mi, {}, {}, 0};
    ::GetMonitorInfoA(::MonitorFromWindow(hDlg, MONITOR_DEFAULTTONEAREST), &mi);
    RECT rcInside;
    ::IntersectRect(&rcInside, &rc, &mi.rcWork);
    EXPECT_TRUE(::EqualRect(&rcInside, &rc))
        << "the window (" << rc.left << ", " << rc.top << ", " << rc.right << ", " << rc.bottom
        << ") leaves the work area (" << mi.rcWork.right << " x " << mi.rcWork.bottom << ")";

    const std::vector<RECT> lamps96 = BoxesOf(ref, kLampDark), lamps = BoxesOf(shown, kLampDark);
    ASSERT_EQ(lamps96.size(), 12u);
    ASSERT_EQ(lamps.size(), 12u) << "at " << dpi << " dpi";
    for (int i = 0; i < 12; ++i)
    {
        // Frames keep the system's width, so the lamp is placed by its centre, sized by its window.
        const RECT &c = lamps[i], &c96 = lamps96[i];
        const std::string lamp = "lamp " + std::to_string(i + 1);
        ExpectScaled({c.left + c.right, c.top + c.bottom, 0, 0},
                     {c96.left + c96.right, c96.top + c96.bottom, 0, 0}, dpi, lamp, 2);
        RECT rcLamp, rcClient;
        const HWND hLamp = ::GetDlgItem(hDlg, IDC_LAMP_FIRST + i);
        ::GetWindowRect(hLamp, &rcLamp);
        ExpectScaled({0, 0, rcLamp.right - rcLamp.left, rcLamp.bottom - rcLamp.top}, {0, 0, 20, 40},
                     dpi, lamp);
        ::GetClientRect(hLamp, &rcClient);
        ::MapWindowPoints(hLamp, hDlg, reinterpret_cast<POINT*>(&rcClient), 2);
        EXPECT_TRUE(::EqualRect(&c, &rcClient)) << lamp << "'s picture leaves a gap";
    }

    const std::vector<RECT> leds96 = BoxesOf(ref, kLedUnlit), leds = BoxesOf(shown, kLedUnlit);
    ASSERT_TRUE(leds96.size() == 2 && leds.size() == 2) << "Master and Slaver at " << dpi << " dpi";
    for (int i = 0; i < 2; ++i)
        ExpectScaled(leds[i], leds96[i], dpi, i == 0 ? "Master lamp" : "Slaver lamp");
    // Lit, the Slaver lamp shows the smaller red disc, in the same place.
    flashSlaver();
    const RECT lit = CWindowPixels(hDlg).BoxOf(kLedLit, leds[1]);
    ExpectScaled({0, 0, 0, lit.bottom - lit.top}, {0, 0, 0, 8}, dpi, "lit Slaver lamp's rows");

    for (int nID : {IDOK, IDC_SETTING, IDCANCEL})
    {
        const auto* pButton =
            dynamic_cast<CIconButton*>(CWnd::FromHandlePermanent(::GetDlgItem(hDlg, nID)));
        ASSERT_NE(pButton, nullptr);
        const int cx = static_cast<int>(CIconButtonTestPeer::IconWidth(*pButton, 0));
        ExpectScaled({0, 0, cx, 0}, {0, 0, 32, 0}, dpi, "icon of button " + std::to_string(nID));
    }
}
} // namespace

// At the DPI of this run (the harness sets the prefix's LogPixels: 96, 120, 144 or 192), or the
// largest below it at which the window fits the work area (which the harness can make small).
TEST_F(AnalyzerDlgTest, DrawsToTheScaleOfItsDpi)
{
    ::SetCursorPos(1200, 1000); // off the buttons: their resting faces show
    std::srand(1);              // the faces' grain, as on a program's first start
    const UINT dpi = CAnalyzerDlgTestPeer::LayoutDpi(Dlg());
    EXPECT_LE(dpi, GetWindowDpi(Dlg().m_hWnd));
    ExpectDrawnToScale(Dlg().m_hWnd, dpi, [this] { Feed({0x97}); });
}

// Moved back and forth between monitors of 96 and 144 dpi, the window takes each suggested
// place, but its client area is its layout's own every time: no drift from the suggested sizes.
TEST_F(AnalyzerDlgTest, TakesTheSuggestedPlaceAndRedrawsWhenItsDpiChanges)
{
    SIZE aFirst[2] = {};
    UINT oldDpi = GetWindowDpi(Dlg().m_hWnd);
    for (int i = 0; i <= 10; ++i)
    {
        // As Windows suggests: the window's rectangle scaled, here at a new place each time.
        const UINT dpi = i % 2 ? 96 : 144;
        RECT rc, rcSuggested;
        ::GetWindowRect(Dlg().m_hWnd, &rc);
        rcSuggested = {40 + i, 30 + 2 * i, 40 + i + ::MulDiv(rc.right - rc.left, dpi, oldDpi),
                       30 + 2 * i + ::MulDiv(rc.bottom - rc.top, dpi, oldDpi)};
        // The frame changes with the DPI, as Windows draws it at the window's DPI, but the client
        // area learns of it only as the window is sized.
        if (i > 0)
            ::SetWindowLongPtrA(Dlg().m_hWnd, GWL_EXSTYLE,
                                ::GetWindowLongPtrA(Dlg().m_hWnd, GWL_EXSTYLE) ^ WS_EX_CLIENTEDGE);
        Dlg().SendMessage(WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                          reinterpret_cast<LPARAM>(&rcSuggested));
        oldDpi = dpi;
        ::GetWindowRect(Dlg().m_hWnd, &rc);
        EXPECT_TRUE(rc.left == rcSuggested.left && rc.top == rcSuggested.top) << "move " << i;
        RECT rcClient;
        ::GetClientRect(Dlg().m_hWnd, &rcClient);
        const SIZE want = CAnalyzerDlgTestPeer::LayoutClient(Dlg());
        EXPECT_TRUE(rcClient.right == want.cx && rcClient.bottom == want.cy)
            << "move " << i << ": client " << rcClient.right << " x " << rcClient.bottom
            << ", its layout " << want.cx << " x " << want.cy;
        SIZE& first = aFirst[i % 2];
        if (i < 2)
            first = {rcClient.right, rcClient.bottom};
        EXPECT_TRUE(first.cx == rcClient.right && first.cy == rcClient.bottom) << "move " << i;
    }
    ExpectDrawnToScale(Dlg().m_hWnd, CAnalyzerDlgTestPeer::LayoutDpi(Dlg()),
                       [this] { Feed({0x97}); });
}

TEST(AnalyzerAppTest, AnUnknownSwitchShowsTheUsageAndEndsWithStatusTwo)
{
    CBoxWatcher boxes;
    EXPECT_EQ(CAnalyzerApp().Run("/start /verbose"), 2);
    ASSERT_EQ(boxes.Seen().size(), 1u) << "the box, and no main window";
    EXPECT_EQ(boxes.Seen()[0].text, kLaunchUsage);
    EXPECT_EQ(CAnalyzerApp().Run("/silence 86401"), 2) << "a silence longer than a day";
    EXPECT_EQ(ParseLaunchOptions("-SILENCE 86400").nSilenceSecs, 86400u);
    EXPECT_EQ(ParseLaunchOptions("/silence 0").verdict, LaunchOptions::Bad);
    EXPECT_EQ(ParseLaunchOptions("/silence").verdict, LaunchOptions::Bad);
}

TEST_F(AnalyzerDlgOnPairTest, StartSaysSoWhenItsWorkerCannotBeMadeAndDropsAFrameAStopCutShort)
{
    CBoxWatcher boxes;
    CSerialLinkTestPeer::FailWorkers(true);
    Click(IDOK);
    CSerialLinkTestPeer::FailWorkers(false);
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(boxes.Seen()[0].text, "Open port failed");
    EXPECT_EQ(Text(IDOK), "&Start");
    EXPECT_TRUE(PortOpens(5)) << "the port is let go";
    const std::vector<unsigned char> cut = NoteRead(5, 20);
    Feed({cut.begin(), cut.begin() + 6}); // its checksum, at byte 4, is in
    Click(IDOK);
    SendFromAcceptor(NoteRead(3, 30));
    EXPECT_TRUE(PumpUntil([&] { return Cell(2, 2) == "1"; })) << "the next frame was swallowed";
}

// Under the harness's serial-drop, which pulls pair B (COM7 here) and makes it again.
TEST_F(AnalyzerDlgOnPairTest, ReconnectListensFromLaunchAndRidesThroughAPulledPairWithNoBox)
{
    if (!AskHarness("KESTRANE_SERIAL_DROP"))
        GTEST_SKIP() << "needs wine-harness.sh serial-drop";
    WriteSettings(7); // absent at launch
    m_launch = ParseLaunchOptions("-START /Reconnect");
    CBoxWatcher boxes;
    for (int nNotes = 1;; ++nNotes)
    {
        ASSERT_TRUE(PumpUntil([&] { return Text(IDC_STATUS_EVENT) == " PORT LOST, RETRYING"; }));
        if (nNotes == 3)
            break;
        ASSERT_TRUE(AskHarness("KESTRANE_SERIAL_RESTORE"));
        ASSERT_TRUE(PumpUntil([&] { return Text(IDC_STATUS_EVENT) == " PORT BACK"; }, 60000));
        SendFromAcceptor(NoteRead(4, 40), 8);
        ASSERT_TRUE(PumpUntil([&] { return Cell(3, 2) == std::to_string(nNotes); }));
        ASSERT_TRUE(AskHarness("KESTRANE_SERIAL_DROP")); // while listening
    }
    Click(IDOK); // Stop while retrying
    EXPECT_EQ(Text(IDOK), "&Start");
    EXPECT_EQ(Text(IDC_STATUS_EVENT), " PORT LOST") << "nothing retries it now";
    ASSERT_TRUE(AskHarness("KESTRANE_SERIAL_RESTORE"));
    ASSERT_TRUE(PumpUntil([] { return PortOpens(7); }));
    CSerialLinkTestPeer::CountOpens();
    Click(IDOK); // a Start that opens it, on the worker: an open can block for seconds
    EXPECT_TRUE(PumpUntil([&] { return Text(IDC_STATUS_EVENT) == " PORT BACK"; }))
        << "the lamp lit under a text of a lost port";
    EXPECT_NE(CSerialLinkTestPeer::s_nOpenThread, ::GetCurrentThreadId())
        << "the open ran on the window's thread";
    EXPECT_EQ(boxes.Seen().size(), 0u);
}

namespace
{
ULONGLONG g_nTicks = 0;

class AnalyzerDlgEventsTest : public AnalyzerDlgOnPairTest
{
protected:
    // Listening on COM5 with the set clocks and the given switches, every event recorded.
    void StartWith(const char* pszSwitches)
    {
        m_launch = ParseLaunchOptions(pszSwitches);
        CAnalyzerDlgTestPeer::SetClocks(
            Dlg(), [] { return g_nTicks; }, [this] { return m_logNow; });
        Click(IDOK);
    }
    // One second of the clock timer, as the window's own would.
    void Tick(ULONGLONG nMillis = 1000)
    {
        g_nTicks += nMillis;
        Dlg().SendMessage(WM_TIMER, CAnalyzerDlg::kClockTimer);
    }
    CEventRecorder m_events;
};

TEST_F(AnalyzerDlgEventsTest,
       SilenceIsShownAndToldOnceAndTheNextFrameEndsItAsCounterfeitsComeInBursts)
{
    StartWith("/silence 60");
    Tick(59000);
    EXPECT_EQ(Text(IDC_STATUS_EVENT), "");
    m_logNow.wMinute = 40;
    Tick();
    EXPECT_EQ(Text(IDC_STATUS_EVENT), " NO DATA SINCE 11:22:33") << "the time of Start";
    Tick();
    ASSERT_EQ(m_events.Of(MSG_NO_DATA).size(), 1u);
    EXPECT_EQ(m_events.Of(MSG_NO_DATA)[0].inserts,
              (std::vector<std::string>{"COM5", "60", "11:22:33"}));
    const std::vector<unsigned char> counterfeit = {0x92, 0, 0, 0, 0x92};
    Feed(counterfeit);
    ASSERT_EQ(m_events.Of(MSG_DATA_BACK).size(), 1u);
    EXPECT_EQ(m_events.Of(MSG_DATA_BACK)[0].inserts,
              (std::vector<std::string>{"COM5", "11:22:33"}));
    Feed(counterfeit);
    Feed(counterfeit);
    EXPECT_EQ(m_events.Of(MSG_COUNTERFEIT).size(), 1u) << "at most one a second";
    Tick(59000);
    ASSERT_EQ(m_events.Of(MSG_COUNTERFEIT_COUNT).size(), 1u);
    EXPECT_EQ(m_events.Of(MSG_COUNTERFEIT_COUNT)[0].inserts[1], "2");
    EXPECT_EQ(Text(IDC_STATUS_EVENT), " OK  COUNTERFEIT MONEY") << "a frame 59 s ago";
    Tick();
    EXPECT_EQ(Text(IDC_STATUS_EVENT), " NO DATA SINCE 11:40:33") << "the last frame's time";
    EXPECT_EQ(m_events.Of(MSG_NO_DATA).size(), 2u);
}

TEST_F(AnalyzerDlgEventsTest, LineErrorsAreToldAtMostOnceAMinuteWithTheCountsSinceTheLast)
{
    CDriverPlay play;
    StartWith("");
    for (int i = 0; i < 2; ++i)
    {
        play.dwLineErrors = CE_FRAME | CE_OVERRUN;
        ::SetDlgItemTextA(Dlg().m_hWnd, IDC_STATUS_EVENT, "");
        SendFromAcceptor(kOkFrame);
        // The frame is read after the status query that took the word, on the same thread.
        ASSERT_TRUE(
            PumpUntil([&] { return !play.dwLineErrors && Text(IDC_STATUS_EVENT) == " OK"; }));
        Tick();
    }
    ASSERT_EQ(m_events.Of(MSG_LINE_ERRORS).size(), 1u);
    EXPECT_EQ(m_events.Of(MSG_LINE_ERRORS)[0].inserts,
              (std::vector<std::string>{"COM5", "1", "0", "1", "0", "0"}));
    Tick(60000);
    ASSERT_EQ(m_events.Of(MSG_LINE_ERRORS).size(), 2u);
    EXPECT_EQ(m_events.Of(MSG_LINE_ERRORS)[1].inserts[1], "1") << "the second error word";
}

// The system's list as the seam gives it.
std::vector<PresentPort> g_present;

TEST_F(AnalyzerDlgEventsTest, TheAdapterBackUnderAnotherNumberIsFollowedShownToldAndKept)
{
    const DeviceListCalls real = CPortFollower::s_calls;
    CPortFollower::s_calls.pfnListPorts = [] { return g_present; };
    g_present = {Ch340At(5, "1")}; // the only CH340, then in socket 3 at COM7
    StartWith("/reconnect");
    CSerialLink& link = CAnalyzerDlgTestPeer::Serial(Dlg());
    ASSERT_TRUE(PumpUntil([&] { return link.Follower().Known().IsKnown(); }));
    g_present = {Ch340At(7, "3")};
    Dlg().SendMessage(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, CPortBroadcast("COM5").Get());
    ASSERT_TRUE(PumpUntil([&] { return Text(IDC_STATUS_EVENT) == " PORT LOST, RETRYING"; }));
    Dlg().SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, CPortBroadcast("COM7").Get());
    ASSERT_TRUE(PumpUntil([&] { return Text(IDC_STATUS_EVENT) == " PORT BACK AS COM7"; }));
    EXPECT_EQ(Text(IDC_STATUS_PORT), " COM7");
    ASSERT_EQ(m_events.Of(MSG_PORT_BACK_AS).size(), 1u);
    EXPECT_EQ(m_events.Of(MSG_PORT_BACK_AS)[0].inserts, (std::vector<std::string>{"COM5", "COM7"}));
    SendFromAcceptor(NoteRead(4, 40), 8);
    EXPECT_TRUE(PumpUntil([&] { return Cell(3, 2) == "1"; })) << "listening on COM7";
    Click(IDCANCEL);
    CPortFollower::s_calls = real;
    const std::string ini = ExeDir() + "Kestrane.ini";
    EXPECT_EQ(::GetPrivateProfileIntA("PORT", "nport", 0, ini.c_str()), 7);
    EXPECT_EQ(::GetPrivateProfileIntA("DEVICE", "port", 0, ini.c_str()), 7);
}
} // namespace
