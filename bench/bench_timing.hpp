// Timing helpers shared by the C++ benchmarks: wall-clock and thread CPU time
// of a callable, and medians of repeated runs.
#pragma once

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

namespace kestrova::bench {

using Clock = std::chrono::steady_clock;

template <class F>
double seconds(F&& f) {
    const auto start = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

template <class F>
double median_seconds(int runs, F&& f) {
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) times.push_back(seconds(f));
    return median(times);
}

// Wall-clock and thread CPU medians of the same runs. On a loaded machine the
// wall clock also counts time the thread waited for a core; CPU time does not.
struct Timing {
    double wall;
    double cpu;
};

inline double thread_cpu_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

template <class F>
Timing median_timing(int runs, F&& f) {
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        const double cpu_start = thread_cpu_seconds();
        wall.push_back(seconds(f));
        cpu.push_back(thread_cpu_seconds() - cpu_start);
    }
    return {median(wall), median(cpu)};
}

}  // namespace kestrova::bench
