// Menus. CMenuHandle is a non-owning view (e.g. of the system menu from GetSystemMenu);
// CMenu owns the menu it created or took and destroys it when it dies.
#pragma once

#include <string>

#include <windows.h>

#include "win/HandleOwner.h"

class CMenuHandle
{
public:
    CMenuHandle() = default;
    explicit CMenuHandle(HMENU hMenu) : m_hMenu(hMenu) {}

    HMENU m_hMenu = nullptr;
    operator HMENU() const { return m_hMenu; }
    HMENU GetSafeHmenu() const { return m_hMenu; }

    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = nullptr)
    {
        return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
    }
    int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
    UINT GetMenuItemID(int nPos) const { return ::GetMenuItemID(m_hMenu, nPos); }
    // The text of an item (nFlags MF_BYPOSITION or MF_BYCOMMAND).
    std::string GetMenuString(UINT nIDItem, UINT nFlags) const;
    UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable)
    {
        return ::EnableMenuItem(m_hMenu, nIDEnableItem, nEnable);
    }
};

struct CMenuTraits : CHandleTraits<HMENU>
{
    static void Destroy(HMENU h) { ::DestroyMenu(h); }
};

// Its items are reached through a CMenuHandle view of it.
class CMenu : public CHandleOwner<CMenuTraits>
{
public:
    using CHandleOwner::CHandleOwner;
    BOOL CreatePopupMenu()
    {
        return Make([] { return ::CreatePopupMenu(); });
    }
};
