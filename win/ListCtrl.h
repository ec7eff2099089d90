// CListCtrl: the common controls' list view (call InitCommonControlsEx with ICC_LISTVIEW_CLASSES
// first). Columns, rows and cell texts; the list view keeps the data.
#pragma once

#include <string>

#include <commctrl.h>

#include "win/Wnd.h"

class CListCtrl : public CWnd
{
public:
    // A width or sub-item of -1 leaves that field to the list view.
    int InsertColumn(int nCol, LPCSTR lpszHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1,
                     int nSubItem = -1);
    BOOL SetColumnWidth(int nCol, int cx)
    {
        return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(nCol), cx));
    }
    // Returns the new row's index, -1 on failure.
    int InsertItem(int nItem, LPCSTR lpszItem);
    BOOL SetItemText(int nItem, int nSubItem, LPCSTR lpszText);
    // The whole text of a cell, however long.
    std::string GetItemText(int nItem, int nSubItem) const;
    int GetItemCount() const
    {
        return static_cast<int>(::SendMessageA(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
    }
    BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
    // Replaces the whole extended style; returns the previous one.
    DWORD SetExtendedStyle(DWORD dwNewStyle)
    {
        return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, dwNewStyle));
    }
    DWORD GetExtendedStyle() const
    {
        return static_cast<DWORD>(::SendMessageA(m_hWnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    }
};
