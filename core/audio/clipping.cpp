#include "core/audio/clipping.h"

int16_t clip_sample(int16_t sample)
{
    const double x = sample / 32768.0;
    const double minus_x_squared = -x * x;
    double term = x;
    double sum = x;
    for (int i = 1; i <= 10; i++) {
        term = minus_x_squared * term;
        sum += term / (2 * i + 1);
    }
    // |sum| <= 0.808080 for |x| <= 1, so the result always fits 16 bits.
    return static_cast<int16_t>(sum * 32768.0 * 1.2);
}

void apply_clipping(int16_t *samples, size_t count)
{
    for (size_t i = 0; i < count; i++)
        samples[i] = clip_sample(samples[i]);
}
