// CComboBox: the system "COMBOBOX" control. List and edit field stay the control's; these are
// the messages spelled as calls.
#pragma once

#include <string>

#include "win/Wnd.h"

class CComboBox : public CWnd
{
public:
    int AddString(LPCSTR lpszString)
    {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszString)));
    }
    int InsertString(int nIndex, LPCSTR lpszString)
    {
        return static_cast<int>(SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(nIndex),
                                            reinterpret_cast<LPARAM>(lpszString)));
    }
    int DeleteString(int nIndex)
    {
        return static_cast<int>(SendMessage(CB_DELETESTRING, static_cast<WPARAM>(nIndex)));
    }
    void ResetContent() { SendMessage(CB_RESETCONTENT); }
    int GetCount() const { return static_cast<int>(::SendMessageA(m_hWnd, CB_GETCOUNT, 0, 0)); }
    int GetCurSel() const { return static_cast<int>(::SendMessageA(m_hWnd, CB_GETCURSEL, 0, 0)); }
    int SetCurSel(int nSelect)
    {
        return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nSelect)));
    }
    // Exact, case-insensitive match from the start; -1 (CB_ERR) when absent.
    int FindStringExact(int nIndexStart, LPCSTR lpszFind) const
    {
        return static_cast<int>(::SendMessageA(m_hWnd, CB_FINDSTRINGEXACT,
                                               static_cast<WPARAM>(nIndexStart),
                                               reinterpret_cast<LPARAM>(lpszFind)));
    }
    // The text of item nIndex; returns its length, or -1 (CB_ERR) for a bad index.
    int GetLBText(int nIndex, std::string& rString) const;
};
