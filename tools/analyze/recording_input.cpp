#include "recording_input.h"

#include "recording_checks.h"
#include "resampler.h"
#include "system_error.h"
#include "tools/tone_filter/tone_filter.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

// Frames read from the file at a time: large enough that the reading costs
// little per sample, small enough to stay in the cache.
constexpr sf_count_t READ_FRAMES = 16384;

struct recording_input {
    SNDFILE *file;
    std::string path;
    recording_info info;
    bool counts_frames;  // the header's frame count is exact (FLAC): fewer mean a cut-off file
    bool whole_samples;  // integer PCM of 16 bits or fewer: read as 16-bit samples
    bool capture_format; // 11025 Hz mono 16-bit: the file's samples are the capture samples
    resampler_state *resampler; // null when the file is already at the capture rate
    tone_filter *filter;        // null without the tone filter
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

// libsndfile keeps the reason of a failed open in process-wide storage (there
// is no handle to keep it in): recordings are opened one at a time, so that
// the reason read after a failed open is that open's own. Once open, every
// handle reads and reports its errors on its own.
std::mutex open_lock;

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

std::string major_format_name(int format)
{
    SF_FORMAT_INFO info = {};
    info.format = format & SF_FORMAT_TYPEMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name)
        return info.name;
    return "unknown";
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

// A file that ends before the frames its header announces was cut off.
bool ended_early(const recording_input *input, std::string &error)
{
    if (!input->counts_frames || input->frames_read >= input->info.frames)
        return false;
    error = "'" + input->path + "' is truncated: it ends after " +
            std::to_string(input->frames_read) + " of the " + std::to_string(input->info.frames) +
            " frames its header announces";
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
            if (!input->resampler) {
                to_capture_samples(input->mono.data(), frames, start);
                added = frames;
            } else if (frames > 0) {
                if (!resampler_convert(input->resampler, input->mono.data(), frames,
                                       input->converted.data(), &added, error))
                    return false;
                to_capture_samples(input->converted.data(), added, start);
            }
        }
        input->frames_read += static_cast<int64_t>(frames);
        input->file_ended = frames == 0;
        if (input->file_ended && ended_early(input, error))
            return false;
        last = input->file_ended && !input->resampler;
    } else {
        // The converter's last samples, as many calls as it takes.
        if (!resampler_drain(input->resampler, input->converted.data(), input->converted.size(),
                             &added, error))
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

} // namespace

recording_input *open_recording(const char *path, double tone_filter_hz, std::string &error)
{
    FILE *probe = std::fopen(path, "rb");
    if (!probe) {
        error = std::string("cannot open the recording '") + path + "': " + system_error_text(errno);
        return nullptr;
    }
    std::fclose(probe);

    SF_INFO sf_info = {};
    SNDFILE *file = nullptr;
    std::string format_name;
    {
        std::lock_guard<std::mutex> hold(open_lock);
        file = sf_open(path, SFM_READ, &sf_info);
        if (!file) {
            error = std::string("'") + path + "' is not a recording this program can read (" +
                    sf_strerror(nullptr) + ")";
            return nullptr;
        }
        // A query without a handle, which may set the process-wide error too.
        format_name = major_format_name(sf_info.format);
    }
    if (sf_info.samplerate <= 0 || sf_info.channels <= 0) {
        sf_close(file);
        error = std::string("'") + path + "' has no usable sample rate or channel count";
        return nullptr;
    }
    if (!wav_data_complete(path, error)) {
        sf_close(file);
        return nullptr;
    }
    if (sf_info.frames <= 0) {
        sf_close(file);
        error = std::string("'") + path + "' holds no sound (0 samples)";
        return nullptr;
    }
    sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);

    recording_input *input = new recording_input();
    input->file = file;
    input->path = path;
    input->counts_frames = (sf_info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC;
    input->info.sample_rate = sf_info.samplerate;
    input->info.channels = sf_info.channels;
    input->info.frames = sf_info.frames;
    input->info.seconds = static_cast<double>(sf_info.frames) / sf_info.samplerate;
    input->info.format = format_name;
    input->whole_samples = reads_whole_samples(sf_info.format);
    input->capture_format = sf_info.samplerate == static_cast<int>(SAMPLE_RATE_HZ) && sf_info.channels == 1 &&
                            (sf_info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
    if (sf_info.samplerate != static_cast<int>(SAMPLE_RATE_HZ)) {
        input->resampler = resampler_create(sf_info.samplerate, static_cast<int>(SAMPLE_RATE_HZ), error);
        if (!input->resampler) {
            close_recording(input);
            return nullptr;
        }
    }
    if (tone_filter_hz != 0.0) {
        input->filter = new tone_filter;
        tone_filter_init(*input->filter, tone_filter_hz);
    }

    const size_t channels = static_cast<size_t>(sf_info.channels);
    if (input->capture_format) {
        input->refill_room = READ_FRAMES;
    } else {
        input->mono.resize(READ_FRAMES);
        if (input->whole_samples)
            input->file_samples.resize(READ_FRAMES * channels);
        else
            input->file_floats.resize(READ_FRAMES * channels);
        input->refill_room = READ_FRAMES;
        if (input->resampler) {
            input->refill_room = resampler_output_room(input->resampler, READ_FRAMES);
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

double recording_seconds_read(const recording_input *input)
{
    return static_cast<double>(input->frames_read) / input->info.sample_rate;
}

void close_recording(recording_input *input)
{
    if (!input)
        return;
    resampler_destroy(input->resampler);
    delete input->filter;
    if (input->file)
        sf_close(input->file);
    delete input;
}
