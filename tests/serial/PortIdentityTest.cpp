// Finding a known device among the present ports, from the strings the system lists them by.
#include <gtest/gtest.h>

#include "serial/PortIdentity.h"
#include "tests/common/PlayedPorts.h"

namespace
{
TEST(PortIdentityTest, TheKnownDeviceIsFoundByInstanceSerialLocationOrAloneByVidPidAndNeverGuessed)
{
    const PortIdentity ch340 = IdentityOf(Ch340At(3, "2"));
    const PortIdentity ftdi = IdentityOf(FtdiAt(4, "A50285BI", "2"));
    EXPECT_EQ(ftdi.strSerial, "A50285BI");
    EXPECT_EQ(ftdi.nVid, 0x0403u);
    EXPECT_EQ(ch340.strSerial, "") << "a made-up serial is no serial";
    EXPECT_EQ(ch340.nPid, 0x7523u);
    PortIdentity unplugged = ch340; // its instance ID is made anew, even in the same socket
    unplugged.strInstanceId += "0";
    const auto F = PortMatch::Found, N = PortMatch::None, A = PortMatch::Ambiguous;
    const struct
    {
        const char* what;
        PortIdentity known;
        std::vector<PresentPort> present;
        PortMatch::Verdict verdict;
        int nPort;
    } cases[] = {
        {"the same instance", ch340, {FtdiAt(5, "X1", "2"), Ch340At(9, "2")}, F, 9},
        {"the same serial, elsewhere", ftdi, {Ch340At(5, "2"), FtdiAt(8, "A50285BI", "4")}, F, 8},
        {"another FTDI's serial", ftdi, {FtdiAt(8, "B77", "2")}, N, 0},
        {"the same socket", unplugged, {Ch340At(8, "4"), Ch340At(7, "2")}, F, 7},
        {"the only CH340, in another socket", ch340, {Ch340At(7, "3"), FtdiAt(6, "X1", "4")}, F, 7},
        {"two CH340 in other sockets", ch340, {Ch340At(7, "3"), Ch340At(8, "4")}, A, 0},
        {"a foreign device only", ch340, {FtdiAt(7, "X1", "2")}, N, 0},
        {"nothing present", ftdi, {}, N, 0},
        {"nothing known", PortIdentity(), {Ch340At(7, "3")}, N, 0},
    };
    for (const auto& c : cases)
    {
        const PortMatch match = FindPort(c.known, c.present);
        EXPECT_EQ(match.verdict, c.verdict) << c.what;
        EXPECT_EQ(match.nPort, c.nPort) << c.what;
    }
    EXPECT_EQ(FindPort(ch340, {Ch340At(7, "3"), Ch340At(8, "4")}).candidates,
              (std::vector<int>{7, 8}));
}
} // namespace
