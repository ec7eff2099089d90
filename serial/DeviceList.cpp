// The present COM ports through SetupAPI: the Ports class (every COM port, also those whose
// driver offers no port interface), each with its device's instance ID, parent, first hardware
// ID and first location path, and its COM number from the device's PortName value.
#include "serial/DeviceList.h"

#include <cstdlib>
#include <cstring>

#include <windows.h>
#include <cfgmgr32.h>
#include <devguid.h>
#include <setupapi.h>

#include "win/HandleOwner.h"
#include "win/RegKey.h"

namespace
{
struct CDevInfoTraits
{
    using Handle = HDEVINFO;
    static HDEVINFO Taken(HDEVINFO h) { return h == INVALID_HANDLE_VALUE ? nullptr : h; }
    static void Destroy(HDEVINFO h) { ::SetupDiDestroyDeviceInfoList(h); }
};

std::string Property(HDEVINFO hInfo, SP_DEVINFO_DATA& device, DWORD dwProperty)
{
    char sz[1024] = ""; // a multi-string's first string is what is wanted
    ::SetupDiGetDeviceRegistryPropertyA(hInfo, &device, dwProperty, nullptr,
                                        reinterpret_cast<BYTE*>(sz), sizeof sz - 2, nullptr);
    sz[sizeof sz - 1] = '\0';
    return sz;
}

// "COM7" from the device's own registry key; 0 for anything else (LPT ports share the class).
int PortNumber(HDEVINFO hInfo, SP_DEVINFO_DATA& device)
{
    const HKEY hKey =
        ::SetupDiOpenDevRegKey(hInfo, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (hKey == INVALID_HANDLE_VALUE)
        return 0;
    const CRegKey key(hKey);
    char szName[32] = "";
    DWORD cb = sizeof szName - 1;
    DWORD dwType = 0;
    const LONG lResult =
        ::RegQueryValueExA(key, "PortName", nullptr, &dwType, reinterpret_cast<BYTE*>(szName), &cb);
    if (lResult != ERROR_SUCCESS || dwType != REG_SZ || _strnicmp(szName, "COM", 3) != 0)
        return 0;
    return std::atoi(szName + 3);
}

std::string ParentId(DEVINST devInst)
{
    DEVINST parent = 0;
    char sz[MAX_DEVICE_ID_LEN + 1] = "";
    if (::CM_Get_Parent(&parent, devInst, 0) != CR_SUCCESS ||
        ::CM_Get_Device_IDA(parent, sz, sizeof sz, 0) != CR_SUCCESS)
        return std::string();
    return sz;
}
} // namespace

std::vector<PresentPort> ListPresentPorts()
{
    std::vector<PresentPort> ports;
    const CHandleOwner<CDevInfoTraits> hInfo(
        ::SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT));
    if (!hInfo)
        return ports;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    for (DWORD i = 0; ::SetupDiEnumDeviceInfo(hInfo.Get(), i, &device); ++i)
    {
        PresentPort port;
        port.nPort = PortNumber(hInfo.Get(), device);
        char szId[MAX_DEVICE_ID_LEN + 1] = "";
        if (port.nPort == 0 ||
            !::SetupDiGetDeviceInstanceIdA(hInfo.Get(), &device, szId, sizeof szId, nullptr))
            continue;
        port.strInstanceId = szId;
        port.strParentId = ParentId(device.DevInst);
        port.strHardwareId = Property(hInfo.Get(), device, SPDRP_HARDWAREID);
        port.strLocation = Property(hInfo.Get(), device, SPDRP_LOCATION_PATHS);
        ports.push_back(port);
    }
    return ports;
}

DeviceListCalls CPortFollower::s_calls = {ListPresentPorts};

void CPortFollower::Learn(int nPort)
{
    for (const PresentPort& port : s_calls.pfnListPorts())
    {
        if (port.nPort == nPort)
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_known = IdentityOf(port);
            return;
        }
    }
}

void CPortFollower::SetKnown(const PortIdentity& identity)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_known = identity;
}

PortIdentity CPortFollower::Known() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_known;
}

PortMatch CPortFollower::Look(int nLost) const
{
    const PortIdentity known = Known();
    const PortMatch asBefore = {PortMatch::Found, nLost, {}};
    if (!known.IsKnown())
        return asBefore;
    const std::vector<PresentPort> present = s_calls.pfnListPorts();
    const PortMatch match = FindPort(known, present);
    if (match.verdict != PortMatch::None)
        return match;
    // The device is not there: its number is tried as before, unless another device holds it.
    for (const PresentPort& port : present)
        if (port.nPort == nLost)
            return PortMatch();
    return asBefore;
}
