// The replay tone generator: turns one chunk of a recorded mark or space into
// unsigned 8-bit samples at 11025 samples per second. A mark is a 735 Hz tone
// (15 samples per period) that starts with a shaped attack cycle; a space is
// silence (128) that starts with the release cycle of the tone before it.
#ifndef VENTROK_CORE_REPLAY_TONE_H
#define VENTROK_CORE_REPLAY_TONE_H

#include <cstdint>

// Size of each of the two sample areas the replay window allocates.
constexpr uint32_t REPLAY_BUFFER_BYTES = 12000;
// Longest piece of one element that goes into one buffer.
constexpr uint32_t MAX_CHUNK_MS = 110;
constexpr uint32_t TONE_PERIOD_SAMPLES = 15;
constexpr uint8_t SILENCE_SAMPLE = 128;

// Samples per recorded millisecond: 11 plays at the recorded speed, larger
// slower, smaller faster. The largest chunk is 110 x 33 = 3630 samples.
constexpr int MIN_SAMPLES_PER_MS = 5;
constexpr int MAX_SAMPLES_PER_MS = 33;
constexpr int DEFAULT_SAMPLES_PER_MS = 11;

enum replay_element { ELEMENT_SPACE = 0, ELEMENT_MARK = 1 };

// The generator's state. The program keeps one for its whole run (see
// replay_tone_generator); it is not reset when a replay starts or ends, so a
// tone left on by one replay carries into the next.
struct tone_generator {
    bool tone_on;
    uint32_t phase_counter; // indexes the steady cycle modulo 15
};

// One replay buffer as the generator sees it: a sample area of
// REPLAY_BUFFER_BYTES owned by the caller, and how many of its samples are to
// be played.
struct replay_buffer {
    uint8_t *samples;
    uint32_t length_samples;
};

// The program's one tone generator: tone off and phase 0 at program start.
tone_generator &replay_tone_generator();

// Fills the buffer with the first min(element_ms, 110) ms of the element at
// samples_per_ms (clamped to 5..33), rounded down to whole tone periods, and
// sets its length. Returns the milliseconds still to be generated
// (element_ms - 110 when element_ms >= 110, else 0).
uint32_t generate_chunk(tone_generator &tone, replay_buffer &buffer, uint32_t element_ms,
                        replay_element element, int samples_per_ms);

#endif
