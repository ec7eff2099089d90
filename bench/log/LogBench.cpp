// The cost of one frame's log line, the work done on the user-interface thread for every logged
// frame while the serial worker waits: with the file free, and with 1,000 lines kept while
// another program holds the file. Prints figures; never fails.
#include "log/DailyLog.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <windows.h>

#include "tests/common/ScratchLogFolder.h"
#include "win/ModuleDirectory.h"

namespace
{
double g_freq = 0;

double Micros(const std::function<void()>& work)
{
    LARGE_INTEGER t0, t1;
    ::QueryPerformanceCounter(&t0);
    work();
    ::QueryPerformanceCounter(&t1);
    return 1e6 * static_cast<double>(t1.QuadPart - t0.QuadPart) / g_freq;
}

void Print(const char* pszWhat, std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q)
    { return samples[static_cast<size_t>(q * (samples.size() - 1))]; };
    double sum = 0;
    for (double d : samples)
        sum += d;
    std::printf("%s: %zu calls, mean %.1f us/call, median %.1f, p99 %.1f, max %.1f\n", pszWhat,
                samples.size(), sum / static_cast<double>(samples.size()), at(0.5), at(0.99),
                samples.back());
}
} // namespace

int main(int argc, char** argv)
{
    const int nCalls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    // A note-read frame's dump: the longest line the program logs.
    const char szFrame[] = "97 00 00 0a a1 00 00 00 00 00 00 00 00 03 00";
    LARGE_INTEGER freq;
    ::QueryPerformanceFrequency(&freq);
    g_freq = static_cast<double>(freq.QuadPart);

    ScratchLogFolder scratch;
    CDailyLog log(GetModuleDirectoryW());
    std::printf("frame's log line: first call (creates Log and the day's file) %.1f us\n",
                Micros([&] { log.WriteLine(szFrame); }));
    std::vector<double> samples;
    for (int i = 0; i < nCalls; ++i)
        samples.push_back(Micros([&] { log.WriteLine(szFrame); }));
    Print("frame's log line, file free", samples);

    // Another program holds the day's file with no sharing: every line is kept.
    const std::string strDay = scratch.Folder() + "\\" + Today();
    HANDLE hHolder =
        ::CreateFileA(strDay.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hHolder == INVALID_HANDLE_VALUE)
        return std::printf("could not hold the day's file\n"), 0;
    for (int i = 0; i < 1000; ++i)
        log.WriteLine(szFrame);
    samples.clear();
    for (int i = 0; i < nCalls; ++i)
        samples.push_back(Micros([&] { log.WriteLine(szFrame); }));
    Print("frame's log line, file held, 1,000 and more lines kept", samples);
    ::CloseHandle(hHolder);
    const size_t nKept = log.KeptLines();
    const double flush = Micros([&] { log.WriteKept(); });
    std::printf("writing %zu kept lines once the file is free: %.1f us (%zu left)\n", nKept, flush,
                log.KeptLines());

    // The file free again and 1,000 lines kept (held just before): the frame that finds them.
    samples.clear();
    for (int round = 0; round < 20; ++round)
    {
        hHolder =
            ::CreateFileA(strDay.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        for (int i = 0; i < 1000; ++i)
            log.WriteLine(szFrame);
        ::CloseHandle(hHolder);
        samples.push_back(Micros([&] { log.WriteLine(szFrame); }));
    }
    Print("frame's log line that writes 1,000 kept lines before its own", samples);
    return 0;
}
