// Finding the frequency of the keyed tone for the tone filter, as the sound
// streams past: the power spectrum of successive frames of 2048 capture
// samples (Hann window, 5.4 Hz per bin) is summed up, and once the strongest
// bin between 100 and 3000 Hz stands well above the spectrum's median, its
// frequency (interpolated between the bins) is the tone's. Keyed tone puts
// its power into a few bins, noise spreads evenly over all of them, so a
// tone is found within a second or two of keying even below 0 dB of
// full-band SNR. Memory stays the same however long the sound is.
#ifndef VENTROK_TOOLS_TONE_FREQUENCY_H
#define VENTROK_TOOLS_TONE_FREQUENCY_H

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int TONE_SEARCH_FRAME_SAMPLES = 2048;
// The strongest bin must carry this many times the median bin's power.
constexpr double TONE_SEARCH_PROMINENCE = 30.0;
// Frames summed before a decision.
constexpr int TONE_SEARCH_MIN_FRAMES = 2;
// Weaker tones than this (in sample units, mean over the frames) are not
// taken for keying: far below any detection threshold.
constexpr double TONE_SEARCH_MIN_AMPLITUDE = 50.0;

struct tone_search {
    std::vector<double> window;
    std::vector<std::complex<double>> twiddles; // e^(-2 pi i k / N), k < N / 2
    std::vector<std::complex<double>> spectrum; // the frame being transformed
    std::vector<double> frame;                  // samples of the frame being filled
    size_t filled;
    std::vector<double> power; // summed over the frames, bins 0..N/2
    int frames;
    bool found; // a clear tone: later samples change nothing
};

struct tone_search_result {
    bool found;          // a clear tone stood out
    bool any_sound;      // the strongest bin is at least a faint tone
    double frequency_hz; // the tone, else the strongest bin (0 with no sound)
};

void tone_search_init(tone_search &s);

// Adds samples; returns true once a clear tone has been found.
bool tone_search_add(tone_search &s, const int16_t *samples, size_t count);

// The tone found, or the best guess from everything added so far.
tone_search_result tone_search_outcome(const tone_search &s);

// The frequency for the tone filter: the tone found, else the strongest
// frequency; without any sound, where the filter listens makes no
// difference and it is the lowest it takes.
double tone_filter_frequency_for(const tone_search_result &result);

// The whole signal (or its beginning, up to the tone) searched at once.
tone_search_result tone_search_signal(const std::vector<int16_t> &samples);

#endif
