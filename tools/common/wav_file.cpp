#include "tools/common/wav_file.h"

namespace
{

void put_u32(std::string &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

void put_u16(std::string &out, uint16_t v)
{
    out.push_back(static_cast<char>(v));
    out.push_back(static_cast<char>(v >> 8));
}

// The header of a mono PCM file whose data chunk holds data_bytes; chunks
// are word aligned, so an odd data chunk is followed by one pad byte.
std::string wav_header(uint32_t data_bytes, uint16_t bits_per_sample, uint32_t sample_rate)
{
    const uint16_t block_align = bits_per_sample / 8;
    std::string out;
    out += "RIFF";
    put_u32(out, 36 + data_bytes + data_bytes % 2);
    out += "WAVEfmt ";
    put_u32(out, 16);
    put_u16(out, 1); // PCM
    put_u16(out, 1); // mono
    put_u32(out, sample_rate);
    put_u32(out, sample_rate * block_align); // bytes per second
    put_u16(out, block_align);
    put_u16(out, bits_per_sample);
    out += "data";
    put_u32(out, data_bytes);
    return out;
}

} // namespace

std::string wav_file_bytes(const std::vector<int16_t> &samples, uint32_t sample_rate)
{
    const uint32_t data_bytes = static_cast<uint32_t>(samples.size() * 2);
    std::string out = wav_header(data_bytes, 16, sample_rate);
    out.reserve(out.size() + data_bytes);
    for (int16_t s : samples)
        put_u16(out, static_cast<uint16_t>(s)); // little-endian
    return out;
}

std::string wav_file_bytes(const std::vector<uint8_t> &samples, uint32_t sample_rate)
{
    const uint32_t data_bytes = static_cast<uint32_t>(samples.size());
    std::string out = wav_header(data_bytes, 8, sample_rate);
    out.append(reinterpret_cast<const char *>(samples.data()), samples.size());
    if (data_bytes % 2)
        out.push_back('\0');
    return out;
}
