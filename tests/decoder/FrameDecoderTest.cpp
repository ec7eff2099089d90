// Frame decoder: framing, checksum and the handlers' effects, seen through a recording owner.
#include "app/FrameDecoder.h"

#include <gtest/gtest.h>
#include <vector>

namespace
{
struct Recorder : CFrameOwner
{
    std::vector<std::string> events, logs;
    int slaverFlashes = 0;
    bool logEnabled = true;
    void SetEventText(const std::string& t) override { events.push_back(t); }
    void SetChannelText(int, int, const std::string&) override {}
    void FlashLamp(int, unsigned) override {}
    void FlashSlaver(unsigned) override { ++slaverFlashes; }
    bool IsLogEnabled() const override { return logEnabled; }
    void WriteLogLine(const char* t) override { logs.push_back(t); }
};
} // namespace

TEST(FrameDecoder, NoiseThenCounterfeitFrameIsDecoded)
{
    Recorder r;
    CFrameDecoder d(r);
    for (unsigned char b : {0x55, 0x92, 0x01, 0x02, 0x03, 0x98})
        d.OnSerialByte(b);
    ASSERT_EQ(r.events.size(), 1u);
    EXPECT_EQ(r.events[0], " OK  COUNTERFEIT MONEY");
    ASSERT_EQ(r.logs.size(), 1u);
    EXPECT_EQ(r.logs[0], "92 01 02 03 98");
}
