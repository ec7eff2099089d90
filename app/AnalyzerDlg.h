// CAnalyzerDlg: the main window. It owns the serial link, the line settings, the frame decoder,
// the channel table, the channel lamps, the Master and Slaver lamps and the status line, and it
// is the decoder's owner: every frame handler's effect lands here on the user-interface thread.
#pragma once

#include <string>

#include "app/EventThrottle.h"
#include "app/LaunchOptions.h"
#include "app/SilenceWatch.h"
#include "controls/LedIndicator.h"
#include "controls/ShadedButton.h"
#include "events/EventLog.h"
#include "frames/FrameDecoder.h"
#include "log/DailyLog.h"
#include "serial/SerialLink.h"
#include "settings/PortSettings.h"
#include "win/Dialog.h"
#include "win/Dpi.h"
#include "win/GdiObject.h"
#include "win/ListCtrl.h"
#include "win/Static.h"

class CAnalyzerDlg : public CDialog, private CFrameOwner
{
public:
    explicit CAnalyzerDlg(CWnd* pParent = nullptr);
    ~CAnalyzerDlg() override;

    static constexpr UINT kLampTimer = 101;
    static constexpr UINT kClockTimer = 102;
    // How long a channel lamp, and the Slaver lamp, stays lit after its event.
    static constexpr UINT kFlashMs = 200;
    // While log lines wait for their file: tries them again even when no frame comes.
    static constexpr UINT kLogRetryTimer = 103;
    static constexpr UINT kLogRetryPeriod = 2000;
    // Windows gives a program about 5 s to end: for this long a held day's file may let go.
    static constexpr DWORD kEndSessionRetryMs = 3000;
    // Posted by OnInitDialog under /today: the day's notes are read once the window shows.
    static constexpr UINT WM_RESTORE_TODAY = WM_APP + 1;

    // What Close gives the serial worker to end (it needs well under a second) before
    // cancelling the driver call it is stuck in; with the cancel's own bound, the program ends
    // within about 3 s whatever the driver does.
    static constexpr DWORD kEndWorkerMs = 2000;

    // Counterfeit attempts are told at most once a second, line errors and lost log lines once a
    // minute.
    static constexpr uint64_t kCounterfeitEventMs = 1000;
    static constexpr uint64_t kLineErrorEventMs = 60000;

    // The command line's switches, taken by the next OnInitDialog.
    void SetLaunchOptions(const LaunchOptions& options) { m_launch = options; }
    // Whether the window ended leaving a serial worker stuck inside its driver, which still
    // writes into the link: the program must then end before the window's members go.
    bool WorkerLeftBehind() const { return m_bWorkerLeftBehind; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;     // Start/Stop
    void OnCancel() override; // Close
    BOOL OnCommand(UINT nID, UINT nCode) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class CAnalyzerDlgTestPeer; // the tests look at the lamps' state and the decoder

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnSerialByte(WPARAM wParam, LPARAM lParam);
    void OnEnableLog();
    void OnSetting();
    // A shutdown, restart or log-off, asked (bEnding false) or under way: the settings saved and
    // the log written as at Close; nothing may wait for a click now. bCloseApp: an installer or
    // an update's restart asks this program to end, which it then does as Close does.
    void OnEndSession(bool bEnding, bool bCloseApp);
    // Ends the program as Close does, once the settings and the log are written: the serial
    // worker within a bound whatever its driver does (left behind if it never returns), then
    // the window. For Close, and for a session's end that closes the program.
    void EndProgram();
    // The program's end into the Application log, once.
    void TellEnd();
    void OnDpiChanged(UINT nDpi, const RECT& rcSuggested);
    // A reconnecting link's word that the port went, or came back (or opened at the Start's
    // first try: bAtStart, which a Start that opened the port itself passes too).
    void OnPortLost();
    void OnPortBack(bool bAtStart, UINT nPort = 0);
    // A reconnecting link's word that nCandidates ports could be its device: none was taken.
    void OnPortUnsure(UINT nCandidates);
    // Once a second: a silent acceptor, and what is told of in bursts.
    void CheckSilence();
    void TellHeldBackEvents();
    // The log's changes of course, as they happen: a refused day's file, lines into a part.
    void OnLogEvent(LogEvent event, const std::wstring& strPath, DWORD dwError);
    // Lost log lines, at most once a minute; bEnding: the last word, held back by nothing.
    void TellLogTrouble(bool bEnding = false);
    // The port, "COM5", as the events name it.
    std::string EventPort() const;
    std::string LocalTimeText(const SYSTEMTIME& st) const;
    bool IsListening();
    // The status line's event says pszNew where it said pszShown: a port's state that a Stop or
    // a Start has made untrue.
    void ReplaceEventText(const char* pszShown, const char* pszNew);

    // Channel table and lamps
    void InitChannelList();
    void ShowLamp(int i);
    void SetLamp(int i, int bLit);
    // At m_nDpi: the list's column widths, and the lamp pictures' size.
    void SetColumnWidths();
    void LoadLampPictures();

    // Lights lamp i and (re)arms the one timer that darkens every lamp.
    void FlashLamp(int i, UINT nPeriod);
    // Appends a line to the day's log; lines the file cannot take now are tried again later.
    void WriteLogLine(const char* text);
    // Arms the log's retry while it has something to retry, once: re-armed for every line,
    // frames closer than its period would put it off for ever.
    void ArmLogRetry();

    // /today: the table from the notes of the day in the log, then from zero at each midnight.
    void OnRestoreToday();
    void StartNewDayIfDue();
    // Row i's cells: the notes counted, and the latest note's value (-1: none, "-").
    void ShowChannel(int i, int nNotes, int nValue);

    // CFrameOwner: what the decoder reports, shown and logged here
    void OnFrameStart() override;
    void OnNoteRead(int channel, int value, int count) override;
    void OnFrame(const unsigned char* pFrame, int nLength, const std::string& eventText) override;

    CLedIndicator m_ledMaster;
    CLedIndicator m_ledSlaver;
    CStatic m_stcLamp2;
    CListCtrl m_listChannels;
    HICON m_hIcon;
    PortSettings m_portSettings;
    CSerialLink m_serial;
    std::wstring m_strAppDir;
    LocalClock m_clock = SystemLocalTime; // the log's stamps and /today's day
    CDailyLog m_log;
    CFrameDecoder m_decoder; // m_bInFrame .. m_nRecvLen and m_anNoteCount live here
    int m_anLampLit[CFrameDecoder::kChannels] = {};
    int m_nChannels = CFrameDecoder::kChannels;
    BOOL m_bLogEnabled = FALSE;
    // Raised while the settings dialog runs its loop: a Setting command sent meanwhile (the
    // dialog disables this window, but a sent command still arrives) must not start another.
    bool m_bInSetting = false;
    // Raised while Close tells of unwritten log lines: a second Close meanwhile does nothing.
    bool m_bClosing = false;
    bool m_bLogRetryArmed = false;
    // /today: the day "YYYY-MM-DD" the table counts, once it has been read back; else empty.
    std::string m_strCountDay;
    bool m_bWorkerLeftBehind = false;
    LaunchOptions m_launch;
    // What the Application log is told, and when: the steady clock (milliseconds) and the local
    // time of the window's own events, which tests set.
    CEventLog m_events;
    ULONGLONG (*m_pfnTicks)() = ::GetTickCount64;
    LocalClock m_localClock = SystemLocalTime;
    CSilenceWatch m_silence;
    SYSTEMTIME m_stLastFrame = {}; // of the last valid frame, or of Start
    CEventThrottle m_counterfeitEvents{kCounterfeitEventMs};
    CEventThrottle m_lineErrorEvents{kLineErrorEventMs};
    CEventThrottle m_logLossEvents{kLineErrorEventMs};
    LineErrorCounts m_lineErrors; // counted since the last event
    size_t m_nLogLostTold = 0;
    bool m_bEndTold = false; // by TellEnd
    // Every lamp shows one of these two, so no lamp ever shows a freed bitmap and note reads
    // create no GDI objects. They outlive the window (see the destructor).
    CBitmap m_bmpLampDark;
    CBitmap m_bmpLampLit;
    // The DPI the window is laid out at (its monitor.s, or less where the work area is smaller),
    // and its controls. 96-dpi places to scale from.
    UINT m_nDpi = kBaseDpi;
    CDpiLayout m_layout;
    // Start/Stop, Setting, Close. Declared last: the buttons go first, Close first of them.
    CShadedButton m_btnCmd[3];
};
