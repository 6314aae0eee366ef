// Finding the keyed tone's frequency: clean and noisy keying at frequencies
// across the filter's range, noise and silence that hold no tone, and keying
// that begins after a long stretch of noise. Then its level in the filtered
// sound, which the tone filter brings to a fixed level.
#include "tools/tone_filter/tone_frequency.h"

#include "tools/tone_filter/tone_filter.h"
#include "tools/tone_filter/tone_level.h"

#include "tools/keying_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace
{

constexpr double PI = 3.14159265358979323846;
constexpr double FS = 11025.0;

// Dots and gaps of 60 ms (20 WPM), tone of amplitude a at hz, from sample
// start on; white Gaussian noise of the given RMS everywhere; clamped to 16
// bits as a sound card would.
std::vector<int16_t> keying(double seconds, double hz, double amplitude, double noise_rms,
                            double start_seconds = 0.0, uint64_t seed = 1)
{
    keying_text::rng noise = keying_text::make_rng(seed, 3);
    const size_t length = static_cast<size_t>(seconds * FS);
    const size_t start = static_cast<size_t>(start_seconds * FS);
    const size_t dot = static_cast<size_t>(0.060 * FS);
    std::vector<int16_t> s(length);
    for (size_t n = 0; n < length; n++) {
        const bool key_down = n >= start && ((n - start) / dot) % 2 == 0;
        double v = key_down ? amplitude * std::sin(2 * PI * hz * n / FS) : 0.0;
        if (noise_rms > 0)
            v += noise_rms * keying_text::rng_normal(noise);
        s[n] = static_cast<int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
    }
    return s;
}

// Noise of RMS r against a tone of amplitude a: 10 log10((a^2 / 2) / r^2).
double noise_for_snr(double amplitude, double snr_db)
{
    return amplitude / std::sqrt(2.0) * std::pow(10.0, -snr_db / 20.0);
}

// Samples added until the search found the tone (all of them if never).
size_t samples_until_found(tone_search &s, const std::vector<int16_t> &samples)
{
    const size_t block = 110;
    size_t at = 0;
    while (at < samples.size()) {
        const size_t count = std::min(block, samples.size() - at);
        at += count;
        if (tone_search_add(s, samples.data() + at - count, count))
            break;
    }
    return at;
}

TEST(ToneFrequency, CleanKeyingIsFoundAtItsFrequency)
{
    const double frequencies[] = {100.0, 455.0, 700.0, 1234.5, 2990.0};
    for (double hz : frequencies) {
        const tone_search_result r = tone_search_signal(keying(3.0, hz, 20000.0, 0.0));
        EXPECT_TRUE(r.found) << hz;
        EXPECT_TRUE(r.any_sound) << hz;
        EXPECT_NEAR(r.frequency_hz, hz, 1.5) << hz;
    }
}

TEST(ToneFrequency, NoisyKeyingIsFoundWithinTwoSeconds)
{
    const struct {
        double hz;
        double snr_db;
    } cases[] = {{700.0, 10.0}, {700.0, 0.0}, {700.0, -3.0}, {613.0, 0.0}, {1500.0, -3.0}};
    for (const auto &c : cases) {
        for (uint64_t seed = 1; seed <= 3; seed++) {
            tone_search *s = new tone_search;
            tone_search_init(*s);
            const std::vector<int16_t> samples =
                keying(10.0, c.hz, 20000.0, noise_for_snr(20000.0, c.snr_db), 0.0, seed);
            const size_t used = samples_until_found(*s, samples);
            const tone_search_result r = tone_search_outcome(*s);
            EXPECT_TRUE(r.found) << c.hz << " Hz at " << c.snr_db << " dB";
            EXPECT_LE(used, static_cast<size_t>(2.0 * FS)) << c.hz << " Hz at " << c.snr_db;
            EXPECT_NEAR(r.frequency_hz, c.hz, 3.0) << c.hz << " Hz at " << c.snr_db << " dB";
            delete s;
        }
    }
}

TEST(ToneFrequency, NoiseAloneHoldsNoTone)
{
    // White noise of RMS r puts r^2 times the window's sum of squares
    // (3 N / 8 = 768) into every bin on average; a tone of amplitude 50
    // (the faintest taken as sound) puts (50 / 2 * N / 2)^2 = 6.6e8 into its
    // bin. So noise of 300 (6.9e7 a bin) is no sound, noise of 5000 is.
    const struct {
        double rms;
        bool any_sound;
    } cases[] = {{300.0, false}, {5000.0, true}, {14000.0, true}};
    for (const auto &c : cases) {
        const tone_search_result r = tone_search_signal(keying(30.0, 700.0, 0.0, c.rms));
        EXPECT_FALSE(r.found) << c.rms;
        EXPECT_EQ(r.any_sound, c.any_sound) << c.rms;
        EXPECT_GE(r.frequency_hz, 100.0);
        EXPECT_LE(r.frequency_hz, 3000.0);
    }
}

TEST(ToneFrequency, SilenceHoldsNothing)
{
    const tone_search_result silent = tone_search_signal(std::vector<int16_t>(5 * 11025, 0));
    EXPECT_FALSE(silent.found);
    EXPECT_FALSE(silent.any_sound);
    EXPECT_EQ(silent.frequency_hz, 0.0);
    // Shorter than one frame: nothing to look at.
    const tone_search_result short_one = tone_search_signal(keying(0.1, 700.0, 20000.0, 0.0));
    EXPECT_FALSE(short_one.found);
    EXPECT_EQ(short_one.frequency_hz, 0.0);
    // A tone too faint to key anything.
    const tone_search_result faint = tone_search_signal(keying(5.0, 700.0, 20.0, 0.0));
    EXPECT_FALSE(faint.found);
    EXPECT_FALSE(faint.any_sound);
}

TEST(ToneFrequency, KeyingAfterLongNoiseIsFoundOnceItStarts)
{
    tone_search *s = new tone_search;
    tone_search_init(*s);
    const double rms = noise_for_snr(20000.0, 0.0);
    const std::vector<int16_t> samples = keying(60.0, 820.0, 20000.0, rms, 30.0);
    const size_t used = samples_until_found(*s, samples);
    const tone_search_result r = tone_search_outcome(*s);
    EXPECT_TRUE(r.found);
    EXPECT_GT(used, static_cast<size_t>(30.0 * FS));
    EXPECT_NEAR(r.frequency_hz, 820.0, 3.0);
    delete s;
}

TEST(ToneFrequency, LaterSoundChangesNothingOnceFound)
{
    tone_search *s = new tone_search;
    tone_search_init(*s);
    const std::vector<int16_t> first = keying(3.0, 700.0, 20000.0, 0.0);
    ASSERT_TRUE(tone_search_add(*s, first.data(), first.size()));
    const std::vector<int16_t> later = keying(10.0, 1800.0, 30000.0, 0.0);
    EXPECT_TRUE(tone_search_add(*s, later.data(), later.size()));
    EXPECT_NEAR(tone_search_outcome(*s).frequency_hz, 700.0, 1.5);
    delete s;
}

} // namespace

TEST(ToneLevel, TheFilteredTonesAmplitudeAndNothingInNoiseAlone)
{
    // The filter gives a steady tone's amplitude; with noise at 0 dB the
    // upper cluster's median stays within 2 % of it. Keying from the start
    // stands clear at the 30 s mark; keying that starts at 35 s a whole
    // number of seconds later.
    const struct {
        double amplitude;
        double noise_rms;
        double start_seconds;
        double expected;
    } cases[] = {{20000, 0, 0, 20000},          {1500, 0, 0, 1500},
                 {8000, noise_for_snr(8000, 0), 0, 8000}, {8000, 500, 35, 8000},
                 {0, 3000, 0, 0},                {0, 0, 0, 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.amplitude << " " << c.noise_rms << " " << c.start_seconds);
        std::vector<int16_t> s = keying(45.0, 700.0, c.amplitude, c.noise_rms, c.start_seconds);
        tone_filter_signal(700.0, 1.0, s);
        auto level = std::make_unique<tone_level>();
        tone_level_init(*level);
        for (size_t at = 0; at < s.size(); at += 1000)
            if (tone_level_add(*level, s.data() + at, std::min<size_t>(1000, s.size() - at)))
                break;
        EXPECT_NEAR(tone_level_found(*level), c.expected, 0.02 * c.expected);
        if (c.expected > 0) {
            EXPECT_GE(level->count, TONE_LEVEL_FIRST_SAMPLES);
            EXPECT_EQ((level->count - TONE_LEVEL_FIRST_SAMPLES) % TONE_LEVEL_STEP_SAMPLES, 0u);
            EXPECT_EQ(level->count > TONE_LEVEL_FIRST_SAMPLES, c.start_seconds > 0);
        }
    }
    EXPECT_EQ(tone_level_gain(0), 1.0);
    EXPECT_EQ(tone_level_gain(TONE_FILTER_LEVEL / 2), 2.0);
}
