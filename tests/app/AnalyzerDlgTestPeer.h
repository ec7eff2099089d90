// The tests' and benchmarks' view of the main window's insides: the lamp state and pictures,
// the line settings, the decoder and the layout's DPI, none of which the window shows as such.
#pragma once

#include "app/AnalyzerDlg.h"

class CAnalyzerDlgTestPeer
{
public:
    static int IsLampLit(const CAnalyzerDlg& dlg, int i) { return dlg.m_anLampLit[i]; }
    static HBITMAP LampBitmap(const CAnalyzerDlg& dlg, bool bLit)
    {
        return bLit ? dlg.m_bmpLampLit : dlg.m_bmpLampDark;
    }
    static const PortSettings& Settings(const CAnalyzerDlg& dlg) { return dlg.m_portSettings; }
    static const CFrameDecoder& Decoder(const CAnalyzerDlg& dlg) { return dlg.m_decoder; }
    // A log that stamps its lines with the clock's times instead, and the days /today counts.
    static void SetLogClock(CAnalyzerDlg& dlg, LocalClock clock)
    {
        dlg.m_clock = clock;
        dlg.m_log = CDailyLog(dlg.m_strAppDir, std::move(clock));
    }
    // The DPI the window is laid out at, and its client area's size there.
    static UINT LayoutDpi(const CAnalyzerDlg& dlg) { return dlg.m_nDpi; }
    static SIZE LayoutClient(const CAnalyzerDlg& dlg)
    {
        return dlg.m_layout.ClientSize(dlg.m_nDpi);
    }
};
