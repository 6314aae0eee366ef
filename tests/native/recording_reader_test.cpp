// Recordings read for the window's measurement: every check of the WAV
// header, every sample encoding as capture samples, the capture format read
// unchanged, and the rate conversion's timing, level and stopband.
#include "core/audio/recording_reader.h"

#include "core/audio/detector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace
{

void put16(std::string &s, size_t at, uint32_t v)
{
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}

void put32(std::string &s, size_t at, uint32_t v)
{
    put16(s, at, v & 0xFFFF);
    put16(s, at + 2, v >> 16);
}

std::string chunk(const char *id, const std::string &body)
{
    std::string c = std::string(id, 4) + std::string(4, '\0') + body;
    put32(c, 4, static_cast<uint32_t>(body.size()));
    if (body.size() % 2)
        c += '\0';
    return c;
}

std::string format_body(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits)
{
    std::string f(16, '\0');
    const uint16_t align = static_cast<uint16_t>(channels * (bits / 8));
    put16(f, 0, tag);
    put16(f, 2, channels);
    put32(f, 4, rate);
    put32(f, 8, rate * align);
    put16(f, 12, align);
    put16(f, 14, bits);
    return f;
}

// An extensible format chunk body whose subformat is the given encoding.
std::string extensible_body(uint16_t encoding, uint16_t channels, uint32_t rate, uint16_t bits)
{
    std::string f = format_body(0xFFFE, channels, rate, bits) + std::string(24, '\0');
    put16(f, 16, 22);
    put16(f, 18, bits);
    put16(f, 24, encoding);
    const char tail[] = "\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71";
    f.replace(26, 14, std::string(tail, 14));
    return f;
}

std::string riff(const std::string &chunks, const char *magic = "RIFF")
{
    std::string s = std::string(magic, 4) + std::string(4, '\0') + "WAVE" + chunks;
    put32(s, 4, static_cast<uint32_t>(s.size() - 8));
    return s;
}

std::string wav(const std::string &format, const std::string &data)
{
    return riff(chunk("fmt ", format) + chunk("data", data));
}

// A file in memory; reading fails at fail_at when it is set.
struct memory_file {
    std::string bytes;
    uint64_t fail_at = UINT64_MAX;
};

size_t read_memory(void *context, uint64_t offset, void *buffer, size_t size, bool *failed)
{
    const memory_file &f = *static_cast<memory_file *>(context);
    size_t n = 0;
    while (n < size && offset + n < f.bytes.size()) {
        if (offset + n >= f.fail_at) {
            *failed = true;
            break;
        }
        static_cast<char *>(buffer)[n] = f.bytes[offset + n];
        n++;
    }
    return n;
}

byte_source source_of(memory_file &f)
{
    return byte_source{&f, read_memory, f.bytes.size()};
}

std::vector<int16_t> take_all(recording_reader &r, size_t piece = CAPTURE_BLOCK_SAMPLES)
{
    std::vector<int16_t> out;
    std::vector<int16_t> block(piece);
    size_t n;
    while ((n = recording_reader_take(r, block.data(), piece)) > 0)
        out.insert(out.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
    return out;
}

} // namespace

TEST(RecordingHeader, EveryCheckedFieldReportsItsProblem)
{
    const std::string pcm16 = format_body(1, 1, 11025, 16);
    const std::string four_bytes(4, '\x01');
    std::string data_too_long = wav(pcm16, four_bytes);
    put32(data_too_long, 40, 1000); // the data chunk's size
    std::string streamed = wav(pcm16, std::string(6, '\x01'));
    put32(streamed, 40, 0xFFFFFFFF);
    std::string fmt_past_end = riff(chunk("fmt ", pcm16));
    put32(fmt_past_end, 16, 400);
    std::string zero_channels = pcm16;
    put16(zero_channels, 2, 0);
    std::string bad_align = format_body(1, 2, 11025, 16);
    put16(bad_align, 12, 2);
    std::string no_cb_size = extensible_body(1, 1, 11025, 16);
    put16(no_cb_size, 16, 0);
    std::string vendor = extensible_body(1, 1, 11025, 16);
    vendor[30] = 0x11;

    const struct {
        const char *name;
        std::string file;
        wav_problem problem;
        wav_header_fault fault;
        uint64_t frames;
    } cases[] = {
        {"too short", "RIFF", WAV_NOT_WAVE, FAULT_NONE, 0},
        {"a keying data file", "長短判定時間,52\r\n", WAV_NOT_WAVE, FAULT_NONE, 0},
        {"not WAVE", riff("").replace(8, 4, "AVI "), WAV_NOT_WAVE, FAULT_NONE, 0},
        {"big-endian", riff(chunk("fmt ", pcm16), "RIFX"), WAV_OTHER_CONTAINER, FAULT_NONE, 0},
        {"RF64", riff(chunk("fmt ", pcm16), "RF64"), WAV_OTHER_CONTAINER, FAULT_NONE, 0},
        {"plain 16-bit", wav(pcm16, four_bytes), WAV_OK, FAULT_NONE, 2},
        {"short format", wav(pcm16.substr(0, 14), four_bytes), WAV_BROKEN_HEADER,
         FAULT_FORMAT_SHORT, 0},
        {"extensible PCM", wav(extensible_body(1, 1, 11025, 16), four_bytes), WAV_OK, FAULT_NONE, 2},
        {"extensible float", wav(extensible_body(3, 1, 11025, 32), four_bytes), WAV_OK, FAULT_NONE,
         1},
        {"extensible cut short", wav(extensible_body(1, 1, 11025, 16).substr(0, 24), four_bytes),
         WAV_BROKEN_HEADER, FAULT_FORMAT_SHORT, 0},
        {"extensible without cbSize", wav(no_cb_size, four_bytes), WAV_BROKEN_HEADER,
         FAULT_FORMAT_SHORT, 0},
        {"vendor subformat", wav(vendor, four_bytes), WAV_UNSUPPORTED_ENCODING, FAULT_NONE, 0},
        {"IMA ADPCM", wav(format_body(0x11, 1, 11025, 4), four_bytes), WAV_UNSUPPORTED_ENCODING,
         FAULT_NONE, 0},
        {"12-bit PCM", wav(format_body(1, 1, 11025, 12), four_bytes), WAV_UNSUPPORTED_BITS,
         FAULT_NONE, 0},
        {"64-bit float", wav(format_body(3, 1, 11025, 64), std::string(8, '\0')),
         WAV_UNSUPPORTED_BITS, FAULT_NONE, 0},
        {"32-bit PCM", wav(format_body(1, 1, 11025, 32), four_bytes), WAV_OK, FAULT_NONE, 1},
        {"no channels", wav(zero_channels, four_bytes), WAV_BROKEN_HEADER, FAULT_NO_CHANNELS, 0},
        {"frame size", wav(bad_align, four_bytes), WAV_BROKEN_HEADER, FAULT_BLOCK_ALIGN, 0},
        {"7999 Hz", wav(format_body(1, 1, 7999, 16), four_bytes), WAV_RATE_OUT_OF_RANGE,
         FAULT_NONE, 0},
        {"8000 Hz", wav(format_body(1, 1, 8000, 16), four_bytes), WAV_OK, FAULT_NONE, 2},
        {"192000 Hz", wav(format_body(1, 1, 192000, 16), four_bytes), WAV_OK, FAULT_NONE, 2},
        {"192001 Hz", wav(format_body(1, 1, 192001, 16), four_bytes), WAV_RATE_OUT_OF_RANGE,
         FAULT_NONE, 0},
        {"data first", riff(chunk("data", four_bytes) + chunk("fmt ", pcm16)), WAV_BROKEN_HEADER,
         FAULT_NO_FORMAT, 0},
        {"no format", riff(chunk("LIST", "abc")), WAV_BROKEN_HEADER, FAULT_NO_FORMAT, 0},
        {"no data", riff(chunk("fmt ", pcm16)), WAV_BROKEN_HEADER, FAULT_NO_DATA, 0},
        {"format past the end", fmt_past_end, WAV_BROKEN_HEADER, FAULT_CHUNK_PAST_END, 0},
        {"cut off", data_too_long, WAV_TRUNCATED, FAULT_NONE, 0},
        {"streamed", streamed, WAV_OK, FAULT_NONE, 3},
        {"empty", wav(pcm16, ""), WAV_NO_SAMPLES, FAULT_NONE, 0},
        {"half a frame", wav(pcm16, "\x01"), WAV_NO_SAMPLES, FAULT_NONE, 0},
        {"odd chunk first", riff(chunk("LIST", "abc") + chunk("fmt ", pcm16) + chunk("data", four_bytes)),
         WAV_OK, FAULT_NONE, 2},
    };
    for (const auto &c : cases) {
        memory_file file{c.file};
        wav_format format;
        EXPECT_EQ(read_wav_header(source_of(file), format), c.problem) << c.name;
        EXPECT_EQ(format.fault, c.fault) << c.name;
        if (c.problem == WAV_OK) {
            EXPECT_EQ(format.frames, c.frames) << c.name;
        }
    }

    memory_file cut{data_too_long};
    wav_format format;
    read_wav_header(source_of(cut), format);
    EXPECT_EQ(format.announced_bytes, 1000u);
    EXPECT_EQ(format.available_bytes, 4u);
    memory_file adpcm{wav(format_body(0x11, 1, 11025, 4), four_bytes)};
    read_wav_header(source_of(adpcm), format);
    EXPECT_STREQ(wav_encoding_name(format.encoding), "IMA ADPCM");
    memory_file failing{wav(pcm16, four_bytes)};
    failing.fail_at = 20;
    EXPECT_EQ(read_wav_header(source_of(failing), format), WAV_READ_FAILED);
}

TEST(RecordingSamples, EveryEncodingBecomesRoundedCaptureSamples)
{
    // Frames at the capture rate, so only mixing and rounding (ties to even)
    // and the limits apply.
    const auto bytes = [](std::initializer_list<int> values) {
        std::string s;
        for (int v : values)
            s += static_cast<char>(v);
        return s;
    };
    const float half = 0.5f;
    std::string floats(16, '\0');
    const float float_values[] = {half, -1.0f, 1.5f, std::nanf("")};
    std::memcpy(&floats[0], float_values, sizeof float_values);
    const struct {
        const char *name;
        std::string format;
        std::string data;
        std::vector<int16_t> expected;
    } cases[] = {
        {"8-bit", format_body(1, 1, 11025, 8), bytes({0, 128, 255}), {-32768, 0, 32512}},
        {"16-bit stereo", format_body(1, 2, 11025, 16),
         bytes({0xE8, 0x03, 0xB9, 0x0B, 0xFF, 0xFF, 0, 0}), {2000, 0}},
        {"16-bit, three channels", format_body(1, 3, 11025, 16), bytes({1, 0, 2, 0, 4, 0}), {2}},
        {"24-bit", format_body(1, 1, 11025, 24),
         bytes({0xFF, 0xFF, 0x7F, 0x80, 0, 0, 0x80, 1, 0, 0, 0, 0x80}), {32767, 0, 2, -32768}},
        {"32-bit", format_body(1, 1, 11025, 32),
         bytes({0xFF, 0xFF, 0xFF, 0x7F, 0, 0x80, 1, 0, 0, 0, 0, 0x80}), {32767, 2, -32768}},
        {"float", format_body(3, 1, 11025, 32), floats, {16384, -32768, 32767, 0}},
        {"float stereo", format_body(3, 2, 11025, 32), floats.substr(0, 8), {-8192}},
    };
    for (const auto &c : cases) {
        memory_file file{wav(c.format, c.data)};
        recording_reader r;
        ASSERT_EQ(recording_reader_open(r, source_of(file)), WAV_OK) << c.name;
        EXPECT_EQ(take_all(r), c.expected) << c.name;
    }
}

TEST(RecordingSamples, CaptureFormatPassesUnchangedUntilReadingFails)
{
    // Longer than one read of the file, handed out in captured blocks.
    std::vector<int16_t> samples(300007);
    for (size_t i = 0; i < samples.size(); i++)
        samples[i] = static_cast<int16_t>((i * 7919u) ^ (i >> 3));
    std::string data(samples.size() * 2, '\0');
    std::memcpy(&data[0], samples.data(), data.size());
    memory_file file{wav(format_body(1, 1, 11025, 16), data)};
    recording_reader r;
    ASSERT_EQ(recording_reader_open(r, source_of(file)), WAV_OK);
    EXPECT_EQ(take_all(r), samples);
    EXPECT_FALSE(r.failed);

    file.fail_at = 44 + 2 * 200000;
    ASSERT_EQ(recording_reader_open(r, source_of(file)), WAV_OK);
    const std::vector<int16_t> partial = take_all(r);
    EXPECT_TRUE(r.failed);
    EXPECT_LT(partial.size(), 200000u);
    EXPECT_TRUE(std::equal(partial.begin(), partial.end(), samples.begin()));
}

namespace
{

// A 700 Hz tone of amplitude 10000 from 0.5 s to 1.0 s in a 1.5 s stereo
// recording at the rate (the same in both channels), read as capture samples.
std::vector<int16_t> converted_tone(uint32_t rate, double frequency = 700.0)
{
    const size_t frames = rate * 3 / 2;
    std::string data(frames * 4, '\0');
    for (size_t i = 0; i < frames; i++) {
        const double t = static_cast<double>(i) / rate;
        const double v = t >= 0.5 && t < 1.0 ? 10000.0 * std::sin(2 * M_PI * frequency * t) : 0.0;
        put16(data, 4 * i, static_cast<uint16_t>(static_cast<int16_t>(std::lrint(v))));
        put16(data, 4 * i + 2, static_cast<uint16_t>(static_cast<int16_t>(std::lrint(v))));
    }
    memory_file file{wav(format_body(1, 2, rate, 16), data)};
    recording_reader r;
    EXPECT_EQ(recording_reader_open(r, source_of(file)), WAV_OK);
    return take_all(r, 4000);
}

} // namespace

TEST(RateConversion, ToneKeepsItsTimingAndLevelAtEveryRate)
{
    // 44056 Hz needs more phases than the table has: the nearest are taken.
    for (uint32_t rate : {8000u, 22050u, 44100u, 44056u, 48000u, 96000u, 192000u}) {
        const std::vector<int16_t> out = converted_tone(rate);
        const uint64_t frames = rate * 3 / 2;
        EXPECT_EQ(out.size(), (frames * 11025 + rate - 1) / rate) << rate;
        // Where the tone first and last exceeds half its level: at 0.5 s and
        // 1.0 s, within a quarter of a cycle (4 samples) and the filter's
        // short ringing.
        size_t first = out.size();
        size_t last = 0;
        int peak = 0;
        for (size_t i = 0; i < out.size(); i++) {
            if (std::abs(out[i]) > 5000) {
                first = std::min(first, i);
                last = i;
            }
            if (i > 6000 && i < 10500)
                peak = std::max(peak, std::abs(static_cast<int>(out[i])));
        }
        EXPECT_NEAR(static_cast<double>(first), 5512.5, 5.0) << rate;
        EXPECT_NEAR(static_cast<double>(last), 11025.0, 5.0) << rate;
        EXPECT_NEAR(peak, 10000, 40) << rate;
        // Silence before and after stays silence.
        EXPECT_LE(std::abs(out[5000]) + std::abs(out[12000]), 2) << rate;
    }
}

TEST(RateConversion, NothingFoldsBackFromTheStopband)
{
    // 8 kHz lies above 0.64 of the capture rate: 80 dB down, well under one
    // step of a 16-bit sample at this level.
    for (uint32_t rate : {44100u, 48000u}) {
        const std::vector<int16_t> out = converted_tone(rate, 8000.0);
        int peak = 0;
        for (size_t i = 6000; i < 10500; i++)
            peak = std::max(peak, std::abs(static_cast<int>(out[i])));
        EXPECT_LE(peak, 2) << rate;
    }
}
