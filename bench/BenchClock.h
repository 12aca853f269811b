// Timing for the benchmarks. A figure is a ratio of two pieces of work timed alternately, pair
// after pair, so that a busy moment of the machine falls on both sides of a pair; the median of
// the pairs' ratios is printed with its spread. Nothing here asserts on time.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

// The time now, in milliseconds from some moment before.
inline double Milliseconds()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1e3 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <class Work>
double Seconds(Work& work)
{
    double start = Milliseconds();
    work();
    return (Milliseconds() - start) / 1e3;
}

struct RatioSpread {
    double median, min, max;
    int pairs;
};

// Times `baseline` then `measured`, `pairs` times over, and gives the spread of measured/baseline.
// With `tries` above 1, each side of a pair is the fastest of that many turns, taken in turn
// with the other side's: the machine's other work only ever adds time to a turn.
template <class Baseline, class Measured>
RatioSpread InterleavedRatio(int pairs, Baseline baseline, Measured measured, int tries = 1)
{
    std::vector<double> ratios;
    for (int i = 0; i < pairs; ++i) {
        double base = Seconds(baseline);
        double time = Seconds(measured);
        for (int t = 1; t < tries; ++t) {
            base = std::min(base, Seconds(baseline));
            time = std::min(time, Seconds(measured));
        }
        ratios.push_back(time / base);
    }
    std::sort(ratios.begin(), ratios.end());
    size_t n = ratios.size();
    double median = n % 2 ? ratios[n / 2] : (ratios[n / 2 - 1] + ratios[n / 2]) / 2;
    return RatioSpread{median, ratios.front(), ratios.back(), pairs};
}

inline void PrintRatio(const char* name, const RatioSpread& r)
{
    std::printf("%s ratio: %.2f (min %.2f, max %.2f, %d pairs)\n", name, r.median, r.min, r.max, r.pairs);
}
