// kestrane-decode --log --summary over a day's log of the largest size the monitor keeps (it
// starts a day's file again past 1 MiB): milliseconds to read, judge, decode and sum every
// line. Prints figures; never fails. Leaves the log it wrote, so the whole tool can be timed
// on it too:  bench_log_report [LOG]   (default bench-day.log in the current folder)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tests/common/ScratchFile.h"
#include "decode/LogReader.h"

namespace
{
constexpr std::size_t kLogBytes = 1048576;

// A busy day: mostly note reads on channels 1..12, now and then a block, a counterfeit or an
// OK, a few seconds apart, CR LF as the monitor writes them.
std::string BusyDay()
{
    std::mt19937 rng(2026u);
    std::string text;
    int seconds = 8 * 3600;
    for (;;)
    {
        const unsigned pick = rng() % 100;
        std::vector<unsigned char> f(15);
        f[0] = pick < 88 ? 0x97 : pick < 92 ? 0x93 : pick < 94 ? 0x92 : 0x98;
        f.resize(static_cast<std::size_t>(CFrameDecoder::FrameLength(f[0])));
        for (std::size_t i = 1; i < f.size(); ++i)
            f[i] = static_cast<unsigned char>(rng());
        if (f[0] == 0x97)
        {
            f[13] = static_cast<unsigned char>(1 + rng() % 12);
            f[3] = static_cast<unsigned char>(5 * (1 + f[13] % 4));
        }
        f[4] = static_cast<unsigned char>(f[0] + f[1] + f[2] + f[3]);
        seconds = (seconds + 1 + static_cast<int>(rng() % 3)) % 86400;
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "[2026-12-07 %02d:%02d:%02d]  ", seconds / 3600,
                      seconds / 60 % 60, seconds % 60);
        const std::string line = stamp + HexDump(f.data(), static_cast<int>(f.size())) + "\r\n";
        if (text.size() + line.size() > kLogBytes)
            return text;
        text += line;
    }
}
} // namespace

int main(int argc, char** argv)
{
    const std::string path = argc > 1 ? argv[1] : "bench-day.log";
    const std::string day = BusyDay();
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(day.data(), 1, day.size(), out) != day.size())
    {
        std::fprintf(stderr, "bench_log_report: cannot write %s\n", path.c_str());
        return 0;
    }
    std::fclose(out);

    std::vector<double> ms;
    std::string summary;
    for (int run = 0; run < 21; ++run)
    {
        const auto t0 = std::chrono::steady_clock::now();
        CScratchFile text("bench-summary.txt");
        CFrameReport report(text.File(), CFrameReport::Form::Summary);
        CLogReader reader(report, stderr);
        std::FILE* in = std::fopen(path.c_str(), "rb");
        std::string error;
        if (!in || !reader.Read(in, path, error))
        {
            std::fprintf(stderr, "bench_log_report: cannot read %s %s\n", path.c_str(),
                         error.c_str());
            return 0;
        }
        std::fclose(in);
        reader.Finish();
        report.PrintSummary();
        const auto t1 = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        summary = text.Text();
    }
    std::sort(ms.begin(), ms.end());
    const long lines = static_cast<long>(std::count(day.begin(), day.end(), '\n'));
    std::printf("--log --summary over %s (%zu bytes, %ld lines): median %.2f ms, best %.2f ms,"
                " worst %.2f ms of %zu runs (%.0f ns a line)\n",
                path.c_str(), day.size(), lines, ms[ms.size() / 2], ms.front(), ms.back(),
                ms.size(), 1e6 * ms[ms.size() / 2] / static_cast<double>(lines));
    std::printf("last lines of the summary: %s",
                summary.substr(summary.rfind("bad-lines")).c_str());
    return 0;
}
