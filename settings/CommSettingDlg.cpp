// The communication settings dialog: texts made from the line settings, the list of ports that
// open now, and the texts parsed back.
#include "settings/CommSettingDlg.h"

#include <cstdlib>

#include "res/resource.h"
#include "serial/PortName.h"
#include "win/KernelHandle.h"
#include "win/Text.h"

CCommSettingDlg::CCommSettingDlg(CWnd* pParent) : CDialog(IDD_COMM_SETTING, pParent) {}

CCommSettingDlg::~CCommSettingDlg()
{
    // A modal run has destroyed the window already; a modeless one goes before the members.
    if (m_hWnd != nullptr)
        DestroyWindow();
}

void CCommSettingDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_COMM_PORT, m_comboPort);
}

BOOL CCommSettingDlg::OnCommand(UINT nID, UINT nCode)
{
    if (nCode == BN_CLICKED && nID == IDC_COMM_OK)
        OnOkButton();
    else if (nCode == BN_CLICKED && nID == IDC_COMM_CANCEL)
        OnCancelButton();
    else
        return CDialog::OnCommand(nID, nCode);
    return TRUE;
}

void CCommSettingDlg::SetSettings(PortSettings settings)
{
    m_settings = settings;
    m_strPort = PortName(m_settings.nPort);
    m_strStopBits = Format("%d", m_settings.nStopBits);
    m_strDataBits = Format("%d", m_settings.nDataBits);
    m_strBaud = Format("%d", m_settings.nBaud);
    if (m_settings.cParity == 'E')
        m_strParity = "EVEN";
    else if (m_settings.cParity == 'O')
        m_strParity = "ODD";
    else
        m_strParity = "NONE";
}

PortSettings CCommSettingDlg::GetSettings()
{
    ParsePortName(m_strPort, m_settings.nPort); // a text that is no port keeps the old one
    m_settings.nBaud = std::atoi(m_strBaud.c_str());
    m_settings.nDataBits = std::atoi(m_strDataBits.c_str());
    m_settings.nStopBits = std::atoi(m_strStopBits.c_str());
    m_settings.cParity = m_strParity.c_str()[0]; // an empty text gives the character 0
    return m_settings;
}

BOOL CCommSettingDlg::PortExists(const char* pszName)
{
    // The device namespace, as the serial link opens it: plain "COM10" and above never open.
    // Not shared: a port another program holds fails here and is left out of the list.
    CKernelHandle hPort(::CreateFileA(PortDevicePath(pszName).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      0, nullptr, OPEN_EXISTING, 0, nullptr));
    return hPort ? TRUE : FALSE;
}

BOOL CCommSettingDlg::OnInitDialog()
{
    CDialog::OnInitDialog(); // binds the port box; the four fixed lists are in place already

    for (int i = 1; i <= kMaxPortNumber; ++i)
    {
        const std::string strName = PortName(i);
        if (PortExists(strName.c_str()))
            m_comboPort.AddString(strName.c_str());
    }

    // Shown even when not an item of the list: a port that is absent now keeps its number.
    SetDlgItemText(IDC_COMM_PORT, m_strPort.c_str());
    SetDlgItemText(IDC_COMM_BAUD, m_strBaud.c_str());
    SetDlgItemText(IDC_COMM_STOPBITS, m_strStopBits.c_str());
    SetDlgItemText(IDC_COMM_DATABITS, m_strDataBits.c_str());
    SetDlgItemText(IDC_COMM_PARITY, m_strParity.c_str());
    SetWindowText("Communication selection");
    return TRUE;
}

void CCommSettingDlg::OnOkButton()
{
    GetDlgItemText(IDC_COMM_PORT, m_strPort);
    GetDlgItemText(IDC_COMM_BAUD, m_strBaud);
    GetDlgItemText(IDC_COMM_STOPBITS, m_strStopBits);
    GetDlgItemText(IDC_COMM_DATABITS, m_strDataBits);
    GetDlgItemText(IDC_COMM_PARITY, m_strParity);
    CDialog::OnOK();
}

void CCommSettingDlg::OnCancelButton()
{
    CDialog::OnCancel();
}

// Enter in a box arrives as IDOK (no button is the default): it keeps what was typed, as OK does.
void CCommSettingDlg::OnOK()
{
    OnOkButton();
}
