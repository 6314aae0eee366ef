#include "recording_checks.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace
{

uint32_t little_endian_u32(const unsigned char *bytes)
{
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// A length field of a file written as a stream, before its length was known.
constexpr uint32_t UNKNOWN_LENGTH = 0xFFFFFFFFu;

} // namespace

bool wav_data_complete(const char *path, std::string &error)
{
    FILE *file = std::fopen(path, "rb");
    if (!file)
        return true; // the reader reports it
    unsigned char header[12];
    bool complete = true;
    if (std::fread(header, 1, sizeof header, file) == sizeof header &&
        std::memcmp(header, "RIFF", 4) == 0 && std::memcmp(header + 8, "WAVE", 4) == 0 &&
        std::fseek(file, 0, SEEK_END) == 0) {
        const long file_size = std::ftell(file);
        // Walk the chunks up to the data chunk; each is padded to an even size.
        long offset = 12;
        unsigned char chunk[8];
        while (offset + 8 <= file_size && std::fseek(file, offset, SEEK_SET) == 0 &&
               std::fread(chunk, 1, sizeof chunk, file) == sizeof chunk) {
            const uint32_t size = little_endian_u32(chunk + 4);
            if (std::memcmp(chunk, "data", 4) == 0) {
                const long available = file_size - (offset + 8);
                if (size != UNKNOWN_LENGTH && static_cast<long>(size) > available) {
                    error = std::string("'") + path + "' is truncated: its header announces " +
                            std::to_string(size) + " bytes of sound, the file holds " +
                            std::to_string(available);
                    complete = false;
                }
                break;
            }
            offset += 8 + static_cast<long>(size) + static_cast<long>(size & 1);
        }
    }
    std::fclose(file);
    return complete;
}
