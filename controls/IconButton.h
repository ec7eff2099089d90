// CIconButton: a dialog's push button made owner-drawn, with an icon beside its caption, a
// raised edge and lighter face while the mouse is over it, a one-pixel press and an embossed
// caption with a greyed icon when disabled. Towards the dialog manager it stays a push button:
// it can be the default button, answers WM_GETDLGCODE accordingly and lets every click reach
// its parent as BN_CLICKED.
//
// Built in rather than held, as no operation changes them: the flat look, an edge drawn while
// hovered or pressed, no focus rectangle, hover tracked even when no window of the thread is
// active, the image left of the caption, a face of its own (never the parent's pixels), the
// class cursor, no drop-down menu and icons only (no bitmap images).
#pragma once

#include <string>

#include "win/Button.h"
#include "win/Dc.h"
#include "win/GdiObject.h"
#include "win/Icon.h"
#include "win/Rect.h"
#include "win/ToolTipCtrl.h"

class CIconButton : public CButton
{
public:
    // Colour slots, filled from the system colours by ResetColors.
    enum
    {
        IBC_HOT_BK,    // face and caption background while hovered or pressed
        IBC_HOT_TEXT,  // caption while hovered or pressed
        IBC_IDLE_BK,   // face and caption background otherwise
        IBC_IDLE_TEXT, // caption otherwise
        IBC_FOCUS_BK,  // face while focused, neither hovered nor pressed
        IBC_FOCUS_TEXT,
        IBC_COUNT
    };
    // Results of LoadIcons and AttachIcons.
    enum : DWORD
    {
        IB_OK = 0,
        IB_BAD_IMAGE = 1 // GetIconInfo refused an icon: the button has none now
    };
    // As the second icon: a grey copy of the first is the resting icon.
    static constexpr UINT IB_AUTO_GREY = static_cast<UINT>(-2);

    CIconButton();
    ~CIconButton() override;

    // Icon nIcon of the executable's resources, and a resting icon (0: none, or IB_AUTO_GREY):
    // the images of the system's icon size, or after SetDpi those nearest 32 pixels at that DPI.
    DWORD LoadIcons(UINT nIcon, UINT nRestingIcon);
    // Icons sized for dpi from now on; icons LoadIcons gave are loaded again at that size.
    void SetDpi(UINT dpi);
    // Takes ownership of both; the icon shows while hovered or pressed, and also at rest when
    // there is no resting icon.
    DWORD AttachIcons(HICON hIcon, HICON hRestingIcon);
    DWORD ResetColors(BOOL bRepaint = TRUE);
    // An address opened when the button is clicked; null for none.
    DWORD SetLinkUrl(LPCSTR lpszUrl);
    // Only in check-box mode (a check box style in the template).
    DWORD SetCheckState(int nCheck, BOOL bRepaint = TRUE);
    int GetCheckState() const { return m_nChecked; }
    // A copy of hIcon with every pixel but pure black turned to its grey; null on failure.
    HICON MakeGreyIcon(HICON hIcon);
    void EndHover();

    void PreSubclassWindow() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

protected:
    // The background of the item; a skin replaces it.
    virtual DWORD PaintFace(CDC* pDC, const CRect* pRect);
    // The edge, raised while hovered, sunken while pressed.
    virtual DWORD PaintFrame(CDC* pDC, const CRect* pRect);

    BOOL m_bHover = FALSE;
    BOOL m_bPressed = FALSE; // as the current or last DrawItem drew it
    BOOL m_bFocused = 0;     // ODS_FOCUS of the item being drawn
    BOOL m_bDisabled = 0;    // ODS_DISABLED of the item being drawn
    BOOL m_bDefault = FALSE; // the dialog's default push button
    BOOL m_bCheckMode = FALSE;
    COLORREF m_aColors[IBC_COUNT] = {};
    int m_nChecked = 0;

private:
    struct IconSlot
    {
        CIcon hIcon;
        DWORD dwWidth = 0;
        DWORD dwHeight = 0;
    };

    void ReleaseImages();
    // Stores hIcon in slot and measures it; FALSE when GetIconInfo refuses it.
    static BOOL FillSlot(IconSlot& slot, HICON hIcon);
    void EnsureToolTip();
    void OnMouseMove(UINT nFlags, POINT point);
    LRESULT OnSetStyle(WPARAM wParam, LPARAM lParam);
    void OnClicked();
    void OnDisabled();
    CRect PlaceImage(bool bHasCaption, const CRect& rcItem, CRect& rcCaption, DWORD dwWidth,
                     DWORD dwHeight) const;
    void DrawIconImage(CDC& dc, bool bHasCaption, const CRect& rcItem, CRect& rcCaption);
    void DrawCaption(CDC& dc, const std::string& caption, CRect rcCaption);

    CToolTipCtrl m_tip;
    char m_szLink[260] = {};
    IconSlot m_icons[2];     // 0: hovered or pressed, and at rest without 1; 1: at rest
    UINT m_nDpi = 0;         // 0: the system's icon size
    UINT m_anLoaded[2] = {}; // what LoadIcons was given last

    friend class CIconButtonTestPeer;
};
