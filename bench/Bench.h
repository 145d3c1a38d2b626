// SPDX-License-Identifier: GPL-3.0-or-later
// What the benchmarks share: times, medians and the run count from the
// command line, and the measuring of one radio beside several at once.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <vector>

namespace tonvar::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The number of runs the first argument asks for (at least one), else `byDefault`.
inline int Runs(int argc, char **argv, int byDefault)
{
    return std::max(1, argc > 1 ? std::atoi(argv[1]) : byDefault);
}

struct OneAndMany {
    std::vector<double> one;
    std::vector<double> many;
};

// Measures one radio, then `many` at once, `runs` times after a warm-up:
// `measure(count)` gives a run's seconds, or 0 when it was not whole. Each
// run's two times go to `report` (with the run's number from 1). A run that
// was not whole ends the measuring with "<bench>: run N: <notWhole>" on
// standard error, and no times.
inline std::optional<OneAndMany> MeasureOneAndMany(const char *bench, const char *notWhole, int runs, int many,
                                                   const std::function<double(int)> &measure,
                                                   const std::function<void(int, double, double)> &report)
{
    measure(1); // warms up
    OneAndMany times;
    for (int i = 0; i < runs; ++i) {
        times.one.push_back(measure(1));
        times.many.push_back(measure(many));
        if (times.one.back() == 0 || times.many.back() == 0) {
            std::fprintf(stderr, "%s: run %d: %s\n", bench, i + 1, notWhole);
            return std::nullopt;
        }
        report(i + 1, times.one.back(), times.many.back());
    }
    return times;
}

} // namespace tonvar::bench
