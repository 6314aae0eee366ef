#include "recording_input.h"

#include <samplerate.h>
#include <sndfile.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

// Frames read from the file at a time.
constexpr sf_count_t READ_FRAMES = 8192;

struct recording_input {
    SNDFILE *file;
    SRC_STATE *resampler; // null when the file is already at the capture rate
    double ratio;         // capture rate / file rate
    recording_info info;
    int64_t frames_read;
    bool file_ended;      // every frame of the file has been read
    bool converter_ended; // and the resampler has given out its last samples
    std::vector<float> interleaved;
    std::vector<float> mono; // file rate, not yet taken by the resampler
    size_t mono_used;        // samples of mono already taken
    std::vector<float> converted;
    std::vector<int16_t> pending; // capture samples not yet handed out
    size_t pending_used;
};

namespace
{

// A sample of the normalised float scale (full scale 1.0) as a 16-bit
// capture sample: rounded, and limited as the sound card's converter would.
int16_t to_capture_sample(float value)
{
    const long sample = std::lrint(static_cast<double>(value) * 32768.0);
    if (sample > 32767)
        return 32767;
    if (sample < -32768)
        return -32768;
    return static_cast<int16_t>(sample);
}

std::string major_format_name(int format)
{
    SF_FORMAT_INFO info = {};
    info.format = format & SF_FORMAT_TYPEMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name)
        return info.name;
    return "unknown";
}

// Reads the next piece of the file and mixes it down to mono.
bool read_mono(recording_input *input, std::string &error)
{
    const int channels = input->info.channels;
    input->interleaved.resize(static_cast<size_t>(READ_FRAMES) * channels);
    const sf_count_t got = sf_readf_float(input->file, input->interleaved.data(), READ_FRAMES);
    if (got < 0 || sf_error(input->file) != SF_ERR_NO_ERROR) {
        error = std::string("cannot read the recording: ") + sf_strerror(input->file);
        return false;
    }
    input->mono.erase(input->mono.begin(), input->mono.begin() + input->mono_used);
    input->mono_used = 0;
    for (sf_count_t f = 0; f < got; ++f) {
        const float *frame = &input->interleaved[static_cast<size_t>(f) * channels];
        float sum = 0.0f;
        for (int c = 0; c < channels; ++c)
            sum += frame[c];
        input->mono.push_back(sum / static_cast<float>(channels));
    }
    input->frames_read += got;
    if (got < READ_FRAMES)
        input->file_ended = true;
    return true;
}

void append_converted(recording_input *input, const float *samples, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        input->pending.push_back(to_capture_sample(samples[i]));
}

// Turns whatever mono samples are waiting into capture samples.
bool convert(recording_input *input, std::string &error)
{
    if (!input->resampler) {
        append_converted(input, input->mono.data() + input->mono_used,
                         input->mono.size() - input->mono_used);
        input->mono_used = input->mono.size();
        input->converter_ended = input->file_ended;
        return true;
    }
    for (;;) {
        const size_t waiting = input->mono.size() - input->mono_used;
        const size_t room = static_cast<size_t>(waiting * input->ratio) + 4096;
        input->converted.resize(room);
        SRC_DATA data = {};
        data.data_in = input->mono.data() + input->mono_used;
        data.input_frames = static_cast<long>(waiting);
        data.data_out = input->converted.data();
        data.output_frames = static_cast<long>(room);
        data.end_of_input = input->file_ended ? 1 : 0;
        data.src_ratio = input->ratio;
        const int result = src_process(input->resampler, &data);
        if (result != 0) {
            error = std::string("cannot convert the sample rate: ") + src_strerror(result);
            return false;
        }
        input->mono_used += static_cast<size_t>(data.input_frames_used);
        append_converted(input, input->converted.data(),
                         static_cast<size_t>(data.output_frames_gen));
        if (input->file_ended && data.output_frames_gen == 0 &&
            input->mono_used == input->mono.size()) {
            input->converter_ended = true;
            return true;
        }
        // More input than room or, at the end, the filter's tail still to come.
        if (!input->file_ended && data.output_frames_gen == 0)
            return true;
        if (!input->file_ended && input->mono_used == input->mono.size())
            return true;
    }
}

} // namespace

recording_input *open_recording(const char *path, resampler_quality quality, std::string &error)
{
    FILE *probe = std::fopen(path, "rb");
    if (!probe) {
        error = std::string("cannot open the recording '") + path + "': " + std::strerror(errno);
        return nullptr;
    }
    std::fclose(probe);

    SF_INFO sf_info = {};
    SNDFILE *file = sf_open(path, SFM_READ, &sf_info);
    if (!file) {
        error = std::string("'") + path + "' is not a recording this program can read (" +
                sf_strerror(nullptr) + ")";
        return nullptr;
    }
    if (sf_info.samplerate <= 0 || sf_info.channels <= 0) {
        sf_close(file);
        error = std::string("'") + path + "' has no usable sample rate or channel count";
        return nullptr;
    }
    sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);

    recording_input *input = new recording_input();
    input->file = file;
    input->info.sample_rate = sf_info.samplerate;
    input->info.channels = sf_info.channels;
    input->info.frames = sf_info.frames;
    input->info.seconds = static_cast<double>(sf_info.frames) / sf_info.samplerate;
    input->info.format = major_format_name(sf_info.format);
    input->ratio = static_cast<double>(CAPTURE_RATE) / sf_info.samplerate;
    if (sf_info.samplerate != CAPTURE_RATE) {
        int src_error = 0;
        const int converter =
            quality == RESAMPLER_BEST ? SRC_SINC_BEST_QUALITY : SRC_SINC_MEDIUM_QUALITY;
        input->resampler = src_new(converter, 1, &src_error);
        if (!input->resampler) {
            error =
                std::string("cannot set up the sample rate converter: ") + src_strerror(src_error);
            close_recording(input);
            return nullptr;
        }
    }
    return input;
}

const recording_info &recording_description(const recording_input *input)
{
    return input->info;
}

bool read_capture_samples(recording_input *input, std::vector<int16_t> &out, size_t max_samples,
                          bool *ended, std::string &error)
{
    while (input->pending.size() - input->pending_used < max_samples && !input->converter_ended) {
        if (input->pending_used > 0) {
            input->pending.erase(input->pending.begin(),
                                 input->pending.begin() + input->pending_used);
            input->pending_used = 0;
        }
        if (!input->file_ended && !read_mono(input, error))
            return false;
        if (!convert(input, error))
            return false;
    }
    const size_t available = input->pending.size() - input->pending_used;
    const size_t take = available < max_samples ? available : max_samples;
    out.insert(out.end(), input->pending.begin() + input->pending_used,
               input->pending.begin() + input->pending_used + take);
    input->pending_used += take;
    *ended = input->converter_ended && input->pending_used == input->pending.size();
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
    if (input->resampler)
        src_delete(input->resampler);
    if (input->file)
        sf_close(input->file);
    delete input;
}
