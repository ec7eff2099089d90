// A dialog (or message box) with this caption, which the thread under test runs in its own modal
// loop, looked for from a helper thread for up to a minute; null if none came. Shown, not merely
// made: a modal dialog disables its owner between the two.
#pragma once

#include <windows.h>

inline HWND AwaitDialog(const char* pszCaption)
{
    HWND hWnd = nullptr;
    for (int i = 0; i < 6000 && !::IsWindowVisible(hWnd); ++i, ::Sleep(10))
        hWnd = ::FindWindowA("#32770", pszCaption);
    return ::IsWindowVisible(hWnd) ? hWnd : nullptr;
}
