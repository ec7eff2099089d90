// The main window: start-up, Start/Stop, Close, the About entry, painting, the channel table,
// the lamp bank, the status line and the decoder's owner operations.
#include "app/AnalyzerDlg.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include <commctrl.h>

#include "app/AboutDlg.h"
#include "log/DailyLog.h"
#include "res/resource.h"
#include "settings/CommSettingDlg.h"
#include "settings/SettingsFile.h"
#include "win/Dc.h"
#include "win/ModuleDirectory.h"
#include "win/Text.h"

namespace
{
const char kStart[] = "&Start";
const char kStop[] = "&Stop";
const char kPortLost[] = " PORT LOST, RETRYING";
const char kPortBack[] = " PORT BACK";

// Raises a flag for one scope.
class CFlagScope
{
public:
    explicit CFlagScope(bool& rFlag) : m_rFlag(rFlag) { m_rFlag = true; }
    ~CFlagScope() { m_rFlag = false; }
    CFlagScope(const CFlagScope&) = delete;
    CFlagScope& operator=(const CFlagScope&) = delete;

private:
    bool& m_rFlag;
};
} // namespace

CAnalyzerDlg::CAnalyzerDlg(CWnd* pParent)
    : CDialog(IDD_MAIN, pParent),
      m_hIcon(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_decoder(*this)
{
}

CAnalyzerDlg::~CAnalyzerDlg()
{
    // A modal run has destroyed the window already. A modeless one (tests) goes now, before the
    // members: no message may reach a half-destroyed object while the serial link winds down.
    if (m_hWnd != nullptr)
        DestroyWindow();
}

void CAnalyzerDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CHANNEL_LIST, m_listChannels);
    DDX_Control(pDX, IDC_LAMP_FIRST + 1, m_stcLamp2);
    DDX_Control(pDX, IDOK, m_btnCmd[0]);
    DDX_Control(pDX, IDC_SETTING, m_btnCmd[1]);
    DDX_Control(pDX, IDCANCEL, m_btnCmd[2]);
}

LRESULT CAnalyzerDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam), lParam);
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_hIcon);
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_SERIAL_BYTE:
        return OnSerialByte(wParam, lParam);
    case WM_SERIAL_PORT_LOST:
        OnPortLost();
        return 0;
    case WM_SERIAL_PORT_BACK:
        OnPortBack();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_ENABLE_LOG && HIWORD(wParam) == BN_CLICKED)
        {
            OnEnableLog();
            return 0;
        }
        if (LOWORD(wParam) == IDC_SETTING && HIWORD(wParam) == BN_CLICKED)
        {
            OnSetting();
            return 0;
        }
        break;
    default:
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

BOOL CAnalyzerDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (HMENU hSysMenu = GetSystemMenu(FALSE))
    {
        char about[260] = "";
        ::LoadStringA(::GetModuleHandleA(nullptr), IDS_ABOUTBOX, about, sizeof about);
        if (about[0] != '\0')
        {
            ::AppendMenuA(hSysMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(hSysMenu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_strAppDir = GetModuleDirectory();
    LoadPortSettings(m_portSettings, m_strAppDir);

    InitChannelList();
    // One pseudo-random sequence shades the three faces, in this order.
    const UINT anIcons[3] = {IDI_START, IDI_SETTING, IDI_CLOSE};
    for (int i = 0; i < 3; ++i)
    {
        m_btnCmd[i].GenerateShade(ShadeRowCurve, 8, 10, 0, 0);
        m_btnCmd[i].LoadIcons(anIcons[i], 0);
    }
    for (int i = 0; i < m_nChannels; ++i)
        ShowLamp(i);

    m_bmpLampDark.LoadBitmap(IDB_LAMP_DARK);
    m_bmpLampLit.LoadBitmap(IDB_LAMP_LIT);

    CWnd* pPanel = GetDlgItem(IDC_LED_PANEL);
    const DWORD ledStyle = WS_CHILD | WS_VISIBLE | SS_ICON | SS_CENTERIMAGE;
    m_ledMaster.Create("", ledStyle, RECT{50, 0, 60, 50}, pPanel, IDC_LED);
    m_ledMaster.SetLed(0, 1);
    m_ledSlaver.Create("", ledStyle, RECT{153, 0, 163, 50}, pPanel, IDC_LED);
    m_ledSlaver.SetLed(0, 1);

    for (int i = 0; i < m_nChannels; ++i)
        SetLamp(i, m_anLampLit[i]);

    SetDlgItemText(IDC_STATUS_PORT, Format(" COM%d", m_portSettings.nPort).c_str());
    // A fixed label: the program never polls, it only listens.
    SetDlgItemText(IDC_STATUS_POLL, " CMMOND POLL");
    SetTimer(kClockTimer, 1000);
    // The template marks both Start and Setting as default buttons, and the dialog manager
    // keeps the last one it meets; Enter must press Start/Stop.
    SendMessage(DM_SETDEFID, IDOK);

    // An unattended launch: the box ticked as a click would, Start pressed once the window shows.
    if (m_launch.bLog)
    {
        ::CheckDlgButton(m_hWnd, IDC_ENABLE_LOG, BST_CHECKED);
        m_bLogEnabled = TRUE;
    }
    if (m_launch.bStart)
        PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                    reinterpret_cast<LPARAM>(::GetDlgItem(m_hWnd, IDOK)));
    return TRUE;
}

void CAnalyzerDlg::OnOK()
{
    // A box the open shows (a refused line setting) has no owner, so this window stays enabled
    // under it: a click meanwhile would open the port again under the open still in progress.
    if (m_bStarting)
        return;
    std::string text;
    GetDlgItemText(IDOK, text);
    if (text == kStart)
    {
        CFlagScope starting(m_bStarting);
        const PortSettings& s = m_portSettings;
        m_serial.SetReconnect(m_launch.bReconnect);
        const BOOL bOpen = m_serial.OpenPort(this, s.nPort, s.nBaud, s.cParity, s.nDataBits,
                                             s.nStopBits, s.dwCommEvents, 1024);
        // A reconnecting link takes a port that will not open as one that was lost.
        if (!bOpen && !m_launch.bReconnect)
        {
            MessageBox("Open port failed");
            return;
        }
        // The rest of a frame cut by the last Stop died with the port: the bytes that would
        // complete it now belong to later frames. (After OpenPort, which may still deliver the
        // old worker's last byte.)
        m_decoder.StartHunting();
        g_nSerialByteMsg = WM_SERIAL_BYTE;
        // Without a worker nothing is read: the window must not say it listens.
        if (!m_serial.StartThread())
        {
            MessageBox("Open port failed");
            return;
        }
        SetDlgItemText(IDOK, kStop);
        GetDlgItem(IDC_SETTING)->EnableWindow(FALSE);
        if (bOpen)
            m_ledMaster.SetLed(0, 0);
        else
            OnPortLost();
    }
    else
    {
        SetDlgItemText(IDOK, kStart);
        m_serial.RequestStop();
        GetDlgItem(IDC_SETTING)->EnableWindow(TRUE);
        m_ledMaster.SetLed(0, 1);
    }
}

void CAnalyzerDlg::OnCancel()
{
    SavePortSettings(m_portSettings, m_strAppDir);
    CDialog::OnCancel();
}

void CAnalyzerDlg::OnEnableLog()
{
    // The check box is automatic and starts unchecked, so a toggle follows its mark.
    m_bLogEnabled = m_bLogEnabled ? FALSE : TRUE;
}

void CAnalyzerDlg::OnSetting()
{
    // Nor while a Start is still under way: its box leaves this window enabled.
    if (m_bInSetting || m_bStarting)
        return;
    CFlagScope inSetting(m_bInSetting);
    // Owned by this window (no parent would leave it free of us): modal over it, as About is.
    CCommSettingDlg dlg(this);
    dlg.SetSettings(m_portSettings);
    dlg.DoModal();
    m_portSettings = dlg.GetSettings();
    SetDlgItemText(IDC_STATUS_PORT, Format(" COM%d", m_portSettings.nPort).c_str());
}

void CAnalyzerDlg::OnSysCommand(UINT nID, LPARAM)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX)
    {
        CAboutDlg dlgAbout(this);
        dlgAbout.DoModal();
        return;
    }
    Default();
}

void CAnalyzerDlg::OnPaint()
{
    if (IsIconic())
    {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
        const int cxIcon = ::GetSystemMetrics(SM_CXICON);
        const int cyIcon = ::GetSystemMetrics(SM_CYICON);
        RECT rect;
        GetClientRect(&rect);
        const int x = (rect.right - rect.left - cxIcon + 1) / 2;
        const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
        ::DrawIcon(dc.GetSafeHdc(), x, y, m_hIcon);
    }
    else
    {
        Default();
    }
    // A covered or restored window shows every lamp as its state says.
    for (int i = 0; i < m_nChannels; ++i)
        SetLamp(i, m_anLampLit[i]);
}

void CAnalyzerDlg::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == kLampTimer)
    {
        KillTimer(kLampTimer);
        for (int& lit : m_anLampLit)
            lit = 0;
        for (int i = 0; i < m_nChannels; ++i)
            SetLamp(i, 0);
    }
    else if (nIDEvent == kClockTimer)
    {
        SetDlgItemText(IDC_CLOCK, FormatLocalTime(std::time(nullptr), " %H:%M  %B %d  %Y").c_str());
    }
    Default();
}

LRESULT CAnalyzerDlg::OnSerialByte(WPARAM wParam, LPARAM)
{
    m_decoder.OnSerialByte(static_cast<unsigned char>(wParam & 0xFF));
    return 0;
}

bool CAnalyzerDlg::IsListening()
{
    std::string text;
    GetDlgItemText(IDOK, text);
    return text == kStop;
}

void CAnalyzerDlg::OnPortLost()
{
    // A word from a worker that a Stop has overtaken changes nothing.
    if (!IsListening())
        return;
    m_ledMaster.SetLed(0, 1);
    SetDlgItemText(IDC_STATUS_EVENT, kPortLost);
}

void CAnalyzerDlg::OnPortBack()
{
    if (!IsListening())
        return;
    // A frame cut by the loss never ends: the new port's bytes start afresh.
    m_decoder.StartHunting();
    m_ledMaster.SetLed(0, 0);
    SetDlgItemText(IDC_STATUS_EVENT, kPortBack);
}

void CAnalyzerDlg::InitChannelList()
{
    m_listChannels.ModifyStyle(LVS_EDITLABELS, 0);
    m_listChannels.ModifyStyle(0, LVS_REPORT);
    m_listChannels.ModifyStyle(0, LVS_SHOWSELALWAYS);
    // Header drag-drop, full-row select, one-click activate and flat scroll bars, nothing else.
    m_listChannels.SetExtendedStyle(0x170);
    m_listChannels.InsertColumn(0, "Channel", LVCFMT_LEFT);
    m_listChannels.InsertColumn(1, "Value", LVCFMT_LEFT);
    m_listChannels.InsertColumn(2, "Num Notes", LVCFMT_LEFT);
    m_listChannels.SetColumnWidth(0, 100);
    m_listChannels.SetColumnWidth(1, 140);
    m_listChannels.SetColumnWidth(2, 140);
    for (int i = 0; i < m_nChannels; ++i)
    {
        m_listChannels.InsertItem(i, IntToText(i + 1).c_str());
        m_listChannels.SetItemText(i, 2, IntToText(m_decoder.NoteCount(i)).c_str());
        m_listChannels.SetItemText(i, 1, "-");
    }
}

void CAnalyzerDlg::ShowLamp(int i)
{
    GetDlgItem(IDC_LAMP_FIRST + i)->ShowWindow(SW_SHOWNORMAL);
    GetDlgItem(IDC_LAMP_LABEL_FIRST + i)->ShowWindow(SW_SHOWNORMAL);
}

void CAnalyzerDlg::SetLamp(int i, int bLit)
{
    HBITMAP hBitmap = bLit ? m_bmpLampLit : m_bmpLampDark;
    ::SendDlgItemMessageA(m_hWnd, IDC_LAMP_FIRST + i, STM_SETIMAGE, IMAGE_BITMAP,
                          reinterpret_cast<LPARAM>(hBitmap));
}

void CAnalyzerDlg::FlashLamp(int i, UINT nPeriod)
{
    // One timer for all channels: re-arming it starts the countdown afresh.
    SetTimer(kLampTimer, nPeriod);
    m_anLampLit[i] = 1;
    SetLamp(i, 1);
}

void CAnalyzerDlg::SetEventText(const std::string& text)
{
    SetDlgItemText(IDC_STATUS_EVENT, text.c_str());
}

void CAnalyzerDlg::SetChannelText(int row, int column, const std::string& text)
{
    m_listChannels.SetItemText(row, column, text.c_str());
}

void CAnalyzerDlg::FlashSlaver(unsigned periodMs)
{
    m_ledSlaver.FlashLed(periodMs);
}

void CAnalyzerDlg::WriteLogLine(const char* text)
{
    ::WriteLogLine(text);
}
