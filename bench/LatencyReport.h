// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One line of latencies for the benchmarks: how many, median, p95 and the worst, against a
// target the worst must meet.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace mokuri::bench {

inline double ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// `target` 0: none.
inline void reportLatencies(const char* what, std::vector<double> v, double target)
{
    if (v.empty()) {
        std::printf("%-58s no measurement\n", what);
        return;
    }
    std::sort(v.begin(), v.end());
    const double median = v[v.size() / 2];
    const double p95 = v[std::min(v.size() - 1, v.size() * 95 / 100)];
    std::printf("%-58s n=%zu  median %.2f ms  p95 %.2f ms  max %.2f ms", what, v.size(), median, p95, v.back());
    if (target > 0) std::printf("  (target <= %.0f ms: %s)", target, v.back() <= target ? "met" : "NOT met");
    std::printf("\n");
}

} // namespace mokuri::bench
