// Port identities from the system's device strings, and the match of a known one.
#include "serial/PortIdentity.h"

#include <cctype>
#include <cstdlib>
#include <functional>

namespace
{
std::string Upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The hexadecimal number after szKey ("VID_") in an ID, 0 when absent.
unsigned HexAfter(const std::string& strId, const char* pszKey)
{
    const size_t at = strId.find(pszKey);
    if (at == std::string::npos)
        return 0;
    return static_cast<unsigned>(std::strtoul(strId.c_str() + at + 4, nullptr, 16));
}

// A USB device's instance ID ends in its serial number; Windows makes one up, with '&' in it,
// for a device that has none, and that one changes with the socket.
std::string UsbSerial(const std::string& strId)
{
    const size_t slash = strId.rfind('\\');
    if (strId.compare(0, 4, "USB\\") != 0 || slash == std::string::npos || slash < 4)
        return std::string();
    const std::string strLast = strId.substr(slash + 1);
    return strLast.find('&') == std::string::npos ? strLast : std::string();
}

// A device with a serial number always reports it: one with another, or none, is another device.
bool SameDeviceKind(const PortIdentity& known, const PortIdentity& other)
{
    return known.nVid == other.nVid && known.nPid == other.nPid &&
           known.strSerial == other.strSerial;
}
} // namespace

PortIdentity IdentityOf(const PresentPort& port)
{
    PortIdentity id;
    id.strInstanceId = Upper(port.strInstanceId);
    id.strLocation = Upper(port.strLocation);
    const std::string strHardware = Upper(port.strHardwareId);
    const std::string strParent = Upper(port.strParentId);
    const std::string& strIds = strHardware.find("VID_") != std::string::npos ? strHardware
                                : id.strInstanceId.find("VID_") != std::string::npos
                                    ? id.strInstanceId
                                    : strParent;
    id.nVid = HexAfter(strIds, "VID_");
    id.nPid = HexAfter(strIds, "PID_");
    // The port itself is the USB device (a CDC or CH340 driver), or its bus driver's child.
    id.strSerial = UsbSerial(id.strInstanceId);
    if (id.strSerial.empty())
        id.strSerial = UsbSerial(strParent);
    return id;
}

PortMatch FindPort(const PortIdentity& known, const std::vector<PresentPort>& present)
{
    std::vector<PortIdentity> ids;
    for (const PresentPort& port : present)
        ids.push_back(IdentityOf(port));
    // The ports that pass, unless two or more do: then the rule decides nothing.
    auto byRule = [&](const std::function<bool(const PortIdentity&)>& rule)
    {
        PortMatch match;
        for (size_t i = 0; i < ids.size(); ++i)
            if (rule(ids[i]))
                match.candidates.push_back(present[i].nPort);
        if (match.candidates.size() == 1)
            match = {PortMatch::Found, match.candidates[0], {}};
        else if (match.candidates.size() > 1)
            match.verdict = PortMatch::Ambiguous;
        return match;
    };
    const std::vector<std::function<bool(const PortIdentity&)>> rules = {
        [&](const PortIdentity& id)
        { return known.IsKnown() && id.strInstanceId == Upper(known.strInstanceId); },
        [&](const PortIdentity& id)
        {
            return !known.strSerial.empty() && id.strSerial == known.strSerial &&
                   SameDeviceKind(known, id);
        },
        [&](const PortIdentity& id)
        {
            return !known.strLocation.empty() && id.strLocation == known.strLocation &&
                   SameDeviceKind(known, id);
        },
        [&](const PortIdentity& id) { return known.nVid != 0 && SameDeviceKind(known, id); },
    };
    for (const auto& rule : rules)
    {
        const PortMatch match = byRule(rule);
        if (match.verdict != PortMatch::None)
            return match;
    }
    return PortMatch();
}
