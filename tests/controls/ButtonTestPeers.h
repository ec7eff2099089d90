// The control tests' view of the buttons', surfaces' and lamps' insides.
#pragma once

#include "controls/LedIndicator.h"
#include "controls/ShadedButton.h"

class CDibSurfaceTestPeer
{
public:
    static HBITMAP Section(const CDibSurface& s) { return s.m_section; }
    static HDC MemDC(const CDibSurface& s) { return s.m_memDC.m_hDC; }
};

class CShadedButtonTestPeer
{
public:
    static const CDibSurface& Normal(const CShadedButton& b) { return b.m_surfNormal; }
    static const CDibSurface& Hover(const CShadedButton& b) { return b.m_surfHover; }
};

class CIconButtonTestPeer
{
public:
    static BOOL& Hover(CIconButton& b) { return b.m_bHover; }
    static HICON Icon(const CIconButton& b, int nSlot) { return b.m_icons[nSlot].hIcon; }
    static DWORD IconWidth(const CIconButton& b, int nSlot) { return b.m_icons[nSlot].dwWidth; }
    static const char* Link(const CIconButton& b) { return b.m_szLink; }
    static HWND ToolTip(const CIconButton& b) { return b.m_tip.m_hWnd; }
};

// The lamp's picture and flash state, which its pixels show only once painted.
class CLedIndicatorTestPeer
{
public:
    static int Top(const CLedIndicator& led) { return led.m_nTop; }
    static int Column(const CLedIndicator& led) { return led.m_nColumn; }
    static bool IsFlashing(const CLedIndicator& led) { return led.m_bFlashing != FALSE; }
};
