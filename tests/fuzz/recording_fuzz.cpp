// Feeds arbitrary bytes to the reader of recordings as a WAV file: it must
// accept only a header it can read, never read outside the file, and hand
// out no more capture samples than the frames it found allow.
#include "core/audio/recording_reader.h"

#include <cstdlib>
#include <cstring>

static const uint8_t *file_bytes;
static size_t file_size;

static size_t read_at(void *, uint64_t offset, void *buffer, size_t size, bool *)
{
    const size_t n = offset >= file_size ? 0 : size < file_size - offset ? size : file_size - offset;
    std::memcpy(buffer, file_bytes + offset, n);
    return n;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    file_bytes = data;
    file_size = size;
    static recording_reader reader;
    if (recording_reader_open(reader, byte_source{nullptr, read_at, size}) != WAV_OK)
        return 0;
    const wav_format &f = reader.format;
    if (f.channels == 0 || f.frames == 0 || f.data_offset + f.frames * f.block_align > size)
        std::abort();
    // The capture rate's share of the frames, and the converter's last one.
    const uint64_t most = f.frames * 11025 / f.sample_rate + 2;
    int16_t block[110];
    uint64_t total = 0;
    for (size_t n; (n = recording_reader_take(reader, block, 110)) > 0;)
        if ((total += n) > most)
            std::abort();
    return 0;
}
