// CToolTipCtrl: a tooltip window of the common controls, owned by its object. The control
// shows and hides itself from the mouse messages relayed to it.
#pragma once

#include <commctrl.h>

#include "win/Wnd.h"

class CToolTipCtrl : public CWnd
{
public:
    // A popup owned by pParentWnd; TTS_ALWAYSTIP is added so tips show in inactive windows too.
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = 0);
    void Activate(BOOL bActivate) { SendMessage(TTM_ACTIVATE, bActivate); }
    int SetMaxTipWidth(int iWidth)
    {
        return static_cast<int>(SendMessage(TTM_SETMAXTIPWIDTH, 0, iWidth));
    }
    void RelayEvent(MSG* pMsg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(pMsg)); }
};
