// A recording read as the capture device would have delivered it: its WAV
// header checked, its frames mixed to one channel, brought to the capture
// format (11025 samples per second, 16-bit) and handed out in pieces. A
// recording already in that format (mono, 16-bit, 11025 Hz) is handed out
// sample for sample. Memory stays the same however long the recording.
#ifndef VENTROK_CORE_AUDIO_RECORDING_READER_H
#define VENTROK_CORE_AUDIO_RECORDING_READER_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/audio/rate_converter.h"
#include "core/audio/wav_reader.h"

struct recording_reader {
    byte_source source;
    wav_format format;
    bool capture_format;  // the file's samples are the capture samples
    bool converting;      // another rate than the capture's
    rate_converter converter;
    uint64_t frames_read;
    bool file_done;       // every frame has been read
    bool failed;          // reading the file failed
    std::vector<uint8_t> raw;        // frames as read
    std::vector<float> mono;         // file rate, in 16-bit units
    std::vector<float> converted;    // capture rate, in 16-bit units
    std::vector<int16_t> pending;    // capture samples not yet handed out
    size_t pending_begin;
};

// Reads and checks the header (read_wav_header); on WAV_OK the reader is
// ready to hand out capture samples.
wav_problem recording_reader_open(recording_reader &r, const byte_source &source);

// Up to max capture samples into out; returns how many. Fewer than max only
// at the end of the recording (0 once it is used up) or when reading failed
// (r.failed is then set).
size_t recording_reader_take(recording_reader &r, int16_t *out, size_t max);

// A sample in 16-bit units as a capture sample: rounded to the nearest (ties
// to even) and limited as the sound card's converter would; not a number is
// silence.
int16_t to_capture_sample(float value);

#endif
