// The clipping transform of the monitor echo: a soft limiter that amplifies
// small signals by 1.2 and keeps full-scale samples below 31775 in magnitude.
#ifndef VENTROK_CORE_AUDIO_CLIPPING_H
#define VENTROK_CORE_AUDIO_CLIPPING_H

#include <cstddef>
#include <cstdint>

// One sample through the limiter: y = x - x^3/3 + x^5/5 - ... + x^21/21 with
// x = s / 32768, then y * 32768 * 1.2 truncated toward zero.
int16_t clip_sample(int16_t sample);

// The transform applied in place to a block of samples.
void apply_clipping(int16_t *samples, size_t count);

#endif
