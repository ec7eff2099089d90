// The cost of shading one command button's faces natively: GenerateShadeFaces (palette, the
// row-curve pattern with its grain, the hover copy) for button sizes the main window has,
// median of many runs, in microseconds.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "controls/ShadePattern.h"

int main()
{
    using Clock = std::chrono::steady_clock;
    const ShadeColors colors = {0xFFFFFF, 0xF0F0F0, 0xA0A0A0};
    std::uint32_t x = 1; // the C runtime's generator, so the work matches the program's
    const ShadeRandom random = [&x]
    {
        x = x * 214013u + 2531011u;
        return static_cast<int>((x >> 16) & 0x7FFF);
    };
    const struct
    {
        int cx, cy;
        const char* what;
    } sizes[] = {{116, 33, "main-window button at 96 dpi"},
                 {135, 33, "main-window button under Wine's fonts"},
                 {232, 66, "the same at 192 dpi"}};
    for (const auto& size : sizes)
    {
        CDibBlock normal, hover;
        std::vector<double> us;
        for (int run = 0; run < 2000; ++run)
        {
            const auto t0 = Clock::now();
            GenerateShadeFaces(normal, hover, size.cx, size.cy, ShadeRowCurve, 8, 10, 0, 0, colors,
                               random);
            us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        }
        std::sort(us.begin(), us.end());
        std::printf("GenerateShade %3d x %2d (%s): median %.1f us, p99 %.1f us\n", size.cx, size.cy,
                    size.what, us[us.size() / 2], us[us.size() * 99 / 100]);
    }
    return 0;
}
