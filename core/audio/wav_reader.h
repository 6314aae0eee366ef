// The header of a recording given to the window to measure: a WAV file
// (RIFF/WAVE, plain or WAVE_FORMAT_EXTENSIBLE) of integer PCM with 8, 16, 24
// or 32 bits or 32-bit float, any channel count, 8000..192000 samples per
// second. A recording is untrusted input: every field that the reading
// relies on is checked here, before a sample is read, and a fault is
// reported with what the message to the operator needs.
#ifndef VENTROK_CORE_AUDIO_WAV_READER_H
#define VENTROK_CORE_AUDIO_WAV_READER_H

#include <cstddef>
#include <cstdint>

// Where a recording's bytes come from: read_at reads up to size bytes at
// offset into buffer and returns how many it read; fewer than asked only at
// the end of the file or when reading failed (then *failed is set).
struct byte_source {
    void *context;
    size_t (*read_at)(void *context, uint64_t offset, void *buffer, size_t size, bool *failed);
    uint64_t size; // the file's length in bytes
};

// The rates a recording may have.
constexpr uint32_t MIN_RECORDING_RATE_HZ = 8000;
constexpr uint32_t MAX_RECORDING_RATE_HZ = 192000;

// Encodings of the format tag (and of an extensible format's subformat).
constexpr uint16_t WAV_ENCODING_PCM = 0x0001;
constexpr uint16_t WAV_ENCODING_FLOAT = 0x0003;
constexpr uint16_t WAV_FORMAT_EXTENSIBLE = 0xFFFE;

enum wav_problem {
    WAV_OK,
    WAV_READ_FAILED,          // the file could not be read
    WAV_NOT_WAVE,             // not a RIFF/WAVE file at all
    WAV_OTHER_CONTAINER,      // a WAVE in RIFX (big-endian) or RF64/BW64
    WAV_UNSUPPORTED_ENCODING, // compressed or otherwise not PCM or float: encoding says which
    WAV_UNSUPPORTED_BITS,     // PCM or float of a sample size not read here
    WAV_RATE_OUT_OF_RANGE,    // below 8000 or above 192000 Hz
    WAV_BROKEN_HEADER,        // a field that cannot be true: fault says which
    WAV_TRUNCATED,            // the sound ends before its announced length
    WAV_NO_SAMPLES,           // a data chunk without a whole frame
};

enum wav_header_fault {
    FAULT_NONE,
    FAULT_FORMAT_SHORT,       // a format chunk under 16 bytes (40 when extensible)
    FAULT_NO_FORMAT,          // no format chunk before the data
    FAULT_NO_DATA,            // no data chunk
    FAULT_NO_CHANNELS,        // 0 channels
    FAULT_BLOCK_ALIGN,        // the frame size is not channels x sample size
    FAULT_CHUNK_PAST_END,     // the format chunk runs past the end of the file
};

struct wav_format {
    uint16_t encoding;        // WAV_ENCODING_PCM, WAV_ENCODING_FLOAT, or another tag
    bool extensible;          // the format tag was WAV_FORMAT_EXTENSIBLE
    uint16_t channels;
    uint32_t sample_rate;
    uint16_t bits_per_sample; // bits of a sample's container
    uint16_t block_align;     // bytes of one frame (a sample of every channel)
    uint64_t data_offset;     // where the sound starts in the file
    uint64_t frames;          // whole frames of sound
    // What a fault is about: the fault, and for WAV_TRUNCATED the bytes the
    // data chunk announces and the bytes the file holds after its start.
    wav_header_fault fault;
    uint64_t announced_bytes;
    uint64_t available_bytes;
    char container[5]; // WAV_OTHER_CONTAINER: "RIFX", "RF64" or "BW64"
};

// Reads and checks the header; WAV_OK with format filled, or the problem
// with what it is about. A data chunk that announces more bytes than the file
// holds is WAV_TRUNCATED whatever the encoding, unless its length is one of
// those a stream writer leaves (then it runs to the end of the file).
wav_problem read_wav_header(const byte_source &source, wav_format &format);

// A short English name of an encoding that is not read here ("IMA ADPCM",
// "MPEG Layer 3"), or null when the tag is not a known one.
const char *wav_encoding_name(uint16_t encoding);

// Frames of the file's bytes as one channel, the mean of the channels, in
// the units of 16-bit samples (full scale 32768): integer samples keep their
// fractions below 16 bits, floats are scaled by 32768.
void wav_frames_to_mono(const wav_format &format, const uint8_t *bytes, size_t frames,
                        float *mono);

#endif
