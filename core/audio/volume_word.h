// The volume word of a wave output for a trackbar position 0..100: v =
// position x 65535 / 100 (unsigned, truncating) on both channels, left in the
// low 16 bits and right in the high 16 bits.
#ifndef VENTROK_CORE_AUDIO_VOLUME_WORD_H
#define VENTROK_CORE_AUDIO_VOLUME_WORD_H

#include <cstdint>

inline uint32_t wave_volume_word(int position)
{
    const uint32_t v = static_cast<uint32_t>(position) * 65535u / 100u;
    return (v << 16) | v;
}

#endif
