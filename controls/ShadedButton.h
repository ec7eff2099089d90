// CShadedButton: an icon button whose face is a generated, finely grained shaded picture in the
// system's 3-D colours rather than a flat fill, with a lighter copy shown while the mouse is
// over it. The icon, caption and edge are drawn over it by CIconButton.
#pragma once

#include "controls/DibSurface.h"
#include "controls/IconButton.h"
#include "controls/ShadePattern.h"

class CShadedButton : public CIconButton
{
public:
    CShadedButton() = default;
    ~CShadedButton() override = default;

    // Builds both faces from the window's present size and system colours (see ShadeKind);
    // the noise comes from the C runtime's rand, one number a pixel.
    void GenerateShade(unsigned kind, BYTE grain, BYTE hoverPercent, BYTE tintPercent,
                       COLORREF tintColor);

protected:
    // The face covers the whole window from its corner, whatever pRect says; pressed under the
    // mouse it moves one pixel right and down.
    DWORD PaintFace(CDC* pDC, const CRect* pRect) override;

private:
    CDibSurface m_surfNormal;
    CDibSurface m_surfHover; // destroyed first

    friend class CShadedButtonTestPeer;
};
