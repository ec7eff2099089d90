// The cost of one frame's log line, the work done on the user-interface thread for every logged
// frame while the serial worker waits: with the file free, and while another program holds the
// file (once the window's retry has found it held: the lines then go into the day's part); and
// the flush to the disk that the window's clock makes once a second, against a flush for every
// line. KESTRANE_BENCH_BEFORE names an earlier bench_log.exe beside this one, whose figures are
// printed first, in the same run. Prints figures; never fails.
#include "log/DailyLog.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <process.h>
#include <vector>

#include <windows.h>

#include "tests/common/ScratchLogFolder.h"
#include "win/ModuleDirectory.h"

namespace
{
// Microseconds that each of n runs of work takes.
std::vector<double> Micros(const std::function<void()>& work, int n = 1)
{
    LARGE_INTEGER freq, t0, t1;
    ::QueryPerformanceFrequency(&freq);
    std::vector<double> us;
    for (int i = 0; i < n; ++i)
    {
        ::QueryPerformanceCounter(&t0);
        work();
        ::QueryPerformanceCounter(&t1);
        us.push_back(1e6 * static_cast<double>(t1.QuadPart - t0.QuadPart) /
                     static_cast<double>(freq.QuadPart));
    }
    return us;
}

void Print(const char* pszWhat, std::vector<double> us)
{
    std::sort(us.begin(), us.end());
    const auto at = [&](double q) { return us[static_cast<size_t>(q * (us.size() - 1))]; };
    const double mean = std::accumulate(us.begin(), us.end(), 0.0) / static_cast<double>(us.size());
    std::printf("%s: %zu calls, mean %.1f us/call, median %.1f, p99 %.1f, max %.1f\n", pszWhat,
                us.size(), mean, at(0.5), at(0.99), us.back());
}
} // namespace

int main(int argc, char** argv)
{
    if (const char* pszBefore = std::getenv("KESTRANE_BENCH_BEFORE"))
    {
        const std::string strBefore = GetModuleDirectory() + pszBefore;
        std::printf("-- before: %s --\n", pszBefore);
        std::fflush(stdout);
        _spawnl(_P_WAIT, strBefore.c_str(), strBefore.c_str(), argc > 1 ? argv[1] : nullptr,
                nullptr);
        std::printf("-- after --\n");
    }
    const int nCalls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    // A note-read frame's dump: the longest line the program logs.
    const char szFrame[] = "97 00 00 0a a1 00 00 00 00 00 00 00 00 03 00";
    ScratchLogFolder scratch;
    CDailyLog log(GetModuleDirectoryW());
    const auto line = [&] { log.WriteLine(szFrame); };
    std::printf("frame's log line: first call (creates Log and the day's file) %.1f us\n",
                Micros(line)[0]);
    Print("frame's log line, file free", Micros(line, nCalls));
    // The clock's tick after a second's lines (a few at most: a frame takes 5 ms on the line).
    std::vector<double> ticks;
    for (int round = 0; round < 50; ++round)
    {
        Micros(line, 5);
        ticks.push_back(Micros([&] { log.Flush(); })[0]);
    }
    Print("the second's flush to the disk (the clock's tick, off the frame path)", ticks);
    Print("frame's log line if every line were flushed", Micros(
                                                             [&]
                                                             {
                                                                 line();
                                                                 log.Flush();
                                                             },
                                                             200));

    // Another program holds the day's file with no sharing; the window's retry, two seconds on,
    // finds it still held, and the day's lines go into a part from then on.
    const std::string strDay = scratch.Folder() + "\\" + Today();
    HANDLE hHolder =
        ::CreateFileA(strDay.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hHolder == INVALID_HANDLE_VALUE)
        return std::printf("could not hold the day's file\n"), 0;
    line();
    log.Retry();
    Print("frame's log line, file held (into the day's part, on the disk)", Micros(line, nCalls));
    ::CloseHandle(hHolder);
    log.Retry(); // the file takes lines again

    // Held, and no retry yet: the lines are kept in memory.
    hHolder = ::CreateFileA(strDay.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    Micros(line, 1000);
    ::CloseHandle(hHolder);
    const size_t nKept = log.KeptLines();
    const double flush = Micros([&] { log.WriteKept(); })[0];
    std::printf("writing %zu kept lines once the file is free: %.1f us (%zu left)\n", nKept, flush,
                log.KeptLines());

    // The file free again and 1,000 lines kept (held just before): the frame that finds them.
    std::vector<double> samples;
    for (int round = 0; round < 20; ++round)
    {
        hHolder =
            ::CreateFileA(strDay.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        Micros(line, 1000);
        ::CloseHandle(hHolder);
        samples.push_back(Micros(line)[0]);
    }
    Print("frame's log line that writes 1,000 kept lines before its own", samples);
    return 0;
}
