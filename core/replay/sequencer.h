// The replay sequencer: walks a recorded keying entry by entry (odd entries
// marks, even entries spaces), splits long entries into 110 ms chunks, keeps
// two buffers in flight, moves the replay position the pointer marker shows,
// and detects the end of the record. It never touches the audio device: the
// replay window queues what it is told to queue.
#ifndef VENTROK_CORE_REPLAY_SEQUENCER_H
#define VENTROK_CORE_REPLAY_SEQUENCER_H

#include "core/replay/tone.h"

#include <cstdint>
#include <vector>

// The durations being replayed, in ms. Entry 0 is the space before the first
// mark, entries 1 .. entry_count - 1 the keying, entry [entry_count] the
// closing zero and entry [entry_count + 1] a further zero. Entries beyond
// [entry_count + 1], and any at or beyond capacity, are never read and count
// as 0.
struct replay_entries {
    const uint16_t *entries;
    int entry_count;
    int capacity; // number of elements in the entries array (10100)
};

// Sequencer state, one set per replay window.
struct replay_sequencer {
    int cursor;                  // entry being turned into sound
    uint32_t carry_over_ms;      // ms of the cursor's entry still to generate, 0 = none
    uint32_t replay_position_ms; // sum of entries 2 .. cursor; set to 0 by the window
};

enum replay_step_result { STEP_QUEUE_IT, STEP_ENDED };

// Called by prime for each buffer to queue, in order: first buffer 0, then
// buffer 1. Buffer 1 is generated only after buffer 0 has been queued.
typedef void (*queue_buffer_fn)(void *context, int buffer_index);

// Start of a replay, once the output device is open: fills buffers[0] with the
// start of the first mark and queues it, then fills buffers[1] and queues it.
// The replay position is expected to be 0 (the window resets it).
void prime_replay(replay_sequencer &sequencer, tone_generator &tone, const replay_entries &record,
                  int samples_per_ms, replay_buffer buffers[2], queue_buffer_fn queue_buffer,
                  void *context);

// A buffer has come back from the device: refills it with the next chunk.
// STEP_QUEUE_IT: queue it again. STEP_ENDED: the record is finished; the
// buffer (which is empty) is not queued and the output is to be stopped.
replay_step_result step_replay(replay_sequencer &sequencer, tone_generator &tone,
                               const replay_entries &record, int samples_per_ms,
                               replay_buffer &buffer);

// The whole record as the replay window would play it with a fixed
// samples_per_ms: prime, then a step for each buffer as it comes back, the
// contents of every queued buffer concatenated in queue order. Starts from
// (and leaves) the given tone generator state.
std::vector<uint8_t> render_replay(tone_generator &tone, const replay_entries &record,
                                   int samples_per_ms);

#endif
