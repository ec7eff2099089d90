// The communication settings dialog: texts made from the line settings, the list of ports that
// open now, and the texts parsed back.
#include "settings/CommSettingDlg.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>

#include "res/resource.h"
#include "serial/PortName.h"
#include "win/KernelHandle.h"
#include "win/RegKey.h"
#include "win/Text.h"
#include "win/Thread.h"

namespace
{
// What the tries share with the dialog, which may have moved on before the last one answers.
struct CPortProbe
{
    std::vector<std::string> names;
    BOOL (*pfnTry)(const char*) = nullptr;
    std::unique_ptr<std::atomic<int>[]> anVerdict; // 0: no answer yet, 1: opens, 2: does not
    std::atomic<size_t> nNext{0};
    std::atomic<size_t> nAnswered{0};
    CKernelHandle hAllAnswered;
};
// At most this many tries at once: one that blocks holds only its own thread.
constexpr size_t kProbeThreads = 8;

UINT TryPorts(LPVOID pParam)
{
    const std::unique_ptr<std::shared_ptr<CPortProbe>> pProbe(
        static_cast<std::shared_ptr<CPortProbe>*>(pParam));
    CPortProbe& probe = **pProbe;
    for (size_t i = 0; (i = probe.nNext++) < probe.names.size();)
    {
        probe.anVerdict[i] = probe.pfnTry(probe.names[i].c_str()) ? 1 : 2;
        if (++probe.nAnswered == probe.names.size())
            ::SetEvent(probe.hAllAnswered.Get());
    }
    return 0;
}
} // namespace

CCommSettingDlg::ProbeCalls CCommSettingDlg::s_probe = {CCommSettingDlg::SerialCommPorts,
                                                        CCommSettingDlg::PortExists};

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

std::vector<std::string> CCommSettingDlg::SerialCommPorts()
{
    std::vector<std::string> names;
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                        &hKey) != ERROR_SUCCESS)
        return names;
    const CRegKey key(hKey);
    for (DWORD i = 0;; ++i)
    {
        char szValue[256] = "";
        DWORD cchValue = sizeof szValue;
        char szData[64] = "";
        DWORD cbData = sizeof szData - 1; // room for the end a stored text may lack
        DWORD dwType = 0;
        const LONG nResult = ::RegEnumValueA(key, i, szValue, &cchValue, nullptr, &dwType,
                                             reinterpret_cast<BYTE*>(szData), &cbData);
        if (nResult == ERROR_NO_MORE_ITEMS)
            break;
        if (nResult == ERROR_SUCCESS && dwType == REG_SZ)
            names.push_back(szData);
    }
    return names;
}

std::vector<std::string> CCommSettingDlg::ListPorts()
{
    const auto probe = std::make_shared<CPortProbe>();
    probe->names = SortedPortNames(s_probe.pfnKnownPorts());
    probe->pfnTry = s_probe.pfnTryPort;
    const size_t nNames = probe->names.size();
    probe->anVerdict = std::make_unique<std::atomic<int>[]>(nNames);
    probe->hAllAnswered.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    size_t nThreads = 0;
    for (; nThreads < std::min(kProbeThreads, nNames); ++nThreads)
    {
        // Only the handle goes with this object: the tries go on without the dialog.
        CThread thread;
        auto pShare = std::make_unique<std::shared_ptr<CPortProbe>>(probe);
        if (!thread.Begin(TryPorts, pShare.get()))
            break;
        static_cast<void>(pShare.release()); // the thread owns it now
    }
    // The bound holds this thread about a second at worst, and nothing waits for it meanwhile:
    // Setting is reached only while no serial worker runs.
    if (nThreads != 0)
        ::WaitForSingleObject(probe->hAllAnswered.Get(), kProbeBoundMs);
    else if (nNames != 0) // no thread to be had: the tries run here, unbounded, as they once did
        TryPorts(std::make_unique<std::shared_ptr<CPortProbe>>(probe).release());
    std::vector<std::string> ports;
    for (size_t i = 0; i < nNames; ++i)
        if (probe->anVerdict[i] != 2)
            ports.push_back(probe->names[i]);
    return ports;
}

BOOL CCommSettingDlg::OnInitDialog()
{
    CDialog::OnInitDialog(); // binds the port box; the four fixed lists are in place already

    for (const std::string& strName : ListPorts())
        m_comboPort.AddString(strName.c_str());

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
