// The control wrappers' out-of-line parts: list view cells, combo box texts, tooltips, menus.
#include <string>

#include "win/ComboBox.h"
#include "win/ListCtrl.h"
#include "win/Menu.h"
#include "win/ToolTipCtrl.h"

int CListCtrl::InsertColumn(int nCol, LPCSTR lpszHeading, int nFormat, int nWidth, int nSubItem)
{
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT | LVCF_FMT;
    col.fmt = nFormat;
    col.pszText = const_cast<LPSTR>(lpszHeading);
    if (nWidth != -1)
    {
        col.mask |= LVCF_WIDTH;
        col.cx = nWidth;
    }
    if (nSubItem != -1)
    {
        col.mask |= LVCF_SUBITEM;
        col.iSubItem = nSubItem;
    }
    return static_cast<int>(
        SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(&col)));
}

int CListCtrl::InsertItem(int nItem, LPCSTR lpszItem)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = nItem;
    item.pszText = const_cast<LPSTR>(lpszItem);
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, LPCSTR lpszText)
{
    LVITEMA item = {};
    item.iSubItem = nSubItem;
    item.pszText = const_cast<LPSTR>(lpszText);
    return static_cast<BOOL>(
        SendMessage(LVM_SETITEMTEXTA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item)));
}

std::string CListCtrl::GetItemText(int nItem, int nSubItem) const
{
    // The list view cannot tell a text's length: grow the buffer until the text fits.
    std::string text(64, '\0');
    for (;;)
    {
        LVITEMA item = {};
        item.iSubItem = nSubItem;
        item.pszText = &text[0];
        item.cchTextMax = static_cast<int>(text.size());
        int n = static_cast<int>(::SendMessageA(
            m_hWnd, LVM_GETITEMTEXTA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item)));
        if (n < static_cast<int>(text.size()) - 1 || text.size() >= 0x100000)
        {
            text.resize(static_cast<size_t>(n > 0 ? n : 0));
            return text;
        }
        text.assign(text.size() * 2, '\0');
    }
}

int CComboBox::GetLBText(int nIndex, std::string& rString) const
{
    int n =
        static_cast<int>(::SendMessageA(m_hWnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex), 0));
    if (n == CB_ERR)
    {
        rString.clear();
        return CB_ERR;
    }
    rString.assign(static_cast<size_t>(n) + 1, '\0');
    n = static_cast<int>(::SendMessageA(m_hWnd, CB_GETLBTEXT, static_cast<WPARAM>(nIndex),
                                        reinterpret_cast<LPARAM>(&rString[0])));
    rString.resize(static_cast<size_t>(n > 0 ? n : 0));
    return n;
}

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle)
{
    RECT rc = {0, 0, 0, 0}; // a tooltip places and sizes itself
    return CreateEx(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | dwStyle, rc, pParentWnd,
                    0);
}

std::string CMenuHandle::GetMenuString(UINT nIDItem, UINT nFlags) const
{
    int n = ::GetMenuStringA(m_hMenu, nIDItem, nullptr, 0, nFlags);
    if (n <= 0)
        return std::string();
    std::string text(static_cast<size_t>(n) + 1, '\0');
    n = ::GetMenuStringA(m_hMenu, nIDItem, &text[0], n + 1, nFlags);
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    return text;
}
