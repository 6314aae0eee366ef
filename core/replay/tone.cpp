#include "core/replay/tone.h"

namespace
{

// Attack: one tone period whose deviation grows from 0 to about 0.94 of full.
const uint8_t ATTACK_CYCLE[TONE_PERIOD_SAMPLES] = {128, 133, 146, 162, 175, 177, 167, 143,
                                                   111, 75,  43,  24,  22,  41,  79};
// Steady: one period of a sine about 128 with a peak deviation of 127.
const uint8_t STEADY_CYCLE[TONE_PERIOD_SAMPLES] = {128, 180, 223, 249, 255, 238, 203, 154,
                                                   102, 53,  18,  1,   7,   33,  76};
// Release: the attack read backwards and mirrored about 128
// (R[i] = 256 - A[14 - i]), so the tone dies away to silence.
const uint8_t RELEASE_CYCLE[TONE_PERIOD_SAMPLES] = {177, 215, 234, 232, 213, 181, 145, 113,
                                                    89,  79,  81,  94,  110, 123, 128};

tone_generator program_tone = {false, 0};

int clamp_samples_per_ms(int samples_per_ms)
{
    if (samples_per_ms < MIN_SAMPLES_PER_MS)
        return MIN_SAMPLES_PER_MS;
    if (samples_per_ms > MAX_SAMPLES_PER_MS)
        return MAX_SAMPLES_PER_MS;
    return samples_per_ms;
}

} // namespace

tone_generator &replay_tone_generator()
{
    return program_tone;
}

uint32_t generate_chunk(tone_generator &tone, replay_buffer &buffer, uint32_t element_ms,
                        replay_element element, int samples_per_ms)
{
    const uint32_t chunk_ms = element_ms < MAX_CHUNK_MS ? element_ms : MAX_CHUNK_MS;
    const uint32_t carry_over_ms = element_ms >= MAX_CHUNK_MS ? element_ms - MAX_CHUNK_MS : 0;

    // Whole tone periods only (truncating division), so the steady part of
    // every chunk starts at the beginning of a period.
    const uint32_t k = static_cast<uint32_t>(clamp_samples_per_ms(samples_per_ms));
    const uint32_t n = chunk_ms * k / TONE_PERIOD_SAMPLES * TONE_PERIOD_SAMPLES;
    buffer.length_samples = n;

    uint8_t *out = buffer.samples;
    uint32_t i = 0;
    if (element == ELEMENT_MARK) {
        if (!tone.tone_on) {
            // The attack is written even when the chunk is shorter than one
            // period: it then lies beyond the length and is not heard, but
            // the tone is on all the same.
            tone.phase_counter = 0;
            for (; i < TONE_PERIOD_SAMPLES; ++i) {
                out[i] = ATTACK_CYCLE[i];
                ++tone.phase_counter;
            }
            tone.tone_on = true;
        }
        for (; i < n; ++i) {
            out[i] = STEADY_CYCLE[tone.phase_counter % TONE_PERIOD_SAMPLES];
            ++tone.phase_counter;
        }
    } else {
        if (tone.tone_on) {
            for (; i < TONE_PERIOD_SAMPLES; ++i)
                out[i] = RELEASE_CYCLE[i];
            tone.tone_on = false;
        }
        for (; i < n; ++i)
            out[i] = SILENCE_SAMPLE;
    }

    if (carry_over_ms == 0)
        tone.phase_counter = 0;
    return carry_over_ms;
}
