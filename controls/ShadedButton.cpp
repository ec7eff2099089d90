// CShadedButton: generating the faces from the window and painting the right one.
#include "controls/ShadedButton.h"

#include <cstdlib>

void CShadedButton::GenerateShade(unsigned kind, BYTE grain, BYTE hoverPercent, BYTE tintPercent,
                                  COLORREF tintColor)
{
    RECT rc = {};
    GetWindowRect(&rc);
    const ShadeColors colors = {::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_BTNFACE),
                                ::GetSysColor(COLOR_BTNSHADOW)};
    // The program never seeds rand: every run shows the same grain.
    GenerateShadeFaces(m_surfNormal, m_surfHover, rc.right - rc.left, rc.bottom - rc.top, kind,
                       grain, hoverPercent, tintPercent, tintColor, colors,
                       [] { return std::rand(); });
}

DWORD CShadedButton::PaintFace(CDC* pDC, const CRect*)
{
    const HDC hdc = pDC != nullptr ? pDC->GetSafeHdc() : nullptr;
    if (!m_bHover)
        m_surfNormal.Blit(hdc, 0, 0);
    else if (m_bPressed)
        m_surfHover.Blit(hdc, 1, 1);
    else
        m_surfHover.Blit(hdc, 0, 0);
    return 0;
}
