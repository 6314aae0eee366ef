// The tone filter: a narrow front end put before the key detector for
// keying heard through noise.
//
// The capture samples are mixed down with a quadrature oscillator at the
// keyed tone's frequency; both halves are low-passed by three running sums of
// TONE_FILTER_BOX_SAMPLES samples each (a symmetric kernel with no negative
// taps, so the envelope rises and falls without ringing; 110 Hz of noise
// bandwidth, a fiftieth of the full band), and the magnitude comes out as a non-negative 16-bit
// sample. A steady tone of amplitude A at the filter's frequency gives A:
// the detection threshold compares with the same number as with the peaks
// of the tone itself.
//
// The kernel is symmetric, so the filter delays everything by exactly
// TONE_FILTER_DELAY_SAMPLES (81, 7.3 ms); the output is taken that many
// samples later, so that output sample n belongs to input sample n, and the
// envelope crosses half the tone's amplitude at the samples where the tone
// starts and ends. Against a threshold above half the amplitude a mark comes
// out shorter by the time the envelope takes from the threshold's mirror
// image to the threshold: 17 samples (1.5 ms) for the initial threshold 12240
// against a tone of 20000, 65 samples (5.9 ms) against a tone of 14000,
// nothing when the threshold is half the amplitude.
//
// The magnitude can be multiplied by a gain before it is rounded: the
// automatic level (tone_level.h) brings the tone to a fixed level that way.
//
// All integer arithmetic up to the magnitude: the same samples give the same
// output on every machine. Each filter is its own record; any number can run
// at once.
#ifndef VENTROK_TOOLS_TONE_FILTER_H
#define VENTROK_TOOLS_TONE_FILTER_H

#include "core/audio/detector.h"

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr double TONE_FILTER_SAMPLE_RATE = SAMPLE_RATE_HZ;
constexpr double TONE_FILTER_MIN_HZ = 100.0;
constexpr double TONE_FILTER_MAX_HZ = 3000.0;
// Length of each running sum (odd, so that the delay is whole samples).
// Longer sums take more noise away but stretch the edges (decode_accuracy's
// SNR table and docs/decoding-accuracy.md).
constexpr int TONE_FILTER_BOX_SAMPLES = 55;
constexpr int TONE_FILTER_STAGES = 3;
constexpr int TONE_FILTER_DELAY_SAMPLES = TONE_FILTER_STAGES * (TONE_FILTER_BOX_SAMPLES - 1) / 2;
// Oscillator table: one period of the sine, scaled to 2^14.
constexpr int TONE_FILTER_TABLE_BITS = 12;
constexpr int TONE_FILTER_TABLE_SIZE = 1 << TONE_FILTER_TABLE_BITS;

struct tone_filter {
    double frequency_hz;
    double output_scale; // from the third running sum to sample units, with the gain
    uint32_t phase;      // oscillator phase, a full turn is 2^32
    uint32_t phase_step; // per sample
    int16_t sine[TONE_FILTER_TABLE_SIZE];
    // Running sums of the in-phase and quadrature halves: the last
    // TONE_FILTER_BOX_SAMPLES inputs of each stage and their sum.
    int64_t history_i[TONE_FILTER_STAGES][TONE_FILTER_BOX_SAMPLES];
    int64_t history_q[TONE_FILTER_STAGES][TONE_FILTER_BOX_SAMPLES];
    int64_t sum_i[TONE_FILTER_STAGES];
    int64_t sum_q[TONE_FILTER_STAGES];
    int position;        // of the oldest history entry, the same in every stage
    int outputs_to_skip; // the first outputs belong to samples before the input
};

// Whether the filter can work at this frequency (100..3000 Hz).
bool tone_filter_frequency_valid(double frequency_hz);

// A filter at rest (all history zero) at a valid frequency; its output is
// the tone's amplitude times gain.
void tone_filter_init(tone_filter &f, double frequency_hz, double gain);

// Filters count input samples into out, which may be the input itself.
// Returns the number of output samples written: the first call of a fresh
// filter writes TONE_FILTER_DELAY_SAMPLES fewer than it reads, which
// tone_filter_finish writes at the end.
size_t tone_filter_process(tone_filter &f, const int16_t *in, size_t count, int16_t *out);

// The output of the last input samples, taken as if silence followed: writes
// the outputs still owed (TONE_FILTER_DELAY_SAMPLES, or as many as were read
// when that is fewer) and returns their number. The filter is used up.
size_t tone_filter_finish(tone_filter &f, int16_t *out);

// A whole signal through a fresh filter, in place (as many samples out as in).
void tone_filter_signal(double frequency_hz, double gain, std::vector<int16_t> &samples);

#endif
