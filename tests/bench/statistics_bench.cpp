#include "core/analysis/statistics.h"

#include <benchmark/benchmark.h>

#include <vector>

// A full timeline of hand keying: dots, dashes, element gaps, letter and
// word spaces with a few ms of jitter.
static std::vector<uint16_t> full_keying_timeline()
{
    std::vector<uint16_t> entries(10100, 0);
    uint32_t seed = 2024;
    auto next = [&seed](uint32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    for (int i = 1; i < 10098; i++) {
        const uint32_t pick = next(100);
        int base;
        if (i % 2 == 1)
            base = pick < 40 ? 180 : 60;
        else
            base = pick < 8 ? 420 : pick < 35 ? 180 : 60;
        entries[i] = uint16_t(base + int(next(17)) - 8);
    }
    return entries;
}

static void BM_KeyingStatisticsFullTimeline(benchmark::State &state)
{
    const std::vector<uint16_t> entries = full_keying_timeline();
    static keying_statistics stats;
    for (auto _ : state) {
        compute_keying_statistics(stats, entries.data(), 10098);
        benchmark::DoNotOptimize(stats.decision_time_ms);
    }
}
BENCHMARK(BM_KeyingStatisticsFullTimeline)->Unit(benchmark::kMicrosecond);
