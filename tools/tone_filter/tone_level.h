// The level of the keyed tone in the tone filter's output, so that the
// filtered recording can be brought to a fixed level whatever the level of
// the recording: a recorder or an editor that normalised a noisy recording
// to its peak leaves the tone where the noise's peaks put it, often near or
// under the detection threshold once the filter has taken the noise away.
//
// The filter's output (the envelope) gathers in a histogram. The keyed tone
// and the gaps between its marks make two clusters: the threshold between
// them is found by the two-means iteration (each cluster's mean, the
// threshold half-way between, until it stays), and the tone's level is the
// median of the upper cluster. A tone stands clear when the upper cluster
// holds at least a second of key-down and its median is at least
// TONE_LEVEL_SEPARATION times the lower cluster's: noise alone splits into
// two halves far closer together. The first 30 s decide; when no tone
// stands clear there, every further second is looked at again, up to the end.
//
// The decision depends only on the samples, not on how they are handed in.
#ifndef VENTROK_TOOLS_TONE_LEVEL_H
#define VENTROK_TOOLS_TONE_LEVEL_H

#include <cstddef>
#include <cstdint>

// Where the tone is brought: the amplitude the initial detection threshold
// (12240) reads well, the tools' standard test tone. The threshold then
// stands at 0.61 of the tone: noise must take 39 % of the tone away to split
// a mark, and the filter's edges shorten a mark by 1.5 ms (tone_filter.h),
// as they did before the level was set; clean keying at 20000 reads as it
// did (docs/decoding-accuracy.md).
constexpr int32_t TONE_FILTER_LEVEL = 20000;

constexpr int TONE_LEVEL_BIN_WIDTH = 8;
constexpr int TONE_LEVEL_BINS = 32768 / TONE_LEVEL_BIN_WIDTH;
constexpr uint64_t TONE_LEVEL_FIRST_SAMPLES = 30 * 11025;
constexpr uint64_t TONE_LEVEL_STEP_SAMPLES = 11025;
constexpr uint64_t TONE_LEVEL_MIN_TONE_SAMPLES = 11025;
constexpr int TONE_LEVEL_SEPARATION = 4;
// Quieter than this (in sample units) is no keying (as for the search).
constexpr int32_t TONE_LEVEL_MIN = 50;

struct tone_level {
    uint64_t histogram[TONE_LEVEL_BINS];
    uint64_t count;
    int32_t level; // the tone's level once it stands clear, else 0
};

void tone_level_init(tone_level &t);

// Adds envelope samples; returns true once a tone stands clear (later
// samples change nothing).
bool tone_level_add(tone_level &t, const int16_t *envelope, size_t count);

// The tone's level: found while adding, or from everything added when no
// tone stood clear at any of the moments looked at; 0 when none does.
int32_t tone_level_found(const tone_level &t);

// The gain that brings a tone of this level to TONE_FILTER_LEVEL; 1 for no
// tone (level 0).
double tone_level_gain(int32_t level);

#endif
