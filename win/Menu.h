// Menus. CMenuHandle is a non-owning view (e.g. of the system menu from GetSystemMenu);
// CMenu owns the menu it created or attached and destroys it when it dies.
#pragma once

#include <string>
#include <utility>

#include <windows.h>

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

class CMenu : public CMenuHandle
{
public:
    CMenu() = default;
    ~CMenu() { DestroyMenu(); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    BOOL CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
    BOOL Attach(HMENU hMenu)
    {
        if (m_hMenu != nullptr)
            return FALSE;
        m_hMenu = hMenu;
        return hMenu != nullptr;
    }
    HMENU Detach() { return std::exchange(m_hMenu, nullptr); }
    BOOL DestroyMenu()
    {
        return m_hMenu != nullptr && ::DestroyMenu(std::exchange(m_hMenu, nullptr));
    }
};
