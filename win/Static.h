// CStatic: a window of the system "STATIC" class, created by us or bound from a template.
// Text, bitmap and icon display are the static control's own.
#pragma once

#include "win/Wnd.h"

class CStatic : public CWnd
{
public:
    BOOL Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                UINT nID = 0xFFFF)
    {
        return CreateEx(0, "STATIC", lpszText, dwStyle, rect, pParentWnd, nID);
    }
    // Shows hBitmap (SS_BITMAP); returns the bitmap shown before. The static does not take
    // ownership: the caller keeps both alive while shown and frees them.
    HBITMAP SetBitmap(HBITMAP hBitmap)
    {
        return reinterpret_cast<HBITMAP>(
            SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap)));
    }
    HBITMAP GetBitmap() const
    {
        return reinterpret_cast<HBITMAP>(::SendMessageA(m_hWnd, STM_GETIMAGE, IMAGE_BITMAP, 0));
    }
};
