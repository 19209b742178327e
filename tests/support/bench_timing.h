// What the Windows benchmarks share: a millisecond clock, the summaries of samples, and the
// best time per call of a short loop.
#pragma once
#include <windows.h>

#include <algorithm>
#include <type_traits>
#include <vector>

namespace benchtiming {

inline double NowMs() {
    static const LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(freq.QuadPart);
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

inline double Mean(const std::vector<double>& v) {
    double s = 0;
    for (double x : v)
        s += x;
    return v.empty() ? 0 : s / double(v.size());
}

// Seconds per call of f, the best of five loops of n calls; GDI's batch is flushed around
// each loop so queued drawing is counted. f takes the call's index or nothing.
template <typename F> double BestSecondsPerCall(int n, F f) {
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
        ::GdiFlush();
        const double start = NowMs();
        for (int i = 0; i < n; ++i) {
            if constexpr (std::is_invocable_v<F, int>)
                f(i);
            else
                f();
        }
        ::GdiFlush();
        best = std::min(best, (NowMs() - start) / 1000.0 / n);
    }
    return best;
}

} // namespace benchtiming
