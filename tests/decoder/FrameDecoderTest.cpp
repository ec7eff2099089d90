// Frame decoder: framing, checksum and the handlers' effects, seen through a recording owner.
#include "frames/FrameDecoder.h"

#include <cctype>
#include <climits>
#include <gtest/gtest.h>
#include <new>
#include <random>
#include <vector>

#include "tests/common/NoteReadFrame.h"
#include "tests/decoder/FrameModel.h"

namespace
{
using framemodel::Bytes;

// Records every owner operation as one line, in call order.
struct Recorder : CFrameOwner
{
    std::vector<std::string> calls, events, logs;
    int slaverFlashes = 0;
    int throwOnEvent = 0; // throw from the next n OnFrame calls

    void OnFrameStart() override { ++slaverFlashes; }
    void OnNoteRead(int channel, int value, int count) override
    {
        calls.push_back("note " + IntToText(channel) + " value " + IntToText(value) + " count " +
                        IntToText(count));
    }
    // The event text and the dump, as the window shows and logs them.
    void OnFrame(const unsigned char* pFrame, int nLength, const std::string& t) override
    {
        if (throwOnEvent > 0)
        {
            --throwOnEvent;
            throw std::bad_alloc();
        }
        events.push_back(t);
        calls.push_back("event" + t);
        logs.push_back(HexDump(pFrame, nLength));
        calls.push_back("log " + logs.back());
    }
};

void Feed(CFrameDecoder& d, const Bytes& bytes)
{
    for (unsigned char b : bytes)
        d.OnSerialByte(b);
}

std::string Dump(const Bytes& b)
{
    return HexDump(b.data(), static_cast<int>(b.size()));
}
} // namespace

TEST(FrameDecoder, CounterfeitFrameIsDecodedAfterNoiseAndBadChecksumOnlyFlashes)
{
    Recorder r;
    CFrameDecoder d(r);
    Feed(d, {0x55, 0x92, 0x01, 0x02, 0x03, 0x98});
    EXPECT_EQ(r.events, std::vector<std::string>{" OK  COUNTERFEIT MONEY"});
    EXPECT_EQ(r.logs, std::vector<std::string>{"92 01 02 03 98"});
    EXPECT_EQ(r.slaverFlashes, 1) << "noise must not flash the Slaver lamp";

    Feed(d, {0x92, 0x01, 0x02, 0x03, 0x99});
    EXPECT_EQ(r.events.size(), 1u) << "a bad checksum changes nothing on screen";
    EXPECT_EQ(r.logs.size(), 1u);
    EXPECT_EQ(r.slaverFlashes, 2) << "the lead byte of a bad frame still flashes";
    EXPECT_FALSE(d.InFrame());
}

TEST(FrameDecoder, EachKindShowsItsTextAndLogsItsWholeFrame)
{
    Recorder r;
    CFrameDecoder d(r);
    // Block bytes 5..9 lie outside the checksum: garbage there is still a good frame.
    const Bytes block{0x93, 0x00, 0x00, 0x01, 0x94, 0xde, 0xad, 0xbe, 0xef, 0x97};
    const Bytes ok{0x98, 0xff, 0xff, 0x02, 0x98};
    Feed(d, block);
    Feed(d, ok);
    EXPECT_EQ(r.calls, (std::vector<std::string>{
                           "event OK  BLOCK",
                           "log 93 00 00 01 94 de ad be ef 97",
                           "event OK",
                           "log 98 ff ff 02 98",
                       }))
        << "block and OK frames read no note";
}

TEST(FrameDecoder, NoteReadUpdatesItsRowCounterLampAndLogInOrder)
{
    Recorder r;
    CFrameDecoder d(r);
    const Bytes f = NoteRead(5, 20);
    Feed(d, f);
    Feed(d, f);
    const std::vector<std::string> second{
        "note 5 value 20 count 2",
        "event OK  NOTE_READ 5",
        "log " + Dump(f),
    };
    ASSERT_EQ(r.calls.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(r.calls.begin() + 3, r.calls.end()), second);
    EXPECT_EQ(d.NoteCount(4), 2);
    EXPECT_EQ(Dump(f).size(), 44u);

    // Value 255 and channels 1 and 12, the table's edges.
    Feed(d, NoteRead(1, 255));
    Feed(d, NoteRead(12, 0));
    EXPECT_EQ(d.NoteCount(0), 1);
    EXPECT_EQ(d.NoteCount(11), 1);
    EXPECT_EQ(r.calls[6], "note 1 value 255 count 1");
    EXPECT_EQ(r.events.back(), " OK  NOTE_READ 12");
}

TEST(FrameDecoder, ChannelByteOutsideTheTableOnlyReportsAndLogs)
{
    for (unsigned char channel : {0x00, 0x0d, 0x7f, 0xff})
    {
        Recorder r;
        CFrameDecoder d(r);
        const Bytes f = NoteRead(channel, 20);
        Feed(d, f);
        EXPECT_EQ(r.calls, (std::vector<std::string>{
                               "event OK  NOTE_READ " + IntToText(channel),
                               "log " + Dump(f),
                           }))
            << "channel byte " << int(channel) << " must touch no row, counter or lamp";
        for (int i = 0; i < CFrameDecoder::kChannels; ++i)
            EXPECT_EQ(d.NoteCount(i), 0);
    }
}

TEST(FrameDecoder, LeadByteValuesInsideAFrameAreData)
{
    Recorder r;
    CFrameDecoder d(r);
    Bytes f = NoteRead(3, 7);
    f[6] = 0x92;
    f[9] = 0x97;
    f[14] = 0x98;
    for (size_t i = 0; i < f.size(); ++i)
    {
        EXPECT_TRUE(r.events.empty()) << "frame complete early, at byte " << i;
        d.OnSerialByte(f[i]);
        EXPECT_LE(d.BufferedBytes(), CFrameDecoder::kMaxFrameLen);
    }
    EXPECT_EQ(r.events, std::vector<std::string>{" OK  NOTE_READ 3"});
    EXPECT_EQ(r.slaverFlashes, 1) << "bytes inside a frame never flash the Slaver lamp";
    EXPECT_FALSE(d.InFrame());
}

TEST(FrameDecoder, BadFrameIsDroppedWholeWithoutRescanningItsBytes)
{
    Recorder r;
    CFrameDecoder d(r);
    // 92 98 00 00 00 fails; read again from its second byte it would hold the good OK frame
    // 98 00 00 00 98. The trailing 98 starts a real frame instead.
    Feed(d, {0x92, 0x98, 0x00, 0x00, 0x00, 0x98});
    EXPECT_TRUE(r.events.empty());
    EXPECT_TRUE(d.InFrame());
    Feed(d, {0x00, 0x00, 0x00, 0x98});
    EXPECT_EQ(r.logs, std::vector<std::string>{"98 00 00 00 98"});
}

TEST(FrameDecoder, OwnerFailureDuringAFrameLeavesTheDecoderHunting)
{
    Recorder r;
    CFrameDecoder d(r);
    r.throwOnEvent = 1;
    const Bytes f = NoteRead(2, 9);
    EXPECT_THROW(Feed(d, f), std::bad_alloc);
    EXPECT_FALSE(d.InFrame());
    EXPECT_EQ(d.BufferedBytes(), 0);
    // A decoder left holding the full frame would dispatch it again with the next byte.
    Feed(d, {0x00});
    EXPECT_TRUE(r.events.empty());
    Feed(d, f);
    EXPECT_EQ(r.events, std::vector<std::string>{" OK  NOTE_READ 2"});
    EXPECT_EQ(d.NoteCount(1), 2) << "the counter moved before the failing call, and once more";
}

TEST(FrameDecoder, HexDumpReadsBackAndIntToTextFormats)
{
    EXPECT_EQ(HexDump(nullptr, 0), "");
    const unsigned char bytes[] = {0x00, 0x0f, 0xa0, 0xff, 0x5c};
    EXPECT_EQ(HexDump(bytes, 1), "00");
    EXPECT_EQ(HexDump(bytes, 5), "00 0f a0 ff 5c");
    for (int b = 0; b < 256; ++b) // every dump reads back, in either case
    {
        const unsigned char byte = static_cast<unsigned char>(b);
        const std::string d = HexDump(&byte, 1);
        EXPECT_EQ(HexDigitValue(d[0]) * 16 + HexDigitValue(d[1]), b) << d;
        EXPECT_EQ(HexDigitValue(std::toupper(d[0])) * 16 + HexDigitValue(std::toupper(d[1])), b);
    }
    for (int c : {int('/'), int(':'), int('@'), int('G'), int('`'), int('g'), int(' '), 0, 0xff})
        EXPECT_EQ(HexDigitValue(c), -1) << c;
    EXPECT_EQ(IntToText(0), "0");
    EXPECT_EQ(IntToText(-42), "-42");
    EXPECT_EQ(IntToText(INT_MIN), "-2147483648");
    EXPECT_EQ(IntToText(INT_MAX), "2147483647");
}

// Whatever came before, once the decoder is hunting a valid frame is decoded exactly once.
TEST(FrameDecoderProperty, AnyStreamThenAValidFrameWhileHuntingYieldsThatFrameOnce)
{
    static const unsigned char kLeads[] = {0x92, 0x93, 0x97, 0x98};
    std::mt19937 rng(20240601u);
    for (int iter = 0; iter < 20000; ++iter)
    {
        Recorder r;
        CFrameDecoder d(r);
        Feed(d, framemodel::RandomStream(rng, 64));
        // Non-lead filler ends any open frame (within 14 bytes) and is ignored while hunting.
        for (int n = 0; d.InFrame(); ++n)
        {
            ASSERT_LT(n, CFrameDecoder::kMaxFrameLen) << "iteration " << iter;
            d.OnSerialByte(0x00);
        }
        const size_t events = r.events.size(), logs = r.logs.size();
        const int flashes = r.slaverFlashes;
        const Bytes f = framemodel::RandomValidFrame(kLeads[rng() % 4], rng);
        Feed(d, f);
        ASSERT_EQ(r.events.size(), events + 1) << "iteration " << iter;
        ASSERT_EQ(r.logs.size(), logs + 1) << "iteration " << iter;
        EXPECT_EQ(r.logs.back(), Dump(f)) << "iteration " << iter;
        EXPECT_EQ(r.slaverFlashes, flashes + 1) << "iteration " << iter;
        EXPECT_FALSE(d.InFrame());
    }
}

// The byte-wise decoder finds exactly the frames that a whole-stream reading finds.
TEST(FrameDecoderProperty, DecodesTheSameFramesAsAWholeStreamReading)
{
    std::mt19937 rng(77u);
    for (int iter = 0; iter < 5000; ++iter)
    {
        Recorder r;
        CFrameDecoder d(r);
        const Bytes s = framemodel::RandomStream(rng, 200);
        Feed(d, s);
        std::vector<std::string> expected;
        for (const Bytes& f : framemodel::ValidFrames(s.data(), s.size()))
            expected.push_back(Dump(f));
        ASSERT_EQ(r.logs, expected) << "stream " << Dump(s);
    }
}
