// CCommSettingDlg: the modal dialog in which the operator picks the COM port, baud rate, data
// bits, stop bits and parity. It works on a copy of the line settings and hands back what its
// five editable boxes say; it neither opens the port nor writes the settings file.
#pragma once

#include <string>
#include <vector>

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
    // The port box's list: the ports Windows knows of that open now, or whose try has not
    // answered within kProbeBoundMs in all (they exist), in numeric order. The tries run off the
    // calling thread: a port that takes seconds to open (an unpaired radio link's) holds nothing.
    static std::vector<std::string> ListPorts();
    static constexpr DWORD kProbeBoundMs = 1000;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(UINT nID, UINT nCode) override;

private:
    friend class CCommSettingDlgTestPeer;

    // The system's side of the port list, which the tests' peer stands in for: the names Windows
    // lists in any order, and the try of one name.
    struct ProbeCalls
    {
        std::vector<std::string> (*pfnKnownPorts)();
        BOOL (*pfnTryPort)(const char* pszName);
    };
    static ProbeCalls s_probe;
    // The names under HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, where every serial port's driver
    // enters its port.
    static std::vector<std::string> SerialCommPorts();

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
