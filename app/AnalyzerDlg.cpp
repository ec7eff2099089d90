// The main window: start-up, Start/Stop, Close, the About entry, painting, the channel table,
// the lamp bank, the status line and the decoder's owner operations.
#include "app/AnalyzerDlg.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include <commctrl.h>

#include "app/AboutDlg.h"
#include "app/TodayTally.h"
#include "log/LogRollOver.h"
#include "log/TextFile.h"
#include "res/resource.h"
#include "serial/PortName.h"
#include "settings/CommSettingDlg.h"
#include "settings/SettingsFile.h"
#include "win/AnsiText.h"
#include "win/Dc.h"
#include "win/ModuleDirectory.h"
#include "win/Text.h"

namespace
{
const char kStart[] = "&Start";
const char kStop[] = "&Stop";
// The Master and Slaver lamps in the client area of their panel, at 96 dpi.
const RECT kMasterLampRect = {50, 0, 60, 50};
const RECT kSlaverLampRect = {153, 0, 163, 50};
const char kPortLost[] = " PORT LOST, RETRYING";
const char kPortBack[] = " PORT BACK";
// What a Stop while retrying leaves: the port is still lost, but nothing tries it any more.
const char kPortLeftLost[] = " PORT LOST";
const char kNoDataSince[] = " NO DATA SINCE ";
const char kPortBackAs[] = " PORT BACK AS ";
// The clock's text, and the channel table's columns.
const char kClockFormat[] = " %H:%M  %B %d  %Y";
enum
{
    kColChannel,
    kColValue,
    kColNotes,
};
// Their widths at 96 dpi: the channel's number takes less than the value and the count.
const int kColWidths96[] = {100, 140, 140};
// The command buttons' faces: the noise's grain, and how much lighter a face is under the mouse.
constexpr BYTE kShadeGrain = 8;
constexpr BYTE kShadeHoverPercent = 10;

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
      m_strAppDir(GetModuleDirectoryW()), m_log(m_strAppDir), m_decoder(*this)
{
}

CAnalyzerDlg::~CAnalyzerDlg()
{
    TellEnd();
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
    case WM_QUERYENDSESSION:
        OnEndSession(false, false);
        return TRUE;
    case WM_ENDSESSION:
        if (wParam)
            OnEndSession(true, (lParam & ENDSESSION_CLOSEAPP) != 0);
        return 0;
    case WM_RESTORE_TODAY:
        OnRestoreToday();
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_SERIAL_PORT_LOST:
        OnPortLost();
        return 0;
    case WM_SERIAL_PORT_BACK:
        OnPortBack(wParam != 0, static_cast<UINT>(lParam));
        return 0;
    case WM_SERIAL_PORT_UNSURE:
        OnPortUnsure(static_cast<UINT>(wParam));
        return 0;
    case WM_SERIAL_PROBLEM:
        m_serial.ShowProblems(
            [this]
            {
                m_events.Report(MSG_PORT_LOST, {EventPort()});
                // Nothing more is read until Stop: the line's silence is the port's, told now.
                m_silence.Disarm();
            });
        return 0;
    case WM_DEVICECHANGE: // an adapter pulled out: the link's port may be the one gone
        m_serial.OnDeviceChange(wParam, lParam);
        return TRUE;
    default:
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

BOOL CAnalyzerDlg::OnCommand(UINT nID, UINT nCode)
{
    if (nCode == BN_CLICKED && nID == IDC_ENABLE_LOG)
        OnEnableLog();
    else if (nCode == BN_CLICKED && nID == IDC_SETTING)
        OnSetting();
    else
        return CDialog::OnCommand(nID, nCode);
    return TRUE;
}

BOOL CAnalyzerDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // At a DPI above 96 the window is its 96-dpi look enlarged, and smaller where the work area
    // would not hold it whole: every place and every size in pixels below scales with it.
    m_nDpi = GetWindowDpi(m_hWnd);
    if (m_layout.Attach(m_hWnd, IDD_MAIN))
        m_nDpi = m_layout.FitToWorkArea(m_nDpi);

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

    LoadPortSettings(m_portSettings, m_strAppDir);
    // The device last seen at the port, to be followed should it come back under another number.
    int nDevicePort = 0;
    PortIdentity device;
    LoadPortIdentity(nDevicePort, device, m_strAppDir);
    if (nDevicePort == m_portSettings.nPort)
        m_serial.Follower().SetKnown(device);
    m_silence.SetLimit(m_launch.nSilenceSecs);
    m_events.Report(MSG_STARTED, {EventPort(), LaunchSwitchesText(m_launch)});
    m_log.SetEventSink([this](LogEvent event, const std::wstring& strPath, DWORD dwError)
                       { OnLogEvent(event, strPath, dwError); });

    InitChannelList();
    // One pseudo-random sequence shades the three faces, in this order.
    const UINT anIcons[3] = {IDI_START, IDI_SETTING, IDI_CLOSE};
    for (int i = 0; i < 3; ++i)
    {
        m_btnCmd[i].GenerateShade(ShadeRowCurve, kShadeGrain, kShadeHoverPercent, 0, 0);
        m_btnCmd[i].SetDpi(m_nDpi);
        m_btnCmd[i].LoadIcons(anIcons[i], 0);
    }
    for (int i = 0; i < m_nChannels; ++i)
        ShowLamp(i);

    LoadLampPictures();

    CWnd* pPanel = GetDlgItem(IDC_LED_PANEL);
    const DWORD ledStyle = WS_CHILD | WS_VISIBLE | SS_ICON | SS_CENTERIMAGE;
    m_ledMaster.Create("", ledStyle, ScaleRectToDpi(kMasterLampRect, m_nDpi), pPanel, IDC_LED);
    m_ledMaster.SetDpi(m_nDpi);
    m_ledMaster.SetLed(CLedIndicator::LED_RED, CLedIndicator::LED_UNLIT);
    m_ledSlaver.Create("", ledStyle, ScaleRectToDpi(kSlaverLampRect, m_nDpi), pPanel, IDC_LED);
    m_ledSlaver.SetDpi(m_nDpi);
    m_ledSlaver.SetLed(CLedIndicator::LED_RED, CLedIndicator::LED_UNLIT);

    for (int i = 0; i < m_nChannels; ++i)
        SetLamp(i, m_anLampLit[i]);

    SetDlgItemText(IDC_STATUS_PORT, (" " + PortName(m_portSettings.nPort)).c_str());
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
    // Before /start's click: the table is whole before the first frame can count on it.
    if (m_launch.bToday)
        PostMessage(WM_RESTORE_TODAY);
    if (m_launch.bStart)
        PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                    reinterpret_cast<LPARAM>(::GetDlgItem(m_hWnd, IDOK)));
    return TRUE;
}

void CAnalyzerDlg::OnOK()
{
    std::string text;
    GetDlgItemText(IDOK, text);
    if (text == kStart)
    {
        const PortSettings& s = m_portSettings;
        m_serial.SetReconnect(m_launch.bReconnect);
        // A reconnecting link's worker makes the open (a port can take seconds to open), and
        // takes a port that will not open as one that was lost: the window hears how it went.
        // Either fails at once while the last worker is still stuck in its driver.
        const auto pfnOpen =
            m_launch.bReconnect ? &CSerialLink::PreparePort : &CSerialLink::OpenPort;
        if (!(m_serial.*pfnOpen)(this, s.nPort, s.nBaud, s.cParity, s.nDataBits, s.nStopBits,
                                 s.dwCommEvents, 1024))
        {
            MessageBox("Open port failed");
            return;
        }
        // The rest of a frame cut by the last Stop died with the port: the bytes that would
        // complete it now belong to later frames. (After the open, which may still deliver the
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
        m_stLastFrame = m_localClock();
        m_silence.Arm(m_pfnTicks());
        if (!m_launch.bReconnect)
            OnPortBack(true);
    }
    else
    {
        SetDlgItemText(IDOK, kStart);
        m_serial.RequestStop();
        m_silence.Disarm();
        GetDlgItem(IDC_SETTING)->EnableWindow(TRUE);
        m_ledMaster.SetLed(CLedIndicator::LED_RED, CLedIndicator::LED_UNLIT);
        ReplaceEventText(kPortLost, kPortLeftLost);
    }
}

void CAnalyzerDlg::OnCancel()
{
    if (m_bClosing)
        return;
    CFlagScope closing(m_bClosing);
    SavePortSettings(m_portSettings, m_strAppDir);
    SavePortIdentity(m_portSettings.nPort, m_serial.Follower().Known(), m_strAppDir);
    // The log's lines are the record of the day: none may vanish without a word, and what the
    // day's file refuses goes into a part of its own.
    m_log.WriteBeforeExit(0);
    TellLogTrouble(true);
    const std::wstring text = m_log.UnwrittenText();
    if (!text.empty())
    {
        // The box's loop would go on taking frames and retrying: lines kept meanwhile would
        // vanish uncounted, or lines it calls missing be written after all. Nothing is handled
        // between the count and here, and nothing is read after Close anyway.
        m_serial.RequestStop();
        KillTimer(kLogRetryTimer);
        m_bLogRetryArmed = false;
        ::MessageBoxW(m_hWnd, text.c_str(), L"Daily log", MB_OK | MB_ICONWARNING);
    }
    EndProgram();
}

void CAnalyzerDlg::EndProgram()
{
    // A driver call that never returns must not keep an invisible program holding the port.
    m_bWorkerLeftBehind = !m_serial.EndThread(kEndWorkerMs);
    // The program then ends without the window's destructor, which would tell of the end.
    if (m_bWorkerLeftBehind)
        TellEnd();
    CDialog::OnCancel();
}

void CAnalyzerDlg::TellEnd()
{
    if (m_bEndTold)
        return;
    m_events.Report(MSG_ENDED, {EventPort()});
    m_bEndTold = true;
}

void CAnalyzerDlg::OnEndSession(bool bEnding, bool bCloseApp)
{
    // The next start, often unattended, must open the port the operator chose.
    SavePortSettings(m_portSettings, m_strAppDir);
    SavePortIdentity(m_portSettings.nPort, m_serial.Follower().Known(), m_strAppDir);
    // Only asked, the session may yet go on: kept lines then wait for their day's file.
    if (bEnding)
    {
        m_log.WriteBeforeExit(kEndSessionRetryMs);
        TellLogTrouble(true);
        // Windows may end the process once this returns.
        TellEnd();
    }
    else
    {
        m_log.WriteKept();
        m_log.Flush();
    }
    // Asked to close rather than about to be ended, the program ends itself, or it would run on
    // until it is killed; Close's box is left out, as nobody is there to press it.
    if (bEnding && bCloseApp)
        EndProgram();
}

void CAnalyzerDlg::OnEnableLog()
{
    // The check box is automatic and starts unchecked, so a toggle follows its mark.
    m_bLogEnabled = m_bLogEnabled ? FALSE : TRUE;
}

void CAnalyzerDlg::OnSetting()
{
    if (m_bInSetting)
        return;
    CFlagScope inSetting(m_bInSetting);
    // Owned by this window (no parent would leave it free of us): modal over it, as About is.
    CCommSettingDlg dlg(this);
    dlg.SetSettings(m_portSettings);
    // Only OK takes the boxes: the dialog's parse of untouched texts would turn a parity its
    // lists do not show (M or S from the settings file) into N.
    if (dlg.DoModal() == IDOK)
    {
        // The device known at the old port is not the new port's.
        if (dlg.GetSettings().nPort != m_portSettings.nPort)
            m_serial.Follower().SetKnown(PortIdentity());
        m_portSettings = dlg.GetSettings();
    }
    SetDlgItemText(IDC_STATUS_PORT, (" " + PortName(m_portSettings.nPort)).c_str());
}

void CAnalyzerDlg::OnDpiChanged(UINT nDpi, const RECT& rcSuggested)
{
    // The window has moved to a monitor of another scale: it takes the place Windows suggests
    // and draws itself anew at that scale, its size its layout's own rather than the suggested
    // one, which would drift by rounding from move to move.
    m_nDpi = m_layout.Place(nDpi, rcSuggested);
    SetColumnWidths();
    for (CShadedButton& button : m_btnCmd)
    {
        button.GenerateShade(ShadeRowCurve, kShadeGrain, kShadeHoverPercent, 0, 0);
        button.SetDpi(m_nDpi);
    }
    {
        // The lamps show the old pictures until they have the new ones.
        const CBitmap bmpOldDark = std::move(m_bmpLampDark), bmpOldLit = std::move(m_bmpLampLit);
        LoadLampPictures();
        for (int i = 0; i < m_nChannels; ++i)
            SetLamp(i, m_anLampLit[i]);
    }
    auto placeLed = [this](CLedIndicator& led, const RECT& rc96)
    {
        const RECT rc = ScaleRectToDpi(rc96, m_nDpi);
        led.SetWindowPos(nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        led.SetDpi(m_nDpi);
    };
    placeLed(m_ledMaster, kMasterLampRect);
    placeLed(m_ledSlaver, kSlaverLampRect);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
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
        SetDlgItemText(IDC_CLOCK, FormatLocalTime(std::time(nullptr), kClockFormat).c_str());
        // Once a second, not for every line: what a power cut may take is the last second.
        m_log.Flush();
        StartNewDayIfDue();
        CheckSilence();
        TellHeldBackEvents();
    }
    else if (nIDEvent == kLogRetryTimer)
    {
        if (m_log.Retry())
        {
            KillTimer(kLogRetryTimer);
            m_bLogRetryArmed = false;
        }
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
    m_events.Report(MSG_PORT_LOST, {EventPort()});
    m_silence.Disarm(); // the status line tells of the port, not of the acceptor
    m_ledMaster.SetLed(CLedIndicator::LED_RED, CLedIndicator::LED_UNLIT);
    SetDlgItemText(IDC_STATUS_EVENT, kPortLost);
}

void CAnalyzerDlg::ReplaceEventText(const char* pszShown, const char* pszNew)
{
    std::string text;
    GetDlgItemText(IDC_STATUS_EVENT, text);
    if (text == pszShown)
        SetDlgItemText(IDC_STATUS_EVENT, pszNew);
}

void CAnalyzerDlg::OnPortBack(bool bAtStart, UINT nPort)
{
    if (!IsListening())
        return;
    m_ledMaster.SetLed(CLedIndicator::LED_RED, CLedIndicator::LED_LIT);
    m_silence.Arm(m_pfnTicks());
    // The device followed to another number: that is the port from now on, and Close keeps it.
    if (nPort != 0 && static_cast<int>(nPort) != m_portSettings.nPort)
    {
        const std::string strOld = EventPort();
        m_portSettings.nPort = static_cast<int>(nPort);
        m_decoder.StartHunting();
        SetDlgItemText(IDC_STATUS_EVENT, (kPortBackAs + PortName(m_portSettings.nPort)).c_str());
        SetDlgItemText(IDC_STATUS_PORT, (" " + PortName(m_portSettings.nPort)).c_str());
        m_events.Report(MSG_PORT_BACK_AS, {strOld, EventPort()});
        return;
    }
    // The Start's own open: the event stays, unless it tells of a port a Stop left lost.
    if (bAtStart)
    {
        ReplaceEventText(kPortLeftLost, kPortBack);
        return;
    }
    // A frame cut by the loss never ends: the new port's bytes start afresh.
    m_decoder.StartHunting();
    SetDlgItemText(IDC_STATUS_EVENT, kPortBack);
    m_events.Report(MSG_PORT_BACK, {EventPort()});
}

void CAnalyzerDlg::OnPortUnsure(UINT nCandidates)
{
    m_events.Report(MSG_PORT_NOT_FOLLOWED, {EventPort(), std::to_string(nCandidates)});
}

std::string CAnalyzerDlg::EventPort() const
{
    return PortName(m_portSettings.nPort);
}

std::string CAnalyzerDlg::LocalTimeText(const SYSTEMTIME& st) const
{
    return Format("%02d:%02d:%02d", st.wHour, st.wMinute, st.wSecond);
}

void CAnalyzerDlg::CheckSilence()
{
    const CSilenceWatch::Step step = m_silence.Check(m_pfnTicks());
    if (step == CSilenceWatch::Quiet)
        return;
    const std::string strSince = LocalTimeText(m_stLastFrame);
    SetDlgItemText(IDC_STATUS_EVENT, (kNoDataSince + strSince).c_str());
    // The taskbar button flashes until the window comes forward: nobody may be watching it.
    FLASHWINFO flash = {sizeof flash, m_hWnd, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
    ::FlashWindowEx(&flash);
    if (step == CSilenceWatch::ShowTell)
        m_events.Report(MSG_NO_DATA,
                        {EventPort(), std::to_string(m_launch.nSilenceSecs), strSince});
}

void CAnalyzerDlg::TellHeldBackEvents()
{
    const ULONGLONG nNow = m_pfnTicks();
    if (m_counterfeitEvents.m_nUntold != 0 && m_counterfeitEvents.Take(nNow))
    {
        m_events.Report(MSG_COUNTERFEIT_COUNT,
                        {EventPort(), std::to_string(m_counterfeitEvents.m_nUntold)});
        m_counterfeitEvents.m_nUntold = 0;
    }
    m_lineErrors += m_serial.TakeLineErrors();
    if (m_lineErrors.Any() && m_lineErrorEvents.Take(nNow))
    {
        const LineErrorCounts& c = m_lineErrors;
        m_events.Report(MSG_LINE_ERRORS, {EventPort(), std::to_string(c.nOverrun),
                                          std::to_string(c.nRxOver), std::to_string(c.nFrame),
                                          std::to_string(c.nParity), std::to_string(c.nBreak)});
        m_lineErrors = LineErrorCounts();
    }
    TellLogTrouble();
}

void CAnalyzerDlg::OnLogEvent(LogEvent event, const std::wstring& strPath, DWORD dwError)
{
    // Each is told as it starts; lost lines are counted below, as every frame's line may be one.
    if (event == LogEvent::Refused)
        m_events.Report(MSG_LOG_REFUSED,
                        {EventPort(), WideToAnsi(strPath), std::to_string(dwError)});
    else if (event == LogEvent::IntoPart)
        m_events.Report(MSG_LOG_PART, {EventPort(), WideToAnsi(strPath)});
}

void CAnalyzerDlg::TellLogTrouble(bool bEnding)
{
    // Once the memory for kept lines is full every frame's line is lost: told once a minute.
    if (m_log.LostLines() > m_nLogLostTold && (m_logLossEvents.Take(m_pfnTicks()) || bEnding))
    {
        m_nLogLostTold = m_log.LostLines();
        m_events.Report(MSG_LOG_LOST, {EventPort(), WideToAnsi(m_log.UnwrittenText())});
    }
}

void CAnalyzerDlg::InitChannelList()
{
    m_listChannels.ModifyStyle(LVS_EDITLABELS, 0);
    m_listChannels.ModifyStyle(0, LVS_REPORT);
    m_listChannels.ModifyStyle(0, LVS_SHOWSELALWAYS);
    // Header drag-drop, full-row select, one-click activate and flat scroll bars, nothing else.
    m_listChannels.SetExtendedStyle(LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT |
                                    LVS_EX_ONECLICKACTIVATE | LVS_EX_FLATSB);
    m_listChannels.InsertColumn(kColChannel, "Channel", LVCFMT_LEFT);
    m_listChannels.InsertColumn(kColValue, "Value", LVCFMT_LEFT);
    m_listChannels.InsertColumn(kColNotes, "Num Notes", LVCFMT_LEFT);
    SetColumnWidths();
    for (int i = 0; i < m_nChannels; ++i)
    {
        m_listChannels.InsertItem(i, IntToText(i + 1).c_str());
        ShowChannel(i, m_decoder.NoteCount(i), -1);
    }
}

void CAnalyzerDlg::ShowChannel(int i, int nNotes, int nValue)
{
    m_listChannels.SetItemText(i, kColNotes, IntToText(nNotes).c_str());
    m_listChannels.SetItemText(i, kColValue, nValue < 0 ? "-" : IntToText(nValue).c_str());
}

void CAnalyzerDlg::SetColumnWidths()
{
    for (int nCol : {kColChannel, kColValue, kColNotes})
        m_listChannels.SetColumnWidth(nCol, ScaleToDpi(kColWidths96[nCol], m_nDpi));
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

void CAnalyzerDlg::LoadLampPictures()
{
    // Each lamp's static takes the size of its picture: 20 x 40 at 96 dpi.
    const int cx = ScaleToDpi(20, m_nDpi), cy = ScaleToDpi(40, m_nDpi);
    auto load = [cx, cy](UINT nID)
    {
        return CBitmap(static_cast<HBITMAP>(::LoadImageA(
            ::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(nID), IMAGE_BITMAP, cx, cy, 0)));
    };
    m_bmpLampDark = load(IDB_LAMP_DARK);
    m_bmpLampLit = load(IDB_LAMP_LIT);
}

void CAnalyzerDlg::FlashLamp(int i, UINT nPeriod)
{
    // One timer for all channels: re-arming it starts the countdown afresh.
    SetTimer(kLampTimer, nPeriod);
    m_anLampLit[i] = 1;
    SetLamp(i, 1);
}

void CAnalyzerDlg::OnFrameStart()
{
    // Before the frame can count: a note read after midnight is the new day's first.
    StartNewDayIfDue();
    m_ledSlaver.FlashLed(kFlashMs);
}

void CAnalyzerDlg::OnNoteRead(int channel, int value, int count)
{
    const int i = channel - 1;
    ShowChannel(i, count, value);
    FlashLamp(i, kFlashMs);
}

void CAnalyzerDlg::OnFrame(const unsigned char* pFrame, int nLength, const std::string& eventText)
{
    SetDlgItemText(IDC_STATUS_EVENT, eventText.c_str());
    const ULONGLONG nNow = m_pfnTicks();
    if (m_silence.OnFrame(nNow))
    {
        m_events.Report(MSG_DATA_BACK, {EventPort(), LocalTimeText(m_stLastFrame)});
        FLASHWINFO flash = {sizeof flash, m_hWnd, FLASHW_STOP, 0, 0};
        ::FlashWindowEx(&flash);
    }
    m_stLastFrame = m_localClock();
    if (pFrame[0] == CFrameDecoder::LEAD_COUNTERFEIT)
    {
        if (m_counterfeitEvents.Take(nNow))
            m_events.Report(MSG_COUNTERFEIT, {EventPort()});
        else
            ++m_counterfeitEvents.m_nUntold;
    }
    // The switch is read for every frame: ticking it takes effect with the next one.
    if (m_bLogEnabled)
        WriteLogLine(HexDump(pFrame, nLength).c_str());
}

void CAnalyzerDlg::WriteLogLine(const char* text)
{
    m_log.WriteLine(text);
    TellLogTrouble();
    ArmLogRetry();
}

void CAnalyzerDlg::ArmLogRetry()
{
    if (m_bLogRetryArmed || !m_log.NeedsRetry())
        return;
    SetTimer(kLogRetryTimer, kLogRetryPeriod);
    m_bLogRetryArmed = true;
}

void CAnalyzerDlg::OnRestoreToday()
{
    const std::string strDay = LogDay(m_clock());
    CTodayTally tally(strDay);
    int nUnread = 0;
    try
    {
        std::string text;
        for (const std::wstring& strPath : DayLogFiles(m_strAppDir + L"Log", strDay))
        {
            if (ReadWholeFile(strPath, text))
                tally.ReadLog(text);
            else
                ++nUnread;
        }
    }
    catch (...)
    {
        ++nUnread; // out of memory: a file or more not counted
    }
    m_strCountDay = strDay;
    for (int i = 0; i < m_nChannels; ++i)
    {
        m_decoder.SetNoteCount(i, tally.Notes(i));
        ShowChannel(i, tally.Notes(i), tally.LastValue(i));
    }
    // Until the first frame. A file that could not be read is said, lest its notes pass for none.
    const int nNotes = tally.TotalNotes();
    std::string text = Format(" TODAY: %d NOTE%s RESTORED", nNotes, nNotes == 1 ? "" : "S");
    if (nUnread > 0)
        text += Format(", %d FILE%s UNREAD", nUnread, nUnread == 1 ? "" : "S");
    SetDlgItemText(IDC_STATUS_EVENT, text.c_str());
}

void CAnalyzerDlg::StartNewDayIfDue()
{
    if (m_strCountDay.empty())
        return;
    const std::string strDay = LogDay(m_clock());
    if (strDay == m_strCountDay)
        return;
    m_strCountDay = strDay;
    for (int i = 0; i < m_nChannels; ++i)
    {
        m_decoder.SetNoteCount(i, 0);
        ShowChannel(i, 0, -1);
    }
}
