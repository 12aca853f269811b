#pragma once

#include <windows.h>

#include <algorithm>

// The fastest of `runs` timings of `work`, in seconds.
template <class Work>
double FastestSeconds(int runs, Work work)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        work();
        QueryPerformanceCounter(&end);
        best = std::min(best,
                        static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
    }
    return best;
}
