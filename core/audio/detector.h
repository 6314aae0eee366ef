// The key detector: turns captured samples into key-down and key-up, times
// marks and spaces on the measurement clock, accepts them once they have
// lasted longer than the key delay, appends them to the keying timeline while
// recording, and reports to the decoder and the sweep through a table of
// function pointers. Also tracks the peak level for the level meter and
// decides when the meter update and the automatic stop are due.
//
// Platform-free: the Win32 block processor does the monitor echo, calls
// detector_analyse_block for the block, then detector_meter_due, and acts on
// the results.
#ifndef VENTROK_AUDIO_DETECTOR_H
#define VENTROK_AUDIO_DETECTOR_H

#include <cstddef>
#include <cstdint>

#include "core/analysis/timeline.h"
#include "core/app/measurement_state.h"
#include "core/app/settings.h"

// Samples per clock millisecond (11025 samples per second).
constexpr uint32_t SAMPLES_PER_MS = 11;
// Quiet samples after the last loud one until the key reads up.
constexpr int32_t HANG_SAMPLES = 16;
// Analysed samples per sweep step.
constexpr int32_t DISPLAY_STEP_SAMPLES = 8;
// Clock ms between meter updates (the update runs when more have passed).
constexpr uint32_t METER_INTERVAL_MS = 100;
// Automatic stop limits, in clock ms and entries (stop when exceeded).
constexpr uint32_t STOP_IDLE_LIMIT_MS = 10000;
constexpr int32_t STOP_ENTRY_LIMIT = 10000;
constexpr uint32_t STOP_MEASUREMENT_LIMIT_MS = 300000;

struct detector_state {
    uint32_t sample_counter;      // samples since the last restart
    uint32_t measurement_clock;   // sample_counter / 11, in ms
    int32_t peak_level;           // largest signed sample since the last meter update
    int32_t hang_count;           // 0..16, quiet samples left before key up
    bool key_down;                // key state of the latest analysed sample
    int32_t key_down_onsets;      // onsets since the last clear sequence
    bool key_down_noted;          // mark start time taken for the current key-down
    uint32_t mark_start_time;     // clock ms at the latest key-down onset
    bool mark_accepted;           // the current or last key-down is an accepted mark
    bool space_start_noted;       // space start time taken for the current key-up
    uint32_t space_start_time;    // clock ms at which the key-up after a mark began
    bool space_accepted;          // the current key-up is an accepted space
    int32_t display_step_counter; // 0..7, analysed samples since the last sweep step
    uint32_t last_meter_time;     // clock ms at the last meter update
};

// What the detector reports while it analyses. Any pointer may be null (no-op);
// context is passed back unchanged. Within one sample the decoder calls come in
// the order on_mark_accepted, on_space_accepted, on_gap_check.
struct detector_hooks {
    void *context;
    // The first key-down after a clear started the recording: blank the status line.
    void (*on_recording_started)(void *context);
    // A key-down was accepted as a mark; the space before it lasted space_before_ms.
    void (*on_mark_accepted)(void *context, uint32_t space_before_ms);
    // A key-up was accepted as a space; the mark before it lasted mark_ms.
    void (*on_space_accepted)(void *context, uint32_t mark_ms);
    // Every analysed key-up sample: elapsed_ms since the space start time.
    void (*on_gap_check)(void *context, uint32_t elapsed_ms);
    // Every 8th analysed sample while recording: one sweep column.
    void (*on_display_step)(void *context, bool key_down);
};

// The process-wide detector state.
const detector_state &detector();
detector_state &detector_for_update();

// Program start: everything 0, key up.
void detector_init(detector_state &d);

// The detector's part of the reset shared by the start and clear sequences:
// sample counter, clock and key state. The hang count, the noted and accepted
// flags and the start times carry over into the next measurement.
void detector_measurement_reset(detector_state &d);

// The clear sequence's own part: the key-down onset count back to 0, so the
// next key-down onset starts a recording.
void detector_clear(detector_state &d);

// Analyse count samples of a captured block: advance the clock and the peak
// level; unless analysis is suspended, detect, time and accept marks and
// spaces, append them to the timeline while the recording phase is not 0,
// start the recording at the first onset after a clear, and report through
// hooks. Raises the stop request when the timeline becomes full.
void detector_analyse_block(detector_state &d, keying_timeline &t, measurement_state &m,
                            const settings_record &s, const int16_t *samples, size_t count,
                            const detector_hooks &hooks);

// Meter cadence: true when more than 100 ms of clock have passed since the
// last meter update; then peak_level receives the peak level, which is zeroed,
// and the last meter time becomes the clock. False changes nothing.
bool detector_meter_due(detector_state &d, int32_t &peak_level);

// Automatic stop, run at a meter update: while recording, raise the stop
// request when more than 10 s have passed since the space start time or since
// the mark start time, the timeline holds more than 10000 entries, or the
// clock is past 5 minutes. Returns whether the request was raised here.
bool detector_check_automatic_stop(const detector_state &d, const keying_timeline &t,
                                   measurement_state &m);

#endif
