// Waiting, on a helper thread, for a dialog or message box that the thread under test runs in
// its own modal loop.
#pragma once

#include <windows.h>

// A dialog (or message box) with this caption, looked for from another thread for up to a
// minute; null if none came.
// Shown, not merely made: a modal dialog disables its owner between the two.
inline HWND AwaitDialog(const char* pszCaption)
{
    HWND hWnd = nullptr;
    for (int i = 0; i < 6000 && !::IsWindowVisible(hWnd); ++i, ::Sleep(10))
        hWnd = ::FindWindowA("#32770", pszCaption);
    return ::IsWindowVisible(hWnd) ? hWnd : nullptr;
}
