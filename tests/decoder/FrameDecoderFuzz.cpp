// libFuzzer target for the frame decoder: any byte stream keeps the buffer within one frame,
// reaches the owner only with channel indexes 0..11, produces well-formed dumps, and yields
// exactly the frames that a whole-stream reading finds.
#include "frames/FrameDecoder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/decoder/FrameModel.h"

namespace
{
#define FUZZ_CHECK(cond)                                                                           \
    do                                                                                             \
    {                                                                                              \
        if (!(cond))                                                                               \
        {                                                                                          \
            std::fprintf(stderr, "invariant broken: %s (line %d)\n", #cond, __LINE__);             \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

bool IsWellFormedDump(const std::string& d, size_t bytes)
{
    if (d.size() != (bytes == 0 ? 0 : bytes * 3 - 1))
        return false;
    for (size_t i = 0; i < d.size(); ++i)
    {
        const char c = d[i];
        const bool ok = i % 3 == 2 ? c == ' ' : (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        if (!ok)
            return false;
    }
    return true;
}

struct CheckingOwner : CFrameOwner
{
    std::vector<std::string> logs;
    void OnFrameStart() override {}
    void OnNoteRead(int channel, int value, int count) override
    {
        FUZZ_CHECK(channel >= 1 && channel <= CFrameDecoder::kChannels);
        FUZZ_CHECK(value >= 0 && value <= 255);
        FUZZ_CHECK(count >= 1);
    }
    void OnFrame(const unsigned char* pFrame, int nLength, const std::string& t) override
    {
        FUZZ_CHECK(t == " OK  COUNTERFEIT MONEY" || t == " OK  BLOCK" || t == " OK" ||
                   t.compare(0, 15, " OK  NOTE_READ ") == 0);
        logs.push_back(HexDump(pFrame, nLength));
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckingOwner owner;
    CFrameDecoder decoder(owner);
    for (size_t i = 0; i < size; ++i)
    {
        decoder.OnSerialByte(data[i]);
        FUZZ_CHECK(decoder.BufferedBytes() >= 0);
        FUZZ_CHECK(decoder.BufferedBytes() <= CFrameDecoder::kMaxFrameLen);
        FUZZ_CHECK(decoder.InFrame() == (decoder.BufferedBytes() > 0));
    }

    const auto frames = framemodel::ValidFrames(data, size);
    FUZZ_CHECK(owner.logs.size() == frames.size());
    int counted = 0;
    for (size_t k = 0; k < frames.size(); ++k)
    {
        FUZZ_CHECK(IsWellFormedDump(owner.logs[k], frames[k].size()));
        FUZZ_CHECK(owner.logs[k] == HexDump(frames[k].data(), static_cast<int>(frames[k].size())));
        if (frames[k][0] == CFrameDecoder::LEAD_NOTE_READ && frames[k][13] >= 1 &&
            frames[k][13] <= CFrameDecoder::kChannels)
            ++counted;
    }
    int total = 0;
    for (int i = -1; i <= CFrameDecoder::kChannels; ++i)
        total += decoder.NoteCount(i);
    FUZZ_CHECK(total == counted);

    const size_t n = size < 64 ? size : 64;
    FUZZ_CHECK(IsWellFormedDump(HexDump(data, static_cast<int>(n)), n));
    return 0;
}
