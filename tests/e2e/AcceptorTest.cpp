// The virtual acceptor: its traffic, its files, and above all that its echo names exactly the
// frames the real decoder accepts from the bytes it sends, faults and all.
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#include "frames/FrameDecoder.h"
#include "tools/acceptor/AcceptorRun.h"

namespace
{
// Keeps the bytes and the times asked for; optionally stops at a time or falls short.
struct MemorySink : CByteSink
{
    Bytes bytes;
    std::vector<double> waits;
    double stopAt = 1e300;
    std::size_t budget = static_cast<std::size_t>(-1); // bytes it still takes

    bool WaitUntil(double seconds) override
    {
        waits.push_back(seconds);
        return seconds < stopAt;
    }
    std::size_t Send(const Bytes& b) override
    {
        const std::size_t n = b.size() < budget ? b.size() : budget;
        bytes.insert(bytes.end(), b.begin(), b.begin() + static_cast<long>(n));
        budget -= n;
        return n;
    }
};

struct LogRecorder : CFrameOwner
{
    std::vector<std::string> logs;
    void OnFrameStart() override {}
    void OnNoteRead(int, int, int) override {}
    void OnFrame(const unsigned char* pFrame, int nLength, const std::string&) override
    {
        logs.push_back(HexDump(pFrame, nLength));
    }
};

std::vector<std::string> UnmarkedLines(const std::string& echo)
{
    std::vector<std::string> lines;
    std::istringstream in(echo);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind('#', 0) != 0)
            lines.push_back(line);
    return lines;
}

struct Outcome
{
    RunCounts counts;
    std::vector<std::string> echoed, logged;
    bool decoderInFrame = false, modelHunting = true;
    std::string echo;
};

Outcome RunThroughDecoder(std::uint64_t seed, const FaultRates& rates, std::uint64_t count,
                          MemorySink sink = {})
{
    std::ostringstream echo;
    CAcceptorRun run(sink, &echo, seed, rates);
    run.Run(PacedSource({}, false, seed, count, 100, false));
    LogRecorder owner;
    CFrameDecoder decoder(owner);
    for (std::uint8_t b : sink.bytes)
        decoder.OnSerialByte(b);
    return {run.Counts(),      UnmarkedLines(echo.str()), owner.logs,
            decoder.InFrame(), run.Model().Hunting(),     echo.str()};
}
} // namespace

TEST(Acceptor, RandomTrafficIsWellFormedRealisticAndRepeatable)
{
    CTrafficGenerator a(42), b(42), c(43);
    int kinds[256] = {};
    bool differs = false;
    for (int i = 0; i < 3000; ++i)
    {
        const Bytes f = a.Next();
        ASSERT_EQ(f, b.Next()) << "same seed, same traffic";
        differs = differs || f != c.Next();
        ASSERT_EQ(f.size(), FrameLengthOf(f[0])) << HexText(f);
        ASSERT_TRUE(HasGoodChecksum(f)) << HexText(f);
        ++kinds[f[0]];
        if (f[0] == kLeadNoteRead)
        {
            ASSERT_GE(f[13], 1);
            ASSERT_LE(f[13], 12);
            EXPECT_EQ(f[3], CTrafficGenerator::NoteValueOf(f[13])) << HexText(f);
        }
    }
    EXPECT_TRUE(differs);
    EXPECT_GT(kinds[kLeadNoteRead], 2000);
    EXPECT_GT(kinds[kLeadOk], 0);
    EXPECT_GT(kinds[kLeadBlock], 0);
    EXPECT_GT(kinds[kLeadCounterfeit], 0);
}

TEST(Acceptor, EchoNamesExactlyTheFramesTheDecoderAccepts)
{
    struct Case
    {
        const char* name;
        FaultRates rates;
    };
    const Case cases[] = {
        {"clean", {0, 0, 0}},  {"bad checksums", {0.3, 0, 0}},  {"noise", {0, 0.5, 0}},
        {"cuts", {0, 0, 0.3}}, {"all faults", {0.2, 0.3, 0.2}}, {"nearly all cut", {0.1, 0.5, 0.9}},
    };
    for (const Case& c : cases)
    {
        for (std::uint64_t seed = 1; seed <= 20; ++seed)
        {
            const Outcome o = RunThroughDecoder(seed, c.rates, 300);
            ASSERT_EQ(o.echoed, o.logged) << c.name << ", seed " << seed << "\n" << o.echo;
            ASSERT_EQ(o.decoderInFrame, !o.modelHunting) << c.name << ", seed " << seed;
            EXPECT_EQ(o.counts.frames, 300u);
            EXPECT_EQ(o.echoed.size(), o.counts.accepted + o.counts.other);
            if (c.rates.cut == 0)
            {
                // Without cuts the stream stays in step: every frame is taken as sent.
                EXPECT_EQ(o.counts.accepted, 300u - o.counts.badChecksum) << c.name;
                EXPECT_EQ(o.counts.other, 0u) << c.name;
            }
        }
    }
    // The fault rates are honoured roughly, and a cut costs the frame after it as well.
    const Outcome all = RunThroughDecoder(5, {0.2, 0.3, 0.2}, 2000);
    EXPECT_NEAR(static_cast<double>(all.counts.badChecksum), 400, 120);
    EXPECT_NEAR(static_cast<double>(all.counts.noise), 600, 150);
    EXPECT_NEAR(static_cast<double>(all.counts.cut), 400, 120);
    EXPECT_LT(all.counts.accepted, 2000u - all.counts.badChecksum - all.counts.cut);
}

TEST(Acceptor, StoppedOrShortRunsStillEchoWhatTheDecoderSees)
{
    MemorySink stopping;
    stopping.stopAt = 0.5; // the 51st frame's time at 100 frames a second
    const Outcome stopped = RunThroughDecoder(9, {0.1, 0.2, 0.2}, 0, stopping);
    EXPECT_EQ(stopped.counts.frames, 50u);
    EXPECT_EQ(stopped.echoed, stopped.logged) << stopped.echo;

    for (std::size_t budget : {3u, 17u, 200u, 777u})
    {
        MemorySink shortSink;
        shortSink.budget = budget; // the line gives out midway through a piece
        const Outcome cutShort = RunThroughDecoder(11, {0.1, 0.2, 0.2}, 1000, shortSink);
        EXPECT_EQ(cutShort.echoed, cutShort.logged) << cutShort.echo;
        EXPECT_EQ(cutShort.decoderInFrame, !cutShort.modelHunting) << budget;
        EXPECT_NE(cutShort.echo.find("# interrupted "), std::string::npos) << budget;
    }
}

TEST(Acceptor, SourcesArePacedByRateOrStampsAndLimitedByCount)
{
    auto times = [](CAcceptorRun::Source s)
    {
        std::vector<double> t;
        SourceFrame f;
        while (s(f))
            t.push_back(f.atSeconds);
        return t;
    };
    EXPECT_EQ(times(PacedSource({}, false, 1, 4, 4, false)),
              (std::vector<double>{0, 0.25, 0.5, 0.75}));
    EXPECT_EQ(times(PacedSource({}, false, 1, 3, 4, true)), (std::vector<double>{0, 0, 0}));

    const std::vector<SourceFrame> stamped = {{{0x98, 0, 0, 0, 0x98}, 0},
                                              {{0x98, 0, 0, 0, 0x98}, 7}};
    EXPECT_EQ(times(PacedSource(stamped, true, 1, 0, 4, false)), (std::vector<double>{0, 7}));
    EXPECT_EQ(times(PacedSource(stamped, true, 1, 0, 4, true)), (std::vector<double>{0, 0}));
    EXPECT_EQ(times(PacedSource(stamped, true, 1, 1, 4, false)), (std::vector<double>{0}));
    const std::vector<SourceFrame> unstamped(3, SourceFrame{{0x98, 0, 0, 0, 0x98}, -1});
    EXPECT_EQ(times(PacedSource(unstamped, true, 1, 0, 2, false)),
              (std::vector<double>{0, 0.5, 1}));
}

TEST(Acceptor, HexFramesFileIsReadLineByLine)
{
    std::vector<SourceFrame> frames;
    std::string error;
    std::istringstream good("92 01 02 03 98\r\n"
                            "\n"
                            "# a comment, as an echo writes them\n"
                            "  98000000 98  \n"
                            "97 0A 0b\n");
    ASSERT_TRUE(ParseHexFrames(good, frames, error)) << error;
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].bytes, (Bytes{0x92, 1, 2, 3, 0x98}));
    EXPECT_EQ(frames[1].bytes, (Bytes{0x98, 0, 0, 0, 0x98}));
    EXPECT_EQ(frames[2].bytes, (Bytes{0x97, 0x0a, 0x0b}));
    EXPECT_LT(frames[0].atSeconds, 0) << "paced by the rate";

    for (const char* bad : {"92 01\n9 8\n", "92 01\n98 zz\n", "92 01\n98 0x01\n"})
    {
        std::istringstream in(bad);
        EXPECT_FALSE(ParseHexFrames(in, frames, error)) << bad;
        EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
    }
}

TEST(Acceptor, DailyLogIsReplayedWithItsTiming)
{
    std::vector<SourceFrame> frames;
    std::string error;
    std::istringstream log("[2012-03-09 23:59:58]  92 01 02 03 98\r\n"
                           "[2012-03-09 23:59:58]  98 00 00 00 98\r\n"
                           "[2012-03-10 00:00:03]  98 00 00 00 98\r\n"
                           "[2012-03-10 00:00:01]  98 00 00 00 98\r\n" // clock put back
                           "[2012-03-10 00:00:02]  98 00 00 00 98\n");
    ASSERT_TRUE(ParseLogFrames(log, frames, error)) << error;
    std::vector<double> at;
    for (const auto& f : frames)
        at.push_back(f.atSeconds);
    EXPECT_EQ(at, (std::vector<double>{0, 0, 5, 5, 6}));
    EXPECT_EQ(frames[0].bytes, (Bytes{0x92, 1, 2, 3, 0x98}));

    const char* bad[] = {
        "[2012-03-09 13:22:07] 92 01 02 03 98\n",  // one blank
        "[2012-03-09 13:22:07]  \n",               // no dump
        "[2012-13-09 13:22:07]  92 01 02 03 98\n", // no such month
        "[2012-03-09 24:00:00]  92 01 02 03 98\n", // no such hour
        "92 01 02 03 98\n",
        "[2012-03-09 13:22:07]  92 01 0\n",
    };
    for (const char* text : bad)
    {
        std::istringstream in(std::string("[2012-03-09 13:22:07]  98 00 00 00 98\r\n") + text);
        EXPECT_FALSE(ParseLogFrames(in, frames, error)) << text;
        EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
    }
}
