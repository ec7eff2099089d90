// The spread of a benchmark's timings, as its figures print it. Portable.
#pragma once

#include <algorithm>
#include <numeric>
#include <vector>

struct Spread
{
    double median, p99, min, max, mean;
};

// All zeros for no samples.
inline Spread SpreadOf(std::vector<double> v)
{
    if (v.empty())
        return {0, 0, 0, 0, 0};
    std::sort(v.begin(), v.end());
    const auto at = [&v](double q) { return v[static_cast<size_t>(q * (v.size() - 1))]; };
    return {at(0.5), at(0.99), v.front(), v.back(),
            std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size())};
}
