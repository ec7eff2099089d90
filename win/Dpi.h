// The DPI a window is drawn at, and a dialog laid out again at another DPI: every control at its
// 96-dpi place and size scaled, its text in the template's font at that DPI.
#pragma once

#include <vector>

#include <windows.h>

#include "win/DpiScale.h"
#include "win/GdiObject.h"

// The window's DPI; where user32 has no GetDpiForWindow (before Windows 10, older Wine), that
// of its device context.
UINT GetWindowDpi(HWND hWnd);
RECT ScaleRectToDpi(const RECT& rc96, UINT dpi);

class CDpiLayout
{
public:
    // Reads template nIDTemplate and pairs its controls with hDlg's children; it also stops
    // the dialog manager from rescaling the dialog on its own. FALSE (a template that does not
    // match the children) leaves the layout to the dialog manager.
    BOOL Attach(HWND hDlg, UINT nIDTemplate);
    // Lays the children out at dpi and gives them the font at dpi; with bResizeClient the
    // client area takes its scaled size too, the window keeping its top-left corner.
    void ScaleTo(UINT dpi, bool bResizeClient);

private:
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
