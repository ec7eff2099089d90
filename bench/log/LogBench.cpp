// The cost of one WriteLogLine, the work done on the user-interface thread for every logged
// frame while the serial worker waits. Prints figures; never fails.
#include "log/DailyLog.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <windows.h>

#include "tests/common/ScratchLogFolder.h"

int main(int argc, char** argv)
{
    const int nCalls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    // A note-read frame's dump: the longest line the program logs.
    const char szFrame[] = "97 00 00 0a a1 00 00 00 00 00 00 00 00 03 00";

    ScratchLogFolder scratch;
    LARGE_INTEGER freq, t0, t1;
    ::QueryPerformanceFrequency(&freq);
    const auto micros = [&](const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
        return 1e6 * static_cast<double>(b.QuadPart - a.QuadPart) /
               static_cast<double>(freq.QuadPart);
    };

    ::QueryPerformanceCounter(&t0);
    WriteLogLine(szFrame); // creates the folder and the day's file
    ::QueryPerformanceCounter(&t1);
    const double first = micros(t0, t1);

    std::vector<double> samples;
    samples.reserve(static_cast<size_t>(nCalls));
    LARGE_INTEGER start, end;
    ::QueryPerformanceCounter(&start);
    for (int i = 0; i < nCalls; ++i)
    {
        ::QueryPerformanceCounter(&t0);
        WriteLogLine(szFrame);
        ::QueryPerformanceCounter(&t1);
        samples.push_back(micros(t0, t1));
    }
    ::QueryPerformanceCounter(&end);

    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q)
    { return samples[static_cast<size_t>(q * (samples.size() - 1))]; };
    std::printf("WriteLogLine: first call (creates Log and the day's file) %.1f us\n", first);
    std::printf("WriteLogLine: %d calls, mean %.1f us/call, median %.1f, p99 %.1f, max %.1f\n",
                nCalls, micros(start, end) / nCalls, at(0.5), at(0.99), samples.back());
    return 0;
}
