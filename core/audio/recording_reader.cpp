#include "core/audio/recording_reader.h"

#include <algorithm>

#include "core/audio/detector.h" // SAMPLE_RATE_HZ, the capture's rate

namespace
{

// Bytes read from the file at a time: large enough that reading costs little
// per sample, small enough to stay in the cache.
constexpr size_t READ_BYTES = 256 * 1024;

size_t frames_per_read(const wav_format &f)
{
    return std::max<size_t>(1, READ_BYTES / f.block_align);
}

// The next frames of the file into raw; returns how many (0 at the end).
size_t read_frames(recording_reader &r)
{
    const uint64_t left = r.format.frames - r.frames_read;
    const size_t frames = static_cast<size_t>(std::min<uint64_t>(left, frames_per_read(r.format)));
    if (frames == 0)
        return 0;
    const size_t bytes = frames * r.format.block_align;
    bool failed = false;
    const size_t got = r.source.read_at(r.source.context,
                                        r.format.data_offset + r.frames_read * r.format.block_align,
                                        r.raw.data(), bytes, &failed);
    if (got != bytes) {
        // The header promised these bytes: the file changed or failed.
        r.failed = true;
        return 0;
    }
    r.frames_read += frames;
    return frames;
}

void append_rounded(recording_reader &r, const float *samples, size_t count)
{
    for (size_t i = 0; i < count; i++)
        r.pending.push_back(to_capture_sample(samples[i]));
}

// Adds the next capture samples to pending; sets file_done after the last.
void refill(recording_reader &r)
{
    const size_t frames = r.file_done ? 0 : read_frames(r);
    if (r.failed)
        return;
    if (frames == 0) {
        r.file_done = true;
        if (r.converting) {
            size_t made;
            while ((made = rate_converter_finish(r.converter, r.converted.data(),
                                                 r.converted.size())) > 0)
                append_rounded(r, r.converted.data(), made);
        }
        return;
    }
    if (r.capture_format) {
        for (size_t i = 0; i < frames; i++)
            r.pending.push_back(static_cast<int16_t>(r.raw[2 * i] | r.raw[2 * i + 1] << 8));
        return;
    }
    wav_frames_to_mono(r.format, r.raw.data(), frames, r.mono.data());
    if (!r.converting) {
        append_rounded(r, r.mono.data(), frames);
        return;
    }
    const size_t made = rate_converter_push(r.converter, r.mono.data(), frames,
                                            r.converted.data());
    append_rounded(r, r.converted.data(), made);
}

} // namespace

int16_t to_capture_sample(float value)
{
    if (!(value == value))
        return 0;
    if (value >= 32767.0f)
        return 32767;
    if (value <= -32768.0f)
        return -32768;
    // Rounded to the nearest, ties to even, by the float addition itself:
    // at 1.5 x 2^23 a float has no bits below the unit. (A library call,
    // nearbyint, costs several times the whole conversion on Windows.)
    constexpr float ROUNDING = 12582912.0f;
    return static_cast<int16_t>((value + ROUNDING) - ROUNDING);
}

wav_problem recording_reader_open(recording_reader &r, const byte_source &source)
{
    r.source = source;
    const wav_problem problem = read_wav_header(source, r.format);
    if (problem != WAV_OK)
        return problem;
    const wav_format &f = r.format;
    r.capture_format = f.sample_rate == SAMPLE_RATE_HZ && f.channels == 1 &&
                       f.encoding == WAV_ENCODING_PCM && f.bits_per_sample == 16;
    r.converting = f.sample_rate != SAMPLE_RATE_HZ;
    r.frames_read = 0;
    r.file_done = false;
    r.failed = false;
    const size_t frames = frames_per_read(f);
    r.raw.assign(frames * f.block_align, 0);
    r.mono.assign(r.capture_format ? 0 : frames, 0.0f);
    if (r.converting) {
        rate_converter_init(r.converter, f.sample_rate, SAMPLE_RATE_HZ);
        r.converted.assign(rate_converter_room(r.converter, frames), 0.0f);
    }
    r.pending.clear();
    r.pending.reserve(r.converting ? r.converted.size() : frames);
    r.pending_begin = 0;
    return WAV_OK;
}

size_t recording_reader_take(recording_reader &r, int16_t *out, size_t max)
{
    size_t taken = 0;
    while (taken < max) {
        if (r.pending_begin == r.pending.size()) {
            r.pending.clear();
            r.pending_begin = 0;
            if (r.file_done || r.failed)
                break;
            refill(r);
            continue;
        }
        const size_t count = std::min(max - taken, r.pending.size() - r.pending_begin);
        std::copy(r.pending.begin() + static_cast<std::ptrdiff_t>(r.pending_begin),
                  r.pending.begin() + static_cast<std::ptrdiff_t>(r.pending_begin + count),
                  out + taken);
        r.pending_begin += count;
        taken += count;
    }
    return taken;
}
