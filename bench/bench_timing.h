// What both benchmarks time with: the platform's high-resolution counter,
// and the median of repeated runs.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

// Seconds since some fixed moment.
inline double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
