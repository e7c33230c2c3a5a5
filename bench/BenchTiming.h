// Timing helpers for the benchmark programs: the best of several runs, in seconds.
#pragma once

#include <algorithm>
#include <chrono>
#include <limits>

namespace tarnvale::bench {

template <typename Work>
double BestSeconds(int runs, Work work) {
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    return best;
}

} // namespace tarnvale::bench
