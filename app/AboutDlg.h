// CAboutDlg: the About box reached from the system menu; its OK button ends it.
#pragma once

#include "res/resource.h"
#include "win/Dialog.h"

class CAboutDlg : public CDialog
{
public:
    // The main window passes itself, so the box is modal over it as the user expects.
    explicit CAboutDlg(CWnd* pParent = nullptr) : CDialog(IDD_ABOUTBOX, pParent) {}
};
