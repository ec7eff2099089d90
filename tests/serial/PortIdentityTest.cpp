// Finding a known device among the present ports, from the strings the system lists them by.
#include <gtest/gtest.h>

#include "serial/PortIdentity.h"

namespace
{
// A CH340 without a serial number: Windows makes up the last part of its instance ID, and a
// new one in another socket. An FTDI adapter with serial A50285BI, a child of its bus driver.
const char kCh340Hw[] = "USB\\VID_1A86&PID_7523&REV_0264";
PresentPort Ch340(int nPort, const char* pszSocket)
{
    return {nPort, std::string("USB\\VID_1A86&PID_7523\\5&2F1B&0&") + pszSocket,
            "USB\\ROOT_HUB30\\4&1", kCh340Hw,
            std::string("PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(") + pszSocket + ")"};
}
PresentPort Ftdi(int nPort, const char* pszSerial, const char* pszSocket)
{
    return {nPort, std::string("FTDIBUS\\VID_0403+PID_6001+") + pszSerial + "A\\0000",
            std::string("USB\\VID_0403&PID_6001\\") + pszSerial,
            "FTDIBUS\\COMPORT&VID_0403&PID_6001",
            std::string("PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(") + pszSocket + ")"};
}

TEST(PortIdentityTest, TheKnownDeviceIsFoundByInstanceSerialLocationOrAloneByVidPidAndNeverGuessed)
{
    const PortIdentity ch340 = IdentityOf(Ch340(3, "2"));
    const PortIdentity ftdi = IdentityOf(Ftdi(4, "A50285BI", "2"));
    EXPECT_EQ(ftdi.strSerial, "A50285BI");
    EXPECT_EQ(ftdi.nVid, 0x0403u);
    EXPECT_EQ(ch340.strSerial, "") << "a made-up serial is no serial";
    EXPECT_EQ(ch340.nPid, 0x7523u);
    const auto F = PortMatch::Found, N = PortMatch::None, A = PortMatch::Ambiguous;
    const struct
    {
        const char* what;
        PortIdentity known;
        std::vector<PresentPort> present;
        PortMatch::Verdict verdict;
        int nPort;
    } cases[] = {
        {"the same instance", ch340, {Ftdi(5, "X1", "2"), Ch340(9, "2")}, F, 9},
        {"the same serial in another socket",
         ftdi,
         {Ch340(5, "2"), Ftdi(8, "A50285BI", "4")},
         F,
         8},
        {"another FTDI's serial", ftdi, {Ftdi(8, "B77", "2")}, N, 0},
        {"the same location, case aside",
         [&]
         {
             PortIdentity k = ch340;
             k.strInstanceId = "gone";
             return k;
         }(),
         {Ch340(8, "4"), Ch340(7, "2")},
         F,
         7},
        {"the only CH340, in another socket", ch340, {Ch340(7, "3"), Ftdi(6, "X1", "4")}, F, 7},
        {"two CH340 in other sockets", ch340, {Ch340(7, "3"), Ch340(8, "4")}, A, 0},
        {"a foreign device only", ch340, {Ftdi(7, "X1", "2")}, N, 0},
        {"nothing present", ftdi, {}, N, 0},
        {"nothing known", PortIdentity(), {Ch340(7, "3")}, N, 0},
    };
    for (const auto& c : cases)
    {
        const PortMatch match = FindPort(c.known, c.present);
        EXPECT_EQ(match.verdict, c.verdict) << c.what;
        EXPECT_EQ(match.nPort, c.nPort) << c.what;
    }
    EXPECT_EQ(FindPort(ch340, {Ch340(7, "3"), Ch340(8, "4")}).candidates, (std::vector<int>{7, 8}));
}
} // namespace
