// The tone filter: its gain (a steady tone of amplitude A comes out as A, so
// the detection threshold keeps its meaning), its rejection of tones beside
// it, its edges (delay taken out: half the amplitude at the tone's edges), and
// that blocks of any size give the same output as the whole signal.
//
// Expected values come from the kernel's own arithmetic done here: three
// running sums of M samples have the frequency response
// |sin(pi M f / fs) / (M sin(pi f / fs))|^3 and a step response that is the
// running total of box * box * box.
#include "tools/tone_filter/tone_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace
{

constexpr double PI = 3.14159265358979323846;
constexpr double FS = 11025.0;
constexpr int M = TONE_FILTER_BOX_SAMPLES;

// Magnitude of the kernel's response at f Hz (1 at 0 Hz).
double kernel_response(double f)
{
    if (f == 0.0)
        return 1.0;
    const double box = std::sin(PI * M * f / FS) / (M * std::sin(PI * f / FS));
    return std::fabs(box * box * box);
}

// The kernel box * box * box, normalised to a sum of 1.
std::vector<double> kernel()
{
    std::vector<double> k(1, 1.0);
    for (int stage = 0; stage < 3; stage++) {
        std::vector<double> next(k.size() + M - 1, 0.0);
        for (size_t i = 0; i < k.size(); i++)
            for (int j = 0; j < M; j++)
                next[i + j] += k[i] / M;
        k = next;
    }
    return k;
}

std::vector<int16_t> tone(size_t length, double hz, double amplitude, size_t on, size_t off,
                          double phase = 0.3)
{
    std::vector<int16_t> s(length, 0);
    for (size_t n = on; n < off && n < length; n++)
        s[n] =
            static_cast<int16_t>(std::lround(amplitude * std::sin(2 * PI * hz * n / FS + phase)));
    return s;
}

std::vector<int16_t> filtered(double filter_hz, std::vector<int16_t> samples)
{
    tone_filter_signal(filter_hz, 1.0, samples);
    return samples;
}

TEST(ToneFilter, FrequencyRangeIsOneHundredToThreeThousandHertz)
{
    const struct {
        double hz;
        bool valid;
    } cases[] = {{99.99, false},   {100.0, true}, {700.0, true},   {3000.0, true},
                 {3000.01, false}, {0.0, false},  {-700.0, false}, {NAN, false}};
    for (const auto &c : cases)
        EXPECT_EQ(tone_filter_frequency_valid(c.hz), c.valid) << c.hz;
}

TEST(ToneFilter, SteadyToneComesOutAtItsAmplitude)
{
    const struct {
        double hz;
        double amplitude;
    } cases[] = {{700.0, 20000.0}, {100.0, 20000.0}, {3000.0, 20000.0},
                 {700.0, 5000.0},  {441.3, 12240.0}, {1234.5, 30000.0}};
    for (const auto &c : cases) {
        const std::vector<int16_t> out = filtered(c.hz, tone(20000, c.hz, c.amplitude, 0, 20000));
        // The mixing leaves an image at twice the frequency, which the kernel
        // only attenuates; the rest is rounding.
        const double ripple = c.amplitude * kernel_response(2.0 * c.hz) + 2.0;
        double sum = 0.0;
        const size_t from = 2 * TONE_FILTER_DELAY_SAMPLES, to = out.size() - from;
        for (size_t n = from; n < to; n++) {
            ASSERT_NEAR(out[n], c.amplitude, ripple) << c.hz << " Hz at sample " << n;
            sum += out[n];
        }
        EXPECT_NEAR(sum / (to - from), c.amplitude, 0.002 * c.amplitude + 1.0) << c.hz << " Hz";
    }
}

TEST(ToneFilter, ToneBesideTheFilterIsHeldBack)
{
    const struct {
        double filter_hz;
        double tone_hz;
    } cases[] = {{700.0, 1100.0}, {700.0, 350.0}, {700.0, 2000.0}, {1500.0, 1000.0}};
    for (const auto &c : cases) {
        const double amplitude = 30000.0;
        const std::vector<int16_t> out =
            filtered(c.filter_hz, tone(20000, c.tone_hz, amplitude, 0, 20000));
        // Both mixing products through the kernel, plus the oscillator's phase
        // steps (a 4096-entry table: at most pi / 4096 of the amplitude).
        const double bound =
            amplitude * (kernel_response(c.tone_hz - c.filter_hz) +
                         kernel_response(c.tone_hz + c.filter_hz) + PI / TONE_FILTER_TABLE_SIZE) +
            2.0;
        const int16_t peak = *std::max_element(out.begin() + 2 * TONE_FILTER_DELAY_SAMPLES,
                                               out.end() - 2 * TONE_FILTER_DELAY_SAMPLES);
        EXPECT_LE(peak, bound) << c.tone_hz << " Hz through " << c.filter_hz;
        // Far below the initial detection threshold.
        EXPECT_LT(peak, 12240 / 10);
    }
}

// First and last sample at or above a level.
struct crossing {
    long first;
    long last;
};

crossing crossings(const std::vector<int16_t> &s, double level)
{
    crossing c = {-1, -1};
    for (size_t n = 0; n < s.size(); n++) {
        if (s[n] >= level) {
            if (c.first < 0)
                c.first = static_cast<long>(n);
            c.last = static_cast<long>(n);
        }
    }
    return c;
}

TEST(ToneFilter, EdgesCrossHalfTheAmplitudeWhereTheToneStartsAndEnds)
{
    // The delay is taken out: the symmetric kernel puts half of the step at
    // the edge itself, whatever the tone's phase and frequency. Near an edge
    // the image at twice the frequency is only half cancelled and moves the
    // crossing by up to a sample either way (the cases show both ways, so a
    // delay off by one sample fails).
    const struct {
        double hz;
        double phase;
        size_t on;
        size_t off;
    } cases[] = {{700.0, 0.0, 1000, 3000},  {700.0, 1.9, 1003, 1664}, {523.0, 0.7, 500, 2700},
                 {1800.0, 2.5, 2222, 4444}, {700.0, 0.3, 0, 2000},    {950.0, 0.3, 3000, 4000}};
    for (const auto &c : cases) {
        const double amplitude = 20000.0;
        const std::vector<int16_t> out =
            filtered(c.hz, tone(6000, c.hz, amplitude, c.on, c.off, c.phase));
        const crossing half = crossings(out, amplitude / 2.0);
        if (c.on > 0) {
            EXPECT_NEAR(half.first, static_cast<long>(c.on), 1) << c.hz << " Hz, on " << c.on;
        }
        EXPECT_NEAR(half.last, static_cast<long>(c.off) - 1, 1) << c.hz << " Hz, off " << c.off;
    }
}

TEST(ToneFilter, ThresholdCrossingsFollowTheKernelsStepResponse)
{
    // A tone of 20000 against the initial threshold 12240: the key-down comes
    // where the step response passes 12240 / 20000, the key-up where it falls
    // back under it; both from the kernel computed here.
    const std::vector<double> k = kernel();
    ASSERT_EQ(static_cast<int>(k.size()), 2 * TONE_FILTER_DELAY_SAMPLES + 1);
    const struct {
        double amplitude;
        double threshold;
    } cases[] = {{20000.0, 12240.0}, {24000.0, 12240.0}, {14000.0, 12240.0}, {30000.0, 5000.0}};
    for (const auto &c : cases) {
        // Step response s(j) = sum of k[0..j]; the envelope at on + j - D is A s(j).
        double total = 0.0;
        bool risen = false;
        long rise = 0, fall = 0;
        for (size_t j = 0; j < k.size(); j++) {
            total += k[j];
            if (!risen && c.amplitude * total > c.threshold) {
                rise = static_cast<long>(j) - TONE_FILTER_DELAY_SAMPLES;
                risen = true;
            }
            // Falling edge: A (1 - s(j)) is still above the threshold.
            if (c.amplitude * (1.0 - total) > c.threshold)
                fall = static_cast<long>(j) - TONE_FILTER_DELAY_SAMPLES;
        }
        const size_t on = 1000, off = 3000;
        const std::vector<int16_t> out = filtered(700.0, tone(5000, 700.0, c.amplitude, on, off));
        const crossing above = crossings(out, c.threshold + 1);
        EXPECT_NEAR(above.first, static_cast<long>(on) + rise, 1) << c.amplitude;
        EXPECT_NEAR(above.last, static_cast<long>(off) + fall, 1) << c.amplitude;
    }
}

TEST(ToneFilter, BlocksOfAnySizeGiveTheWholeSignalsOutput)
{
    const std::vector<int16_t> input = tone(9000, 700.0, 20000.0, 1500, 7000);
    const std::vector<int16_t> whole = filtered(700.0, input);
    ASSERT_EQ(whole.size(), input.size());
    const size_t sizes[] = {1, 7, 110, 0, 3000, 59, 61, 2};
    tone_filter *f = new tone_filter;
    tone_filter_init(*f, 700.0, 1.0);
    std::vector<int16_t> pieces;
    size_t at = 0;
    for (size_t i = 0; at < input.size(); i++) {
        const size_t count = std::min(sizes[i % 8], input.size() - at);
        std::vector<int16_t> block(input.begin() + at, input.begin() + at + count);
        // In place, as the recording input uses it.
        const size_t written = tone_filter_process(*f, block.data(), count, block.data());
        pieces.insert(pieces.end(), block.begin(), block.begin() + written);
        at += count;
    }
    int16_t tail[TONE_FILTER_DELAY_SAMPLES];
    const size_t owed = tone_filter_finish(*f, tail);
    pieces.insert(pieces.end(), tail, tail + owed);
    delete f;
    EXPECT_EQ(pieces, whole);
}

TEST(ToneFilter, SignalShorterThanTheDelayKeepsItsLength)
{
    const size_t lengths[] = {0,
                              1,
                              10,
                              TONE_FILTER_DELAY_SAMPLES - 1,
                              TONE_FILTER_DELAY_SAMPLES,
                              TONE_FILTER_DELAY_SAMPLES + 1};
    for (size_t length : lengths) {
        std::vector<int16_t> s = tone(length, 700.0, 20000.0, 0, length);
        tone_filter_signal(700.0, 1.0, s);
        EXPECT_EQ(s.size(), length);
        tone_filter *f = new tone_filter;
        tone_filter_init(*f, 700.0, 1.0);
        std::vector<int16_t> out(length + TONE_FILTER_DELAY_SAMPLES);
        const size_t written = tone_filter_process(*f, s.data(), length, out.data());
        EXPECT_EQ(written + tone_filter_finish(*f, out.data() + written), length);
        delete f;
    }
}

} // namespace
