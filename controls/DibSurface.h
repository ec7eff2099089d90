// CDibSurface: a 256-colour picture kept as a packed DIB in memory, painted through a DIB
// section and a memory DC that it makes from the first DC it is painted on and keeps until the
// block is rebuilt or released.
#pragma once

#include <windows.h>

#include "controls/DibBlock.h"
#include "win/Dc.h"
#include "win/GdiObject.h"

class CDibSurface : public CDibBlock
{
public:
    CDibSurface() = default;
    ~CDibSurface() override { Release(); }

    // Draws the whole surface with its top-left corner at (x, y) of hdc. Draws nothing, and
    // tries again next time, when the section or the memory DC cannot be made.
    void Blit(HDC hdc, int x, int y);

protected:
    void ReleaseDerived() override;

private:
    CBitmap m_section;
    CMemoryDC m_memDC;              // declared after the section: deleted before it
    void* m_pSectionBits = nullptr; // the section's own pixel memory

    friend class CDibSurfaceTestPeer;
};
