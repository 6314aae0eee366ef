// Mono PCM WAV files for the tools: the test recordings they generate
// (16-bit signed) and the replays they render (8-bit unsigned, as the print
// and replay window plays them).
#ifndef VENTROK_TOOLS_COMMON_WAV_FILE_H
#define VENTROK_TOOLS_COMMON_WAV_FILE_H

#include <cstdint>
#include <string>
#include <vector>

// The whole file's bytes: the RIFF header with its fmt and data chunks.
std::string wav_file_bytes(const std::vector<int16_t> &samples, uint32_t sample_rate);
std::string wav_file_bytes(const std::vector<uint8_t> &samples, uint32_t sample_rate);

#endif
