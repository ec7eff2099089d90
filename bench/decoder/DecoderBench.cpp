// The frame decoder's cost per received byte, over a stream like an acceptor's: mostly note
// reads, some block, counterfeit and OK frames, line noise and the odd corrupted frame.
#include <benchmark/benchmark.h>
#include <random>
#include <vector>

#include "frames/FrameDecoder.h"

namespace
{
// Does what the dialog's cheapest possible owner would: nothing but keep the texts alive.
struct NullOwner : CFrameOwner
{
    bool logEnabled = false;
    size_t sink = 0;
    void OnFrameStart() override {}
    void OnNoteRead(int, int value, int count) override { sink += IntToText(count + value).size(); }
    void OnFrame(const unsigned char* pFrame, int nLength, const std::string& t) override
    {
        sink += t.size() + (logEnabled ? HexDump(pFrame, nLength).size() : 0);
    }
};

std::vector<unsigned char> RealisticStream(size_t frames)
{
    std::mt19937 rng(12345u);
    std::vector<unsigned char> s;
    for (size_t n = 0; n < frames; ++n)
    {
        const unsigned pick = rng() % 100;
        unsigned char lead = CFrameDecoder::LEAD_NOTE_READ;
        if (pick >= 94)
            lead = CFrameDecoder::LEAD_OK;
        else if (pick >= 90)
            lead = CFrameDecoder::LEAD_BLOCK;
        else if (pick >= 88)
            lead = CFrameDecoder::LEAD_COUNTERFEIT;
        std::vector<unsigned char> f(static_cast<size_t>(CFrameDecoder::FrameLength(lead)));
        for (auto& b : f)
            b = static_cast<unsigned char>(rng());
        f[0] = lead;
        f[4] = static_cast<unsigned char>(f[0] + f[1] + f[2] + f[3]);
        if (lead == CFrameDecoder::LEAD_NOTE_READ)
            f[13] = static_cast<unsigned char>(1 + rng() % 12);
        if (rng() % 50 == 0)
            f[4] ^= 0x5a; // corrupted on the line
        s.insert(s.end(), f.begin(), f.end());
        for (unsigned noise = rng() % 8 == 0 ? 1 + rng() % 4 : 0; noise > 0; --noise)
            s.push_back(static_cast<unsigned char>(rng() % 0x90)); // never a lead byte
    }
    return s;
}

void ReportBytes(benchmark::State& state, size_t bytesPerIteration)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytesPerIteration));
    // Seconds per byte; the library prints it with its unit prefix ("12.3ns").
    state.counters["per_byte"] = benchmark::Counter(static_cast<double>(bytesPerIteration),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

void DecodeStream(benchmark::State& state)
{
    static const std::vector<unsigned char> stream = RealisticStream(10000);
    NullOwner owner;
    owner.logEnabled = state.range(0) != 0;
    CFrameDecoder decoder(owner);
    for (auto _ : state)
    {
        for (unsigned char b : stream)
            decoder.OnSerialByte(b);
        benchmark::DoNotOptimize(owner.sink);
    }
    ReportBytes(state, stream.size());
}
BENCHMARK(DecodeStream)->ArgName("log")->Arg(0)->Arg(1);

// Hunting through noise alone: the path every byte between frames takes.
void HuntNoise(benchmark::State& state)
{
    std::vector<unsigned char> noise(1 << 16);
    std::mt19937 rng(7u);
    for (auto& b : noise)
        b = static_cast<unsigned char>(rng() % 0x90);
    NullOwner owner;
    CFrameDecoder decoder(owner);
    for (auto _ : state)
        for (unsigned char b : noise)
            decoder.OnSerialByte(b);
    ReportBytes(state, noise.size());
}
BENCHMARK(HuntNoise);
} // namespace

BENCHMARK_MAIN();
