// Recordings read for the window's measurement: every check of the WAV
// header, every sample encoding as capture samples, the capture format read
// unchanged, and the rate conversion's timing, level and stopband.
#include "core/audio/recording_reader.h"

#include "core/audio/detector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace
{

// v as count little-endian bytes.
std::string le(uint32_t v, int count)
{
    std::string s;
    for (int i = 0; i < count; i++)
        s += static_cast<char>(v >> 8 * i & 0xFF);
    return s;
}

// A chunk, its size as given (or the body's), padded to an even length.
std::string chunk(const char *id, const std::string &body, int64_t size = -1)
{
    return id + le(static_cast<uint32_t>(size < 0 ? body.size() : size), 4) + body +
           std::string(body.size() % 2, '\0');
}

std::string format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                   uint16_t align = 0xFFFF)
{
    if (align == 0xFFFF)
        align = static_cast<uint16_t>(channels * (bits / 8));
    return le(tag, 2) + le(channels, 2) + le(rate, 4) + le(rate * align, 4) + le(align, 2) +
           le(bits, 2);
}

// An extensible format: cbSize, valid bits, channel mask, then the subformat
// GUID, whose first two bytes are the encoding.
std::string extensible(uint16_t encoding, uint16_t bits, uint16_t cb_size = 22,
                       bool vendor_guid = false)
{
    std::string guid_tail("\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 14);
    if (vendor_guid)
        guid_tail[4] = '\x11';
    return format(0xFFFE, 1, 11025, bits) + le(cb_size, 2) + le(bits, 2) + le(0, 4) +
           le(encoding, 2) + guid_tail;
}

std::string riff(const std::string &chunks, const char *magic = "RIFF")
{
    return magic + le(4 + chunks.size(), 4) + "WAVE" + chunks;
}

std::string wav(const std::string &fmt, const std::string &data)
{
    return riff(chunk("fmt ", fmt) + chunk("data", data));
}

// A file in memory; reading fails at fail_at.
struct memory_file {
    std::string bytes;
    uint64_t fail_at = UINT64_MAX;
};

byte_source source_of(memory_file &file)
{
    const auto read = [](void *context, uint64_t offset, void *buffer, size_t size, bool *failed) {
        const memory_file &f = *static_cast<memory_file *>(context);
        const uint64_t end = std::min<uint64_t>({offset + size, f.bytes.size(), f.fail_at});
        *failed = end == f.fail_at && end < offset + size;
        std::memcpy(buffer, f.bytes.data() + offset, end > offset ? end - offset : 0);
        return static_cast<size_t>(end > offset ? end - offset : 0);
    };
    return byte_source{&file, read, file.bytes.size()};
}

std::vector<int16_t> take_all(recording_reader &r, size_t piece = CAPTURE_BLOCK_SAMPLES)
{
    std::vector<int16_t> out(piece);
    size_t n, total = 0;
    while ((n = recording_reader_take(r, out.data() + total, piece)) > 0)
        out.resize((total += n) + piece);
    out.resize(total);
    return out;
}

} // namespace

TEST(RecordingHeader, EveryCheckedFieldReportsItsProblem)
{
    const std::string pcm = format(1, 1, 11025, 16);
    const std::string four(4, '\x01');
    // (name, file, problem, frames found, fault)
    const struct {
        const char *name;
        std::string file;
        wav_problem problem;
        uint64_t frames = 0;
        wav_header_fault fault = FAULT_NONE;
    } cases[] = {
        {"too short", "RIFF", WAV_NOT_WAVE},
        {"a keying data file", "長短判定時間,52\r\n", WAV_NOT_WAVE},
        {"not WAVE", riff("").replace(8, 4, "AVI "), WAV_NOT_WAVE},
        {"big-endian", riff(chunk("fmt ", pcm), "RIFX"), WAV_OTHER_CONTAINER},
        {"RF64", riff(chunk("fmt ", pcm), "RF64"), WAV_OTHER_CONTAINER},
        {"16-bit", wav(pcm, four), WAV_OK, 2},
        {"short format", wav(pcm.substr(0, 14), four), WAV_BROKEN_HEADER, 0, FAULT_FORMAT_SHORT},
        {"extensible PCM", wav(extensible(1, 16), four), WAV_OK, 2},
        {"extensible float", wav(extensible(3, 32), four), WAV_OK, 1},
        {"extensible cut", wav(extensible(1, 16).substr(0, 24), four), WAV_BROKEN_HEADER, 0,
         FAULT_FORMAT_SHORT},
        {"no cbSize", wav(extensible(1, 16, 0), four), WAV_BROKEN_HEADER, 0, FAULT_FORMAT_SHORT},
        {"vendor's GUID", wav(extensible(1, 16, 22, true), four), WAV_UNSUPPORTED_ENCODING},
        {"IMA ADPCM", wav(format(0x11, 1, 11025, 4), four), WAV_UNSUPPORTED_ENCODING},
        {"12-bit", wav(format(1, 1, 11025, 12), four), WAV_UNSUPPORTED_BITS},
        {"64-bit float", wav(format(3, 1, 11025, 64), four + four), WAV_UNSUPPORTED_BITS},
        {"32-bit", wav(format(1, 1, 11025, 32), four), WAV_OK, 1},
        {"no channels", wav(format(1, 0, 11025, 16, 2), four), WAV_BROKEN_HEADER, 0,
         FAULT_NO_CHANNELS},
        {"frame size", wav(format(1, 2, 11025, 16, 2), four), WAV_BROKEN_HEADER, 0,
         FAULT_BLOCK_ALIGN},
        {"7999 Hz", wav(format(1, 1, 7999, 16), four), WAV_RATE_OUT_OF_RANGE},
        {"8000 Hz", wav(format(1, 1, 8000, 16), four), WAV_OK, 2},
        {"192000 Hz", wav(format(1, 1, 192000, 16), four), WAV_OK, 2},
        {"192001 Hz", wav(format(1, 1, 192001, 16), four), WAV_RATE_OUT_OF_RANGE},
        {"data first", riff(chunk("data", four) + chunk("fmt ", pcm)), WAV_BROKEN_HEADER, 0,
         FAULT_NO_FORMAT},
        {"no format", riff(chunk("LIST", "abc")), WAV_BROKEN_HEADER, 0, FAULT_NO_FORMAT},
        {"no data", riff(chunk("fmt ", pcm)), WAV_BROKEN_HEADER, 0, FAULT_NO_DATA},
        {"format past the end", riff(chunk("fmt ", pcm, 400)), WAV_BROKEN_HEADER, 0,
         FAULT_CHUNK_PAST_END},
        {"cut off", riff(chunk("fmt ", pcm) + chunk("data", four, 1000)), WAV_TRUNCATED},
        {"streamed", riff(chunk("fmt ", pcm) + chunk("data", four + "ab", 0xFFFFFFFF)), WAV_OK, 3},
        {"piped by sox", riff(chunk("fmt ", pcm) + chunk("data", four + "ab", 0x7FFFF000)), WAV_OK,
         3},
        {"cut, compressed", riff(chunk("fmt ", format(0x11, 1, 11025, 4)) + chunk("data", four, 9)),
         WAV_TRUNCATED},
        {"empty", wav(pcm, ""), WAV_NO_SAMPLES},
        {"half a frame", wav(pcm, "\x01"), WAV_NO_SAMPLES},
        {"odd chunk first", riff(chunk("LIST", "abc") + chunk("fmt ", pcm) + chunk("data", four)),
         WAV_OK, 2},
    };
    for (const auto &c : cases) {
        memory_file file{c.file};
        wav_format f;
        EXPECT_EQ(read_wav_header(source_of(file), f), c.problem) << c.name;
        EXPECT_EQ(f.fault, c.fault) << c.name;
        EXPECT_EQ(f.frames, c.frames) << c.name;
    }

    memory_file cut{riff(chunk("fmt ", pcm) + chunk("data", four, 1000))};
    wav_format f;
    read_wav_header(source_of(cut), f);
    EXPECT_EQ(std::make_pair(f.announced_bytes, f.available_bytes),
              std::make_pair(uint64_t{1000}, uint64_t{4}));
    memory_file adpcm{wav(format(0x11, 1, 11025, 4), four)};
    read_wav_header(source_of(adpcm), f);
    EXPECT_STREQ(wav_encoding_name(f.encoding), "IMA ADPCM");
    memory_file failing{wav(pcm, four), 20};
    EXPECT_EQ(read_wav_header(source_of(failing), f), WAV_READ_FAILED);
}

TEST(RecordingSamples, EveryEncodingBecomesRoundedCaptureSamples)
{
    // At the capture rate only the mixing, the rounding (ties to even) and
    // the limits apply.
    const float floats[] = {0.5f, -1.0f, 1.5f, std::nanf("")};
    const std::string float_bytes(reinterpret_cast<const char *>(floats), sizeof floats);
    const struct {
        const char *name;
        std::string fmt;
        std::string data;
        std::vector<int16_t> expected;
    } cases[] = {
        {"8-bit", format(1, 1, 11025, 8), le(0xFF8000, 3), {-32768, 0, 32512}},
        {"16-bit stereo: 2000.5, -0.5",
         format(1, 2, 11025, 16),
         le(1000, 2) + le(3001, 2) + le(0xFFFF, 2) + le(0, 2),
         {2000, 0}},
        {"16-bit, 3 channels", format(1, 3, 11025, 16), le(1, 2) + le(2, 2) + le(4, 2), {2}},
        {"24-bit",
         format(1, 1, 11025, 24),
         le(0x7FFFFF, 3) + le(0x80, 3) + le(0x180, 3) + le(0x800000, 3),
         {32767, 0, 2, -32768}},
        {"32-bit",
         format(1, 1, 11025, 32),
         le(0x7FFFFFFF, 4) + le(0x18000, 4) + le(0x80000000, 4),
         {32767, 2, -32768}},
        {"float", format(3, 1, 11025, 32), float_bytes, {16384, -32768, 32767, 0}},
        {"float stereo", format(3, 2, 11025, 32), float_bytes.substr(0, 8), {-8192}},
    };
    for (const auto &c : cases) {
        memory_file file{wav(c.fmt, c.data)};
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
    memory_file file{
        wav(format(1, 1, 11025, 16),
            std::string(reinterpret_cast<const char *>(samples.data()), 2 * samples.size()))};
    for (uint64_t fail_at : {UINT64_MAX, uint64_t{44 + 2 * 200000}}) {
        file.fail_at = fail_at;
        recording_reader r;
        ASSERT_EQ(recording_reader_open(r, source_of(file)), WAV_OK);
        const std::vector<int16_t> read = take_all(r);
        EXPECT_EQ(r.failed, fail_at != UINT64_MAX);
        EXPECT_EQ(read.size(), r.failed ? 131072u : samples.size()); // whole reads only
        EXPECT_TRUE(std::equal(read.begin(), read.end(), samples.begin()));
    }
}

namespace
{

// A tone of amplitude 10000 from 0.5 s to 1.0 s in a 1.5 s stereo recording
// at the rate, read as capture samples.
std::vector<int16_t> converted_tone(uint32_t rate, double frequency)
{
    std::string data;
    for (size_t i = 0; i < rate * 3 / 2; i++) {
        const double t = static_cast<double>(i) / rate;
        const long v =
            t >= 0.5 && t < 1.0 ? std::lrint(10000.0 * std::sin(2 * M_PI * frequency * t)) : 0;
        data += le(static_cast<uint32_t>(v), 2) + le(static_cast<uint32_t>(v), 2);
    }
    memory_file file{wav(format(1, 2, rate, 16), data)};
    recording_reader r;
    EXPECT_EQ(recording_reader_open(r, source_of(file)), WAV_OK);
    return take_all(r, 4000);
}

int peak(const std::vector<int16_t> &s, size_t from, size_t to)
{
    int p = 0;
    for (size_t i = from; i < to; i++)
        p = std::max(p, std::abs(static_cast<int>(s[i])));
    return p;
}

} // namespace

TEST(RateConversion, ToneKeepsItsTimingAndLevelAndNothingFoldsBack)
{
    // 44056 Hz needs more phases than the table has: the nearest are taken.
    for (uint32_t rate : {8000u, 22050u, 44100u, 44056u, 48000u, 96000u, 192000u}) {
        const std::vector<int16_t> out = converted_tone(rate, 700.0);
        EXPECT_EQ(out.size(), (rate * 3 / 2 * 11025ull + rate - 1) / rate) << rate;
        // In between, the tone itself: its level and its phase (an output a
        // fraction of an input sample early or late is off by far more).
        double worst = 0;
        for (size_t i = 6000; i < 10500; i++)
            worst = std::max(worst,
                             std::abs(out[i] - 10000.0 * std::sin(2 * M_PI * 700.0 * i / 11025)));
        EXPECT_LT(worst, 4.0) << rate;
        EXPECT_LE(peak(out, 0, 5000) + peak(out, 12000, out.size()), 2) << rate;
    }
    // 8 kHz lies above 0.64 of the capture rate: 80 dB down, under a step.
    for (uint32_t rate : {44100u, 48000u})
        EXPECT_LE(peak(converted_tone(rate, 8000.0), 6000, 10500), 2) << rate;
}
