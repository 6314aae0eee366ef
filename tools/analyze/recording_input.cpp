#include "recording_input.h"

#include "core/audio/detector.h"
#include "recording_file.h"
#include "tools/tone_filter/tone_filter.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

// Frames read from the file at a time: large enough that the reading costs
// little per sample, small enough to stay in the cache.
constexpr sf_count_t READ_FRAMES = 16384;

struct recording_input {
    recording_file source;
    SNDFILE *file; // source.sound
    std::string path;
    recording_info info;
    bool counts_frames;  // the header's frame count is exact (FLAC): fewer mean a cut-off file
    bool whole_samples;  // integer PCM of 16 bits or fewer: read as 16-bit samples
    bool capture_format; // 11025 Hz mono 16-bit: the file's samples are the capture samples
    soxr_t converter;    // null when the file is already at the capture rate
    double rate_ratio;   // capture rate / file rate
    tone_filter *filter; // null without the tone filter
    int64_t frames_read;
    bool file_ended;  // libsndfile has given the last frame
    bool input_ended; // and every capture sample has gone to pending
    // Buffers sized once at the start (pending grows only if a caller asks
    // for more at a time), so that reading costs no allocation or zeroing.
    std::vector<int16_t> file_samples; // interleaved, 16-bit formats
    std::vector<float> file_floats;    // interleaved, other formats
    std::vector<float> mono;           // file rate, in 16-bit sample units
    std::vector<float> converted;      // capture rate, in 16-bit sample units
    std::vector<int16_t> pending; // capture samples [pending_begin, pending_end) not yet handed out
    size_t pending_begin;
    size_t pending_end;
    size_t refill_room; // the most capture samples one refill adds
};

namespace
{

// libsoxr keeps FFT tables that all its converters share and sets them up
// the first time one is needed, in some builds without a lock. Converters are
// therefore created and deleted one at a time; each then converts on its own
// thread without touching the others.
std::mutex converter_lock;

// A sample in 16-bit units as a capture sample: rounded to nearest (ties to
// even) and limited as the sound card's converter would.
inline int16_t to_capture_sample(float value)
{
    if (value >= 32767.0f)
        return 32767;
    if (value <= -32768.0f)
        return -32768;
    return static_cast<int16_t>(std::lrintf(value));
}

bool reads_whole_samples(int format)
{
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return true;
    default:
        return false;
    }
}

bool read_failed(recording_input *input, sf_count_t got, std::string &error)
{
    if (got >= 0 && sf_error(input->file) == SF_ERR_NO_ERROR)
        return false;
    error = "cannot read the recording '" + input->path +
            "' to its end (damaged or truncated?): " + sf_strerror(input->file);
    return true;
}

// At the end of the file: a file that ends before the frames its header
// announces was cut off, and one without a frame holds nothing to measure.
bool ended_badly(const recording_input *input, std::string &error)
{
    if (input->frames_read == 0) {
        error = "'" + input->path + "' holds no sound (0 samples)";
        return true;
    }
    if (!input->counts_frames || input->frames_read >= input->info.frames)
        return false;
    error = "'" + input->path + "' is truncated: it ends after " +
            std::to_string(input->frames_read) + " of the " + std::to_string(input->info.frames) +
            " frames its header announces";
    return true;
}

bool conversion_failed(soxr_error_t problem, std::string &error)
{
    if (!problem)
        return false;
    error = std::string("cannot convert the sample rate: ") + problem;
    return true;
}

// Converts count samples at the file's rate into converted (room for what
// they give, and what the converter released from earlier input); *made
// tells how many came out.
bool convert(recording_input *input, size_t count, size_t *made, std::string &error)
{
    *made = 0;
    const float *samples = input->mono.data();
    while (count > 0) {
        size_t used = 0;
        size_t out_now = 0;
        if (conversion_failed(soxr_process(input->converter, samples, count, &used,
                                           input->converted.data() + *made,
                                           input->converted.size() - *made, &out_now),
                              error))
            return false;
        if (used == 0 && out_now == 0) {
            error = "cannot convert the sample rate: the converter takes no more input";
            return false;
        }
        samples += used;
        count -= used;
        *made += out_now;
    }
    return true;
}

// The mean of the channels, in 16-bit sample units. The sums are exact and
// the one division rounds as a division of the normalised samples would.
void mix_whole_samples(const int16_t *frames, size_t count, int channels, float *mono)
{
    if (channels == 1) {
        for (size_t f = 0; f < count; f++)
            mono[f] = frames[f];
    } else if (channels == 2) {
        for (size_t f = 0; f < count; f++)
            mono[f] = static_cast<float>(frames[2 * f] + frames[2 * f + 1]) * 0.5f;
    } else {
        for (size_t f = 0; f < count; f++) {
            int32_t sum = 0;
            for (int c = 0; c < channels; c++)
                sum += frames[f * channels + c];
            mono[f] = static_cast<float>(sum) / static_cast<float>(channels);
        }
    }
}

// The same for normalised floats (full scale 1.0), summed in float.
void mix_floats(const float *frames, size_t count, int channels, float *mono)
{
    for (size_t f = 0; f < count; f++) {
        float sum = 0.0f;
        for (int c = 0; c < channels; c++)
            sum += frames[f * channels + c];
        mono[f] = sum / static_cast<float>(channels) * 32768.0f;
    }
}

// Reads the next block of the file as mono at the file's rate; returns the
// number of frames (0 at the end).
bool read_mono(recording_input *input, size_t &frames, std::string &error)
{
    const int channels = input->info.channels;
    sf_count_t got;
    if (input->whole_samples) {
        got = sf_readf_short(input->file, input->file_samples.data(), READ_FRAMES);
        if (read_failed(input, got, error))
            return false;
        mix_whole_samples(input->file_samples.data(), static_cast<size_t>(got), channels,
                          input->mono.data());
    } else {
        got = sf_readf_float(input->file, input->file_floats.data(), READ_FRAMES);
        if (read_failed(input, got, error))
            return false;
        mix_floats(input->file_floats.data(), static_cast<size_t>(got), channels,
                   input->mono.data());
    }
    frames = static_cast<size_t>(got);
    return true;
}

void to_capture_samples(const float *samples, size_t count, int16_t *out)
{
    for (size_t i = 0; i < count; i++)
        out[i] = to_capture_sample(samples[i]);
}

// Puts the next capture samples of the recording at pending_end (room for
// refill_room of them is there); sets input_ended after the last ones.
bool refill(recording_input *input, std::string &error)
{
    int16_t *const start = input->pending.data() + input->pending_end;
    size_t added = 0;
    bool last = false;
    if (!input->file_ended) {
        size_t frames = 0;
        if (input->capture_format) {
            const sf_count_t got = sf_readf_short(input->file, start, READ_FRAMES);
            if (read_failed(input, got, error))
                return false;
            frames = static_cast<size_t>(got);
            added = frames;
        } else {
            if (!read_mono(input, frames, error))
                return false;
            if (!input->converter) {
                to_capture_samples(input->mono.data(), frames, start);
                added = frames;
            } else if (frames > 0) {
                if (!convert(input, frames, &added, error))
                    return false;
                to_capture_samples(input->converted.data(), added, start);
            }
        }
        input->frames_read += static_cast<int64_t>(frames);
        input->file_ended = frames == 0;
        if (input->file_ended && ended_badly(input, error))
            return false;
        last = input->file_ended && !input->converter;
    } else {
        // The converter's last samples, as many calls as it takes.
        size_t used = 0;
        if (conversion_failed(soxr_process(input->converter, nullptr, 0, &used,
                                           input->converted.data(), input->converted.size(),
                                           &added),
                              error))
            return false;
        to_capture_samples(input->converted.data(), added, start);
        last = added == 0;
    }

    if (input->filter) {
        // The new samples through the filter in place; after the last ones,
        // the filter's delayed outputs.
        added = tone_filter_process(*input->filter, start, added, start);
        if (last)
            added += tone_filter_finish(*input->filter, start + added);
    }
    input->pending_end += added;
    input->input_ended = last;
    return true;
}

// Moves what is left to the front and makes room for one refill after it and
// for max_samples to be taken.
void make_room(recording_input *input, size_t max_samples)
{
    std::vector<int16_t> &pending = input->pending;
    const size_t left = input->pending_end - input->pending_begin;
    if (input->pending_begin > 0 && left > 0)
        std::memmove(pending.data(), pending.data() + input->pending_begin,
                     left * sizeof pending[0]);
    input->pending_begin = 0;
    input->pending_end = left;
    const size_t room = std::max(left, max_samples) + input->refill_room;
    if (pending.size() < room)
        pending.resize(room);
}

bool set_up_converter(recording_input *input, std::string &error)
{
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    // High quality, linear phase with the filter's delay taken out.
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    // One thread per stream: parallel work comes from several recordings.
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t problem = nullptr;
    std::lock_guard<std::mutex> hold(converter_lock);
    input->converter = soxr_create(input->info.sample_rate, SAMPLE_RATE_HZ, 1, &problem, &io,
                                   &quality, &runtime);
    if (input->converter && !problem)
        return true;
    error = std::string("cannot set up the sample rate converter: ") +
            (problem ? problem : "unknown error");
    return false;
}

} // namespace

recording_input *open_recording(const char *path, double tone_filter_hz, double tone_gain,
                                std::string &error)
{
    recording_file source;
    if (!open_recording_file(path, source, error))
        return nullptr;
    const SF_INFO &sf_info = source.info;
    if (sf_info.samplerate <= 0 || sf_info.channels <= 0) {
        close_recording_file(source);
        error = std::string("'") + path + "' has no usable sample rate or channel count";
        return nullptr;
    }
    sf_command(source.sound, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);

    recording_input *input = new recording_input();
    input->source = source;
    input->file = source.sound;
    input->path = path;
    // A FLAC written through a pipe does not say its length (libsndfile
    // gives the largest count there is): it is read to its end. A stream's
    // length is not known before its end either.
    const bool length_known = sf_info.frames != SF_COUNT_MAX;
    input->counts_frames = length_known && (sf_info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC;
    input->info.sample_rate = sf_info.samplerate;
    input->info.channels = sf_info.channels;
    input->info.frames = length_known && !source.stream ? sf_info.frames : -1;
    input->info.seconds = static_cast<double>(input->info.frames) / sf_info.samplerate;
    input->info.format = source.format;
    input->whole_samples = reads_whole_samples(sf_info.format);
    input->capture_format = sf_info.samplerate == static_cast<int>(SAMPLE_RATE_HZ) &&
                            sf_info.channels == 1 &&
                            (sf_info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
    input->rate_ratio = static_cast<double>(SAMPLE_RATE_HZ) / sf_info.samplerate;
    if (sf_info.samplerate != static_cast<int>(SAMPLE_RATE_HZ) &&
        !set_up_converter(input, error)) {
        close_recording(input);
        return nullptr;
    }
    if (tone_filter_hz != 0.0) {
        input->filter = new tone_filter;
        tone_filter_init(*input->filter, tone_filter_hz, tone_gain);
    }

    const size_t channels = static_cast<size_t>(sf_info.channels);
    input->refill_room = READ_FRAMES;
    if (!input->capture_format) {
        input->mono.resize(READ_FRAMES);
        if (input->whole_samples)
            input->file_samples.resize(READ_FRAMES * channels);
        else
            input->file_floats.resize(READ_FRAMES * channels);
        if (input->converter) {
            // What a read gives, and some to spare for what the converter
            // released from earlier input.
            input->refill_room = static_cast<size_t>(READ_FRAMES * input->rate_ratio) + 256;
            input->converted.resize(input->refill_room);
        }
    }
    // The tone filter's delayed outputs come with the last samples.
    input->refill_room += TONE_FILTER_DELAY_SAMPLES;
    return input;
}

const recording_info &recording_description(const recording_input *input)
{
    return input->info;
}

bool read_capture_samples(recording_input *input, std::vector<int16_t> &out, size_t max_samples,
                          bool *ended, std::string &error)
{
    while (input->pending_end - input->pending_begin < max_samples && !input->input_ended) {
        make_room(input, max_samples);
        if (!refill(input, error))
            return false;
    }
    const size_t available = input->pending_end - input->pending_begin;
    const size_t take = available < max_samples ? available : max_samples;
    const int16_t *from = input->pending.data() + input->pending_begin;
    out.insert(out.end(), from, from + take);
    input->pending_begin += take;
    *ended = input->input_ended && input->pending_begin == input->pending_end;
    return true;
}

void close_recording(recording_input *input)
{
    if (!input)
        return;
    if (input->converter) {
        std::lock_guard<std::mutex> hold(converter_lock);
        soxr_delete(input->converter);
    }
    delete input->filter;
    close_recording_file(input->source);
    delete input;
}
