#include "core/replay/keying_file.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

static void BM_KeyingFileWriteAndRead10000(benchmark::State &state)
{
    std::vector<uint16_t> entries(10000);
    uint32_t seed = 7;
    for (size_t i = 0; i < entries.size(); i++) {
        seed = seed * 1664525u + 1013904223u;
        entries[i] = uint16_t(i == 0 ? 0 : 50 + (seed >> 8) % 400);
    }
    keying_statistics stats{};
    stats.mean_dot_ms = 61.3;
    stats.mean_dash_ms = 183.9;
    stats.mean_gap_ms = 58.2;
    stats.decision_time_ms = 140;
    std::unique_ptr<replay_record> record(new replay_record());
    for (auto _ : state) {
        const std::string text =
            format_keying_data_file(entries.data(), int(entries.size()), 300, stats);
        FILE *file = std::tmpfile();
        std::fwrite(text.data(), 1, text.size(), file);
        std::rewind(file);
        int seconds = 0;
        const load_result_t result = load_keying_data_file(file, *record, &seconds);
        std::fclose(file);
        if (result != LOAD_LOADED || record->entry_count != 10000)
            state.SkipWithError("file did not load back");
        benchmark::DoNotOptimize(record->entries[9999]);
    }
}
BENCHMARK(BM_KeyingFileWriteAndRead10000)->Unit(benchmark::kMillisecond);
