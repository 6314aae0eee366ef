// Throughput of the measurement engine's block step on a keyed tone: a 700 Hz
// tone keyed at about 20 words per minute (60 ms dots, 180 ms dashes, 60 ms
// element gaps, 180 ms character gaps) with some background noise, analysed
// in 110-sample blocks as the capture delivers them, with no display.
#include "core/app/measurement_engine.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace
{

constexpr size_t FIVE_MINUTES_SAMPLES = 11025 * 300;
constexpr size_t BLOCK_SAMPLES = 110;

std::vector<int16_t> keyed_tone(size_t samples)
{
    // "CQ " repeated: dash dot dash dot / dash dash dot dash.
    const char *pattern = "-.-. --.- ";
    const size_t dot = 60 * 11;
    std::vector<int16_t> out;
    out.reserve(samples);
    uint32_t noise = 12345;
    auto push = [&](size_t n, bool tone) {
        for (size_t i = 0; i < n && out.size() < samples; i++) {
            noise = noise * 1103515245u + 12345u;
            const double hiss = static_cast<int32_t>((noise >> 16) & 0x3FF) - 512;
            const double t = static_cast<double>(out.size()) / 11025.0;
            const double level = tone ? 20000.0 * std::sin(2 * M_PI * 700.0 * t) : 0.0;
            out.push_back(static_cast<int16_t>(level + hiss));
        }
    };
    for (size_t i = 0; out.size() < samples; i = (i + 1) % 10) {
        const char c = pattern[i];
        if (c == ' ') {
            push(2 * dot, false);
            continue;
        }
        push(c == '.' ? dot : 3 * dot, true);
        push(dot, false);
    }
    return out;
}

void run_measurement(const std::vector<int16_t> &signal, size_t samples)
{
    static measurement_engine engine;
    engine_init(engine, initial_settings());
    engine_start(engine, true);
    const engine_display no_display{};
    for (size_t at = 0; at + BLOCK_SAMPLES <= samples; at += BLOCK_SAMPLES) {
        const block_result r =
            engine_process_block(engine, signal.data() + at, BLOCK_SAMPLES, no_display);
        benchmark::DoNotOptimize(r.meter.peak_level);
    }
    benchmark::DoNotOptimize(engine.timeline.timeline_count);
}

void BM_EngineBlocksKeyedTone(benchmark::State &state)
{
    const size_t samples = static_cast<size_t>(state.range(0));
    const std::vector<int16_t> signal = keyed_tone(samples);
    build_morse_tables();
    for (auto _ : state)
        run_measurement(signal, samples);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(samples / BLOCK_SAMPLES * BLOCK_SAMPLES));
}

} // namespace

// One second of keying, and a whole 5-minute measurement (3.3 M samples).
BENCHMARK(BM_EngineBlocksKeyedTone)
    ->Arg(11025)
    ->Arg(FIVE_MINUTES_SAMPLES)
    ->Unit(benchmark::kMillisecond);
