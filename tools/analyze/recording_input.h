// A recording read for the measurement: any file libsndfile reads, any
// sample rate and channel count, mixed to mono, brought to the capture format
// (11025 samples per second, 16-bit) with libsoxr, optionally through the
// tone filter, and handed out in pieces as the sound card would deliver
// captured blocks. Reads in large blocks with constant memory however long
// the recording; every recording has its own state, so several can be read
// at once on different threads.
#ifndef VENTROK_ANALYZE_RECORDING_INPUT_H
#define VENTROK_ANALYZE_RECORDING_INPUT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/audio/detector.h" // SAMPLE_RATE_HZ, the capture's rate

struct recording_info {
    int sample_rate;
    int channels;
    int64_t frames;     // in the file's own rate
    double seconds;     // frames / sample_rate
    std::string format; // libsndfile's name of the major format
};

struct recording_input;

// Opens the recording; on failure (missing, unreadable, not a recording,
// truncated, empty) returns null and puts the reason in error. With
// tone_filter_hz not 0 (a valid tone filter frequency) the capture samples
// go through the tone filter at that frequency.
recording_input *open_recording(const char *path, double tone_filter_hz, std::string &error);

const recording_info &recording_description(const recording_input *input);

// Appends up to max_samples capture-format samples to out (fewer only at the
// end of the recording); returns false with error set when reading or
// converting fails. *ended becomes true once the recording has been used up.
bool read_capture_samples(recording_input *input, std::vector<int16_t> &out, size_t max_samples,
                          bool *ended, std::string &error);

// Seconds of the recording (in its own rate) read so far.
double recording_seconds_read(const recording_input *input);

void close_recording(recording_input *input);

#endif
