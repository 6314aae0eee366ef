// A recording read for the measurement: any file libsndfile reads, any
// sample rate and channel count, mixed to mono, brought to the capture format
// (11025 samples per second, 16-bit) with libsoxr, optionally through the
// tone filter, and handed out in pieces as the sound card would deliver
// captured blocks. Reads in large blocks with constant memory however long
// the recording, and reads it once, from the start to the end, so that
// standard input and pipes are read as well as files; every recording has
// its own state, so several can be read at once on different threads.
#ifndef VENTROK_ANALYZE_RECORDING_INPUT_H
#define VENTROK_ANALYZE_RECORDING_INPUT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct recording_info {
    int sample_rate;
    int channels;
    int64_t frames;     // in the file's own rate; -1 when the file does not say
    double seconds;     // frames / sample_rate; negative when the file does not say
    std::string format; // libsndfile's name of the major format
};

struct recording_input;

// Opens the recording ("-": standard input); on failure (missing,
// unreadable, not a recording, a WAV cut short) returns null and puts the
// reason in error. With tone_filter_hz not 0 (a valid tone filter frequency)
// the capture samples go through the tone filter at that frequency and gain.
recording_input *open_recording(const char *path, double tone_filter_hz, double tone_gain,
                                std::string &error);

const recording_info &recording_description(const recording_input *input);

// Appends up to max_samples capture-format samples to out (fewer only at the
// end of the recording); returns false with error set when reading or
// converting fails, or when the recording turns out truncated (it ends
// before the frames its header counts) or empty. *ended becomes true once
// the recording has been used up.
bool read_capture_samples(recording_input *input, std::vector<int16_t> &out, size_t max_samples,
                          bool *ended, std::string &error);

void close_recording(recording_input *input);

#endif
