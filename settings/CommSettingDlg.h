// CCommSettingDlg: the modal dialog in which the operator picks the COM port, baud rate, data
// bits, stop bits and parity. It works on a copy of the line settings and hands back what its
// five editable boxes say; it neither opens the port nor writes the settings file.
#pragma once

#include <string>

#include "settings/PortSettings.h"
#include "win/ComboBox.h"
#include "win/Dialog.h"

class CCommSettingDlg : public CDialog
{
public:
    explicit CCommSettingDlg(CWnd* pParent = nullptr);
    ~CCommSettingDlg() override;

    // Takes all six fields and makes the boxes' texts from them.
    void SetSettings(PortSettings settings);
    // Parses the texts, however the dialog was closed, into the settings and returns them. Not
    // validated: a port text that is not "COM<n>" with n in 1..256 keeps the old number, the
    // numbers are atoi values, the parity is the text's first character.
    PortSettings GetSettings();
    // Whether the port of that name ("COM7") can be opened right now.
    static BOOL PortExists(const char* pszName);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(UINT nID, UINT nCode) override;

private:
    friend class CCommSettingDlgTestPeer;

    void OnOkButton();
    void OnCancelButton();

    CComboBox m_comboPort;
    PortSettings m_settings;
    std::string m_strPort = "COM1";
    std::string m_strBaud = "9600";
    std::string m_strParity = "NONE";
    std::string m_strDataBits = "8";
    std::string m_strStopBits = "1";
};
