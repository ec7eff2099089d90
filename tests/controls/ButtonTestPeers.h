// The button tests' view of the buttons' and surfaces' insides.
#pragma once

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
