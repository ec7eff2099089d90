// The spread of a benchmark's timings, as its figures print it; all zeros for none. Portable.
#pragma once

#include <algorithm>
#include <numeric>
#include <vector>

struct Spread
{
    double median, p99, min, max, mean;
};

inline Spread SpreadOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const auto at = [&v](double q)
    { return v.empty() ? 0.0 : v[static_cast<size_t>(q * static_cast<double>(v.size() - 1))]; };
    return {at(0.5), at(0.99), at(0), at(1),
            v.empty() ? 0.0
                      : std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size())};
}
