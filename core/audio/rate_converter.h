// Sample rate conversion of one mono stream of a recording to the capture
// rate: a polyphase filter of Kaiser-windowed sinc taps, linear phase, its
// delay taken out, so that output sample n stands at input time
// n x input rate / output rate exactly. The passband reaches 0.36 of the
// lower rate (3969 Hz at 11025), the stopband begins at 0.64 of it with 80 dB
// of attenuation: nothing folds into the band where keyed tones lie.
// Streaming, with memory that does not grow with the recording.
#ifndef VENTROK_CORE_AUDIO_RATE_CONVERTER_H
#define VENTROK_CORE_AUDIO_RATE_CONVERTER_H

#include <cstddef>
#include <cstdint>
#include <vector>

struct rate_converter {
    uint32_t up;      // output rate / their greatest common divisor
    uint32_t down;    // input rate / the same
    uint32_t phases;  // rows of the tap table: up, or at most MAX_PHASES
    uint32_t taps;    // taps of a row, a multiple of 8
    std::vector<float> table; // phases x taps
    // Input samples not yet behind every output that needs them; the first
    // stands for input index history_start (negative indexes are silence).
    std::vector<float> history;
    int64_t history_start;
    uint64_t next_output;   // index of the next output sample
    uint64_t input_count;   // input samples received
    uint64_t output_total;  // outputs of the whole stream, known once finished
    bool finished;
};

// Rows of the tap table at most: rates whose ratio needs more are placed on
// the nearest of this many phases (an error under 1/8192 of an input sample).
constexpr uint32_t MAX_PHASES = 4096;

void rate_converter_init(rate_converter &c, uint32_t input_rate, uint32_t output_rate);

// Output samples that count input samples can make at most (room for out).
size_t rate_converter_room(const rate_converter &c, size_t count);

// Takes count input samples; writes the output samples that are complete
// into out and returns how many.
size_t rate_converter_push(rate_converter &c, const float *samples, size_t count, float *out);

// After the last input: the remaining output samples, up to room of them
// per call; 0 once all are out. The stream has ceil(inputs x up / down)
// outputs in all.
size_t rate_converter_finish(rate_converter &c, float *out, size_t room);

#endif
