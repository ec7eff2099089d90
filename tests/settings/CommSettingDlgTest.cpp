// The communication settings dialog under Wine: the texts parsed back, the compiled template,
// and the dialog run modally over an owner window while a script of posted keys and clicks plays
// in its own loop. The harness's COM pairs are the ports that open.
#include "settings/CommSettingDlg.h"

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "res/resource.h"
#include "tests/serial/SerialTestKit.h"
#include "tests/settings/SettingsKit.h"

class CCommSettingDlgTestPeer
{
public:
    // As though the operator had typed these and pressed OK.
    static void SetTexts(CCommSettingDlg& dlg, const char* pszPort, const char* pszBaud,
                         const char* pszDataBits, const char* pszStopBits, const char* pszParity)
    {
        dlg.m_strPort = pszPort;
        dlg.m_strBaud = pszBaud;
        dlg.m_strDataBits = pszDataBits;
        dlg.m_strStopBits = pszStopBits;
        dlg.m_strParity = pszParity;
    }
    // The port list's registry and tries.
    static CCommSettingDlg::ProbeCalls& Probe() { return CCommSettingDlg::s_probe; }
};

namespace
{
std::string Describe(const PortSettings& s)
{
    return "port " + std::to_string(s.nPort) + ", baud " + std::to_string(s.nBaud) + ", parity " +
           std::to_string(static_cast<int>(s.cParity)) + ", data " + std::to_string(s.nDataBits) +
           ", stop " + std::to_string(s.nStopBits) + ", events " + std::to_string(s.dwCommEvents);
}

std::vector<std::string> ComboItems(HWND hCombo)
{
    std::vector<std::string> items;
    const int n = static_cast<int>(::SendMessageA(hCombo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i)
    {
        char text[64] = "";
        ::SendMessageA(hCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

std::string WindowText(HWND hWnd)
{
    char text[256] = "";
    ::GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

const int kFixedBoxes[] = {IDC_COMM_BAUD, IDC_COMM_DATABITS, IDC_COMM_STOPBITS, IDC_COMM_PARITY};
const int kBoxes[] = {IDC_COMM_PORT, IDC_COMM_BAUD, IDC_COMM_DATABITS, IDC_COMM_STOPBITS,
                      IDC_COMM_PARITY};

// Messages of the script that the dialog plays to itself.
const UINT WM_TYPE_LINE = WM_APP + 1; // the four line boxes get new texts
const UINT WM_LOOK = WM_APP + 2;      // note the owner's state while the dialog is up
const UINT_PTR kGiveUpTimer = 1;      // ends a dialog the script failed to close, with -2
const UINT WM_FOCUS_BOX = WM_APP + 4; // wParam: the control to give the focus, as a click would
const int kEditOf = 0x10000;          // script target: the edit field of a box

struct Step
{
    int nTarget; // 0: the dialog; a control id; kEditOf | a box id
    UINT message;
    WPARAM wParam;
    LPARAM lParam = 0;
};

// Runs modally; at the end of OnInitDialog it notes what is shown and posts its script, which
// the dialog's own loop then plays as keys and clicks.
class CScriptedDlg : public CCommSettingDlg
{
public:
    using CCommSettingDlg::CCommSettingDlg;

    std::vector<Step> m_script;
    std::vector<std::string> m_fixedListsBefore[4]; // before OnInitDialog ran
    std::vector<std::string> m_portList;
    std::string m_strCaption;
    std::string m_astrShown[5]; // edit texts of kBoxes as shown
    HWND m_hOwnerSeen = nullptr;
    bool m_bOwnerDisabled = false;

protected:
    BOOL OnInitDialog() override
    {
        for (int i = 0; i < 4; ++i)
            m_fixedListsBefore[i] = ComboItems(::GetDlgItem(m_hWnd, kFixedBoxes[i]));
        const BOOL bFocus = CCommSettingDlg::OnInitDialog();
        m_portList = ComboItems(::GetDlgItem(m_hWnd, IDC_COMM_PORT));
        m_strCaption = WindowText(m_hWnd);
        for (int i = 0; i < 5; ++i)
            m_astrShown[i] = WindowText(::GetDlgItem(m_hWnd, kBoxes[i]));
        for (const Step& step : m_script)
            ::PostMessageA(Target(step.nTarget), step.message, step.wParam, step.lParam);
        SetTimer(kGiveUpTimer, 60000);
        return bFocus;
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message)
        {
        case WM_TYPE_LINE:
            SetDlgItemText(IDC_COMM_BAUD, "19200");
            SetDlgItemText(IDC_COMM_DATABITS, "2");
            SetDlgItemText(IDC_COMM_STOPBITS, "2");
            SetDlgItemText(IDC_COMM_PARITY, "EVEN");
            return 0;
        case WM_LOOK:
            m_hOwnerSeen = ::GetWindow(m_hWnd, GW_OWNER);
            m_bOwnerDisabled = m_hOwnerSeen != nullptr && !::IsWindowEnabled(m_hOwnerSeen);
            return 0;
        case WM_FOCUS_BOX:
            SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(m_hWnd, wParam)),
                        TRUE);
            return 0;
        case WM_TIMER:
            if (wParam == kGiveUpTimer)
                EndDialog(-2);
            return 0;
        default:
            return CCommSettingDlg::WindowProc(message, wParam, lParam);
        }
    }

private:
    HWND Target(int nTarget) const
    {
        if (nTarget == 0)
            return m_hWnd;
        HWND hCtl = ::GetDlgItem(m_hWnd, nTarget & 0xFFFF);
        return (nTarget & kEditOf) ? ::FindWindowExA(hCtl, nullptr, "Edit", nullptr) : hCtl;
    }
};

const PortSettings kGiven = Settings(5, 4800, 'M', 7, 1);
const PortSettings kTyped = Settings(12, 19200, 'E', 2, 2);

// The operator's edits: the port typed key by key into its box, the four others set, the focus
// back in the port box.
std::vector<Step> Edits()
{
    std::vector<Step> steps = {{0, WM_FOCUS_BOX, IDC_COMM_PORT},
                               {kEditOf | IDC_COMM_PORT, EM_SETSEL, 0, -1}};
    for (char c : std::string("COM12"))
        steps.push_back({kEditOf | IDC_COMM_PORT, WM_CHAR, static_cast<WPARAM>(c)});
    steps.push_back({0, WM_TYPE_LINE, 0});
    steps.push_back({0, WM_LOOK, 0});
    return steps;
}
} // namespace

TEST(CommSettingDlg, GivenSettingsComeBackUnchangedButForAnUnknownParity)
{
    struct Row
    {
        PortSettings given;
        char cParityBack;
    } rows[] = {
        {Settings(1, 9600, 'N', 8, 1), 'N'},   {Settings(256, 115200, 'E', 7, 2), 'E'},
        {Settings(12, 43000, 'O', 6, 1), 'O'}, {Settings(3, 300, 'M', 5, 2), 'N'},
        {Settings(4, 1200, 'e', 8, 1), 'N'},   {Settings(9, 0, '\0', 0, 0), 'N'},
        {Settings(-1, -9600, 'S', 9, 3), 'N'},
    };
    for (const Row& row : rows)
    {
        PortSettings given = row.given;
        given.dwCommEvents = 7; // handed on untouched, whatever it holds
        CCommSettingDlg dlg;
        dlg.SetSettings(given);
        PortSettings expected = given;
        expected.cParity = row.cParityBack;
        EXPECT_EQ(Describe(dlg.GetSettings()), Describe(expected)) << Describe(given);
    }
}

TEST(CommSettingDlg, TypedTextsAreParsedWithoutValidation)
{
    struct Row
    {
        const char* port;
        const char* baud;
        const char* data;
        const char* stop;
        const char* parity;
        PortSettings expected; // from a dialog that was given kGiven
    } rows[] = {
        {"COM12", "43000", "8", "2", "ODD", Settings(12, 43000, 'O', 8, 2)},
        {"COM256", "19200", "2", "1", "EVEN", Settings(256, 19200, 'E', 2, 1)},
        {"com3", "9600x", "7 ", " 2", "MARK", Settings(5, 9600, 'M', 7, 2)},
        {"3", "", "", "", "", Settings(5, 0, '\0', 0, 0)},
        {"COM12x", "fast", "-8", "2.5", "none", Settings(12, 0, 'n', -8, 2)},
        {"", "115200", "8", "1", "NONE", Settings(5, 115200, 'N', 8, 1)},
        {"COM", "1200", "6", "1", "N", Settings(5, 1200, 'N', 6, 1)},
        // A number that is no port keeps the old one too, and reads safely however long.
        {"COM99999999999", "1", "8", "1", "N", Settings(5, 1, 'N', 8, 1)},
        {"COM-3", "2", "8", "1", "N", Settings(5, 2, 'N', 8, 1)},
        {"COM0", "3", "8", "1", "N", Settings(5, 3, 'N', 8, 1)},
        {"COM257", "4", "8", "1", "N", Settings(5, 4, 'N', 8, 1)},
    };
    for (const Row& row : rows)
    {
        CCommSettingDlg dlg;
        dlg.SetSettings(kGiven);
        CCommSettingDlgTestPeer::SetTexts(dlg, row.port, row.baud, row.data, row.stop, row.parity);
        EXPECT_EQ(Describe(dlg.GetSettings()), Describe(row.expected))
            << row.port << "|" << row.baud << "|" << row.data << "|" << row.stop << "|"
            << row.parity;
    }
}

TEST(CommSettingDlg, TemplateStoresItsChineseFaceNameInUtf16)
{
    HMODULE hModule = ::GetModuleHandleA(nullptr);
    HRSRC hRes = ::FindResourceA(hModule, MAKEINTRESOURCEA(IDD_COMM_SETTING), RT_DIALOG);
    ASSERT_NE(hRes, nullptr);
    const auto* p = static_cast<const BYTE*>(::LockResource(::LoadResource(hModule, hRes)));
    const BYTE* pEnd = p + ::SizeofResource(hModule, hRes);
    auto word = [&](size_t off) { return static_cast<WORD>(p[off] | (p[off + 1] << 8)); };
    auto dword = [&](size_t off) { return word(off) | (static_cast<DWORD>(word(off + 2)) << 16); };

    ASSERT_EQ(word(2), 0xFFFF) << "an extended template";
    EXPECT_EQ(dword(12), 0x80C800C0u) << "style";
    EXPECT_EQ(word(22), 219);
    EXPECT_EQ(word(24), 94);
    // Menu and class are empty (one zero word each); then the caption.
    ASSERT_EQ(word(26), 0);
    ASSERT_EQ(word(28), 0);
    size_t off = 30;
    std::wstring caption;
    for (; word(off) != 0; off += 2)
        caption += static_cast<wchar_t>(word(off));
    off += 2;
    EXPECT_EQ(caption, L"Comm Setting");
    EXPECT_EQ(word(off), 9) << "point size";
    off += 6; // point size, weight, italic, character set
    // "@" and the three characters of the face, in UTF-16 as the resource compiler must store it.
    const BYTE face[] = {0x40, 0x00, 0xB0, 0x65, 0x8B, 0x5B, 0x53, 0x4F, 0x00, 0x00};
    ASSERT_LE(p + off + sizeof face, pEnd);
    EXPECT_EQ(std::memcmp(p + off, face, sizeof face), 0) << "the face name was mangled";
}

class CommSettingDlgShown : public ::testing::Test
{
protected:
    COwnerWindow m_owner;
};

TEST_F(CommSettingDlgShown, ShowsTheTextsTheFixedListsAndThePortsThatOpenNow)
{
    CFarEnd held(13); // another program holds COM13
    ASSERT_TRUE(held.IsOpen());
    CScriptedDlg dlg(&m_owner);
    dlg.SetSettings(Settings(42, 43000, 'O', 7, 2)); // COM42 is nowhere
    dlg.m_script = {{0, WM_LOOK, 0}, {IDC_COMM_OK, BM_CLICK, 0}};
    EXPECT_EQ(dlg.DoModal(), IDOK);

    EXPECT_EQ(dlg.m_strCaption, "Communication selection");
    const std::vector<std::string> fixed[4] = {
        {"1200", "2400", "4800", "9600", "38400", "43000", "56000", "57600", "115200"},
        {"8", "7", "6"},
        {"1", "2"},
        {"NONE", "ODD", "EVEN"}};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(dlg.m_fixedListsBefore[i], fixed[i]) << "box " << kFixedBoxes[i];

    // The harness's pairs open, in numeric order; COM13 is held, and no other number opens.
    const std::vector<std::string> expectedPorts = {"COM5", "COM6", "COM7", "COM8", "COM12"};
    EXPECT_EQ(dlg.m_portList, expectedPorts);

    const std::string shown[5] = {"COM42", "43000", "7", "2", "ODD"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(dlg.m_astrShown[i], shown[i]) << "box " << kBoxes[i];

    EXPECT_EQ(dlg.m_hOwnerSeen, m_owner.m_hWnd);
    EXPECT_TRUE(dlg.m_bOwnerDisabled) << "modal over its owner";
    EXPECT_TRUE(::IsWindowEnabled(m_owner.m_hWnd));
    EXPECT_EQ(Describe(dlg.GetSettings()), Describe(Settings(42, 43000, 'O', 7, 2)))
        << "OK keeps a port that is absent now";
}

TEST_F(CommSettingDlgShown, EveryWayOfClosingKeepsOrDropsTheEditsAsTheOperatorMeant)
{
    const int kPortEdit = kEditOf | IDC_COMM_PORT;
    const struct
    {
        const char* way;
        std::vector<Step> close;
        INT_PTR nResult;
        bool bTaken;
    } rows[] = {
        {"OK button", {{IDC_COMM_OK, BM_CLICK, 0}}, IDOK, true},
        {"Cancel button", {{IDC_COMM_CANCEL, BM_CLICK, 0}}, IDCANCEL, false},
        {"Escape in a box", {{kPortEdit, WM_KEYDOWN, VK_ESCAPE}}, IDCANCEL, false},
        {"close box", {{0, WM_SYSCOMMAND, SC_CLOSE}}, IDCANCEL, false},
        {"Enter in the port box", {{kPortEdit, WM_KEYDOWN, VK_RETURN}}, IDOK, true},
        {"Enter in the parity box",
         {{0, WM_FOCUS_BOX, IDC_COMM_PARITY}, {kEditOf | IDC_COMM_PARITY, WM_KEYDOWN, VK_RETURN}},
         IDOK,
         true},
        {"Tab to OK, Enter",
         {{kPortEdit, WM_KEYDOWN, VK_TAB}, {IDC_COMM_OK, WM_KEYDOWN, VK_RETURN}},
         IDOK,
         true},
        {"Tab to Cancel, Enter",
         {{kPortEdit, WM_KEYDOWN, VK_TAB},
          {IDC_COMM_OK, WM_KEYDOWN, VK_TAB},
          {IDC_COMM_CANCEL, WM_KEYDOWN, VK_RETURN}},
         IDCANCEL,
         false},
    };
    for (const auto& row : rows)
    {
        CScriptedDlg dlg(&m_owner);
        dlg.SetSettings(kGiven);
        dlg.m_script = Edits();
        dlg.m_script.insert(dlg.m_script.end(), row.close.begin(), row.close.end());
        EXPECT_EQ(dlg.DoModal(), row.nResult) << row.way;
        EXPECT_TRUE(dlg.m_bOwnerDisabled) << row.way;
        PortSettings expected = row.bTaken ? kTyped : kGiven;
        expected.cParity = row.bTaken ? 'E' : 'N'; // the given 'M' comes back as 'N'
        EXPECT_EQ(Describe(dlg.GetSettings()), Describe(expected)) << row.way;
        EXPECT_TRUE(::IsWindowEnabled(m_owner.m_hWnd)) << row.way;
    }
}

// The registry's names in any order (one twice, one no COM port); one port's try never answers,
// as an unpaired radio link's open may not for seconds: the dialog shows all the same, with that
// port listed (it exists) and the one that will not open left out.
TEST_F(CommSettingDlgShown, PortsComeFromTheRegistryAndATryThatNeverAnswersHoldsNothing)
{
    static CKernelHandle s_hRelease(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    static std::atomic<bool> s_bAnswered{false};
    const auto real = CCommSettingDlgTestPeer::Probe();
    CCommSettingDlgTestPeer::Probe() = {
        [] { return std::vector<std::string>{"COM12", "COM3", "COM40", "LPT1", "COM5", "COM3"}; },
        [](const char* pszName) -> BOOL
        {
            if (std::string(pszName) == "COM3")
                s_bAnswered = ::WaitForSingleObject(s_hRelease.Get(), 60000) != WAIT_FAILED;
            return std::string(pszName) != "COM40";
        }};
    CScriptedDlg dlg(&m_owner);
    dlg.m_script = {{IDC_COMM_CANCEL, BM_CLICK, 0}};
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_FALSE(s_bAnswered) << "the dialog waited for the try";
    ::SetEvent(s_hRelease.Get());
    CCommSettingDlgTestPeer::Probe() = real;
    EXPECT_EQ(dlg.m_portList, (std::vector<std::string>{"COM3", "COM5", "COM12"}));
}
