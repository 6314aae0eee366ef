// Feeds arbitrary bytes to the reader of recordings as a WAV file. The reader
// must accept only a header it can read, never read outside the file, and
// hand out no more capture samples than the frames it found allow.
#include "core/audio/recording_reader.h"

#include <cstdlib>
#include <cstring>

struct fuzz_file {
    const uint8_t *bytes;
    size_t size;
};

static size_t read_fuzz_file(void *context, uint64_t offset, void *buffer, size_t size, bool *)
{
    const fuzz_file &f = *static_cast<fuzz_file *>(context);
    if (offset >= f.size)
        return 0;
    const size_t n = size < f.size - offset ? size : static_cast<size_t>(f.size - offset);
    std::memcpy(buffer, f.bytes + offset, n);
    return n;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz_file file = {data, size};
    static recording_reader reader;
    if (recording_reader_open(reader, byte_source{&file, read_fuzz_file, size}) != WAV_OK)
        return 0;
    const wav_format &f = reader.format;
    if (f.channels == 0 || f.frames == 0 || f.data_offset + f.frames * f.block_align > size)
        std::abort();
    // The capture rate's share of the frames, and the converter's tail.
    const uint64_t most = f.frames * 11025 / f.sample_rate + 2;
    uint64_t total = 0;
    int16_t block[110];
    size_t n;
    while ((n = recording_reader_take(reader, block, 110)) > 0) {
        total += n;
        if (total > most)
            std::abort();
    }
    return 0;
}
