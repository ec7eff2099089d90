// The DPI a window is drawn at, and a dialog laid out again at another DPI: every control at its
// 96-dpi place and size scaled, its text in the template's font at that DPI.
#pragma once

#include <vector>

#include <windows.h>

#include "win/DpiScale.h"
#include "win/GdiObject.h"

// The DPI of the window's monitor. Where user32 has no GetDpiForWindow (Windows 8.1, older
// Wine), shcore's GetDpiForMonitor; without either (Windows 7), the system's.
UINT GetWindowDpi(HWND hWnd);
RECT ScaleRectToDpi(const RECT& rc96, UINT dpi);

class CDpiLayout
{
public:
    // Reads template nIDTemplate and pairs its controls with hDlg's children; it also stops
    // the dialog manager from rescaling the dialog on its own. FALSE (a template that does not
    // match the children) leaves the layout to the dialog manager.
    BOOL Attach(HWND hDlg, UINT nIDTemplate);
    // The window made at dpi, laid out to fit the work area of its monitor (see Place); as the
    // dialog manager made it where that is 96 dpi and fits. Returns the DPI it is laid out at.
    UINT FitToWorkArea(UINT dpi);
    // Lays the window out at the largest DPI up to dpi at which it fits the work area of the
    // monitor under rcWanted, its client area exactly the layout's size there, at rcWanted's
    // top-left corner moved only as far as the work area needs (not while the user drags it).
    // Returns the DPI it is laid out at.
    UINT Place(UINT dpi, const RECT& rcWanted);
    // The client area's size at dpi.
    SIZE ClientSize(UINT dpi) const;

private:
    // Lays the children out at dpi and gives them the font at dpi.
    void ScaleTo(UINT dpi);

    struct Child
    {
        HWND hWnd;
        RECT rc96;
    };

    HWND m_hDlg = nullptr;
    SIZE m_client96 = {};
    int m_nPointSize = 0;
    UINT m_nCreatedDpi = kBaseDpi; // the dialog manager's font is made for this DPI
    std::vector<Child> m_children;
    CFont m_font; // the children's font at any other DPI
};
