#include "core/audio/wav_reader.h"

#include <cstring>

namespace
{

uint16_t u16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t u32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Lengths of a data chunk written as a stream, before its length was known:
// 0xFFFFFFFF, and what sox (0x7FFFF000) and arecord (0x7FFFFFFF) leave in a
// file written through a pipe. Such a data chunk runs to the end of the file.
bool unknown_length(uint32_t size)
{
    return size == 0xFFFFFFFFu || size == 0x7FFFF000u || size == 0x7FFFFFFFu;
}

// Chunks looked at before the data chunk: real files have a handful; a
// file of countless empty chunks is not walked to its end.
constexpr int MAX_CHUNKS_BEFORE_DATA = 1000;

// The tail that every standard subformat GUID shares after its first two
// bytes (the encoding): 0000-0000-0010-8000-00AA00389B71.
const uint8_t subformat_tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                    0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

bool read_exactly(const byte_source &source, uint64_t offset, void *buffer, size_t size,
                  bool &failed)
{
    failed = false;
    return source.read_at(source.context, offset, buffer, size, &failed) == size;
}

// The format chunk's fields; false with the fault set when they cannot be true.
wav_problem parse_format(const uint8_t *chunk, uint32_t size, wav_format &f)
{
    if (size < 16) {
        f.fault = FAULT_FORMAT_SHORT;
        return WAV_BROKEN_HEADER;
    }
    f.encoding = u16(chunk);
    f.channels = u16(chunk + 2);
    f.sample_rate = u32(chunk + 4);
    f.block_align = u16(chunk + 12);
    f.bits_per_sample = u16(chunk + 14);
    if (f.encoding == WAV_FORMAT_EXTENSIBLE) {
        f.extensible = true;
        // cbSize at 16 must cover the 22 bytes up to the end of the GUID.
        if (size < 40 || u16(chunk + 16) < 22) {
            f.fault = FAULT_FORMAT_SHORT;
            return WAV_BROKEN_HEADER;
        }
        f.encoding = u16(chunk + 24);
        if (std::memcmp(chunk + 26, subformat_tail, sizeof subformat_tail) != 0)
            f.encoding = WAV_FORMAT_EXTENSIBLE; // a vendor's own subformat
    }
    return WAV_OK;
}

wav_problem check_format(wav_format &f)
{
    if (f.encoding != WAV_ENCODING_PCM && f.encoding != WAV_ENCODING_FLOAT)
        return WAV_UNSUPPORTED_ENCODING;
    const uint16_t bits = f.bits_per_sample;
    const bool pcm_bits = bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if ((f.encoding == WAV_ENCODING_PCM && !pcm_bits) ||
        (f.encoding == WAV_ENCODING_FLOAT && bits != 32))
        return WAV_UNSUPPORTED_BITS;
    if (f.channels == 0) {
        f.fault = FAULT_NO_CHANNELS;
        return WAV_BROKEN_HEADER;
    }
    if (f.block_align != static_cast<uint32_t>(f.channels) * (bits / 8)) {
        f.fault = FAULT_BLOCK_ALIGN;
        return WAV_BROKEN_HEADER;
    }
    if (f.sample_rate < MIN_RECORDING_RATE_HZ || f.sample_rate > MAX_RECORDING_RATE_HZ)
        return WAV_RATE_OUT_OF_RANGE;
    return WAV_OK;
}

} // namespace

wav_problem read_wav_header(const byte_source &source, wav_format &f)
{
    f = wav_format{};
    bool failed = false;
    uint8_t riff[12];
    if (!read_exactly(source, 0, riff, sizeof riff, failed))
        return failed ? WAV_READ_FAILED : WAV_NOT_WAVE;
    if (std::memcmp(riff + 8, "WAVE", 4) != 0)
        return WAV_NOT_WAVE;
    if (std::memcmp(riff, "RIFX", 4) == 0 || std::memcmp(riff, "RF64", 4) == 0 ||
        std::memcmp(riff, "BW64", 4) == 0) {
        std::memcpy(f.container, riff, 4);
        return WAV_OTHER_CONTAINER;
    }
    if (std::memcmp(riff, "RIFF", 4) != 0)
        return WAV_NOT_WAVE;

    // The chunks up to the data chunk, each padded to an even size. The
    // RIFF size is not trusted: writers often leave it wrong.
    bool have_format = false;
    uint64_t offset = 12;
    for (int walked = 0;; walked++) {
        uint8_t chunk[8];
        if (offset + 8 > source.size || walked == MAX_CHUNKS_BEFORE_DATA ||
            !read_exactly(source, offset, chunk, sizeof chunk, failed)) {
            if (failed)
                return WAV_READ_FAILED;
            f.fault = have_format ? FAULT_NO_DATA : FAULT_NO_FORMAT;
            return WAV_BROKEN_HEADER;
        }
        const uint32_t size = u32(chunk + 4);
        const uint64_t body = offset + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && !have_format) {
            uint8_t fields[40] = {};
            const size_t wanted = size < sizeof fields ? size : sizeof fields;
            if (body + size > source.size) {
                f.fault = FAULT_CHUNK_PAST_END;
                return WAV_BROKEN_HEADER;
            }
            if (!read_exactly(source, body, fields, wanted, failed))
                return failed ? WAV_READ_FAILED : WAV_TRUNCATED;
            const wav_problem problem = parse_format(fields, size, f);
            if (problem != WAV_OK)
                return problem;
            have_format = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!have_format) {
                f.fault = FAULT_NO_FORMAT;
                return WAV_BROKEN_HEADER;
            }
            // A cut-off file is told whatever its encoding.
            const uint64_t available = source.size - body;
            if (!unknown_length(size) && size > available) {
                f.announced_bytes = size;
                f.available_bytes = available;
                return WAV_TRUNCATED;
            }
            const wav_problem problem = check_format(f);
            if (problem != WAV_OK)
                return problem;
            f.data_offset = body;
            f.frames = (unknown_length(size) ? available : size) / f.block_align;
            return f.frames == 0 ? WAV_NO_SAMPLES : WAV_OK;
        }
        offset = body + size + (size & 1u);
    }
}

const char *wav_encoding_name(uint16_t encoding)
{
    switch (encoding) {
    case 0x0002:
        return "Microsoft ADPCM";
    case 0x0006:
        return "A-law";
    case 0x0007:
        return "u-law";
    case 0x0011:
        return "IMA ADPCM";
    case 0x0031:
        return "GSM 6.10";
    case 0x0050:
        return "MPEG";
    case 0x0055:
        return "MPEG Layer 3";
    case 0x0092:
        return "Dolby AC-3";
    case 0x00FF:
    case 0x1610:
        return "AAC";
    case 0xF1AC:
        return "FLAC";
    default:
        return nullptr;
    }
}

namespace
{

// One sample of a frame in 16-bit units.
inline float sample_at(const wav_format &f, const uint8_t *p)
{
    switch (f.bits_per_sample) {
    case 8:
        return static_cast<float>((p[0] - 128) * 256);
    case 16:
        return static_cast<float>(static_cast<int16_t>(u16(p)));
    case 24: {
        // Sign-extended by moving the 24 bits to the top and dividing back.
        const uint32_t bits = static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 |
                              static_cast<uint32_t>(p[2]) << 24;
        return static_cast<float>(static_cast<int32_t>(bits) / 256) / 256.0f;
    }
    default:
        if (f.encoding == WAV_ENCODING_FLOAT) {
            float value;
            const uint32_t bits = u32(p);
            std::memcpy(&value, &bits, sizeof value);
            return value * 32768.0f;
        }
        return static_cast<float>(static_cast<int32_t>(u32(p))) / 65536.0f;
    }
}

} // namespace

void wav_frames_to_mono(const wav_format &f, const uint8_t *bytes, size_t frames, float *mono)
{
    const size_t bytes_per_sample = f.bits_per_sample / 8u;
    const int channels = f.channels;
    if (f.bits_per_sample <= 16) {
        // Whole samples: summed exactly, one division.
        for (size_t i = 0; i < frames; i++) {
            const uint8_t *frame = bytes + i * f.block_align;
            if (channels == 1) {
                mono[i] = sample_at(f, frame);
                continue;
            }
            int64_t sum = 0;
            for (int c = 0; c < channels; c++)
                sum += static_cast<int64_t>(sample_at(f, frame + c * bytes_per_sample));
            mono[i] = static_cast<float>(sum) / static_cast<float>(channels);
        }
        return;
    }
    for (size_t i = 0; i < frames; i++) {
        const uint8_t *frame = bytes + i * f.block_align;
        float sum = 0.0f;
        for (int c = 0; c < channels; c++)
            sum += sample_at(f, frame + c * bytes_per_sample);
        mono[i] = channels == 1 ? sum : sum / static_cast<float>(channels);
    }
}
