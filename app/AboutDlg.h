// CAboutDlg: the About box reached from the system menu; its OK button ends it.
#pragma once

#include "res/resource.h"
#include "win/Dialog.h"

class CAboutDlg : public CDialog
{
public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
};
