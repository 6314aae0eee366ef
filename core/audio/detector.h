// The key detector: turns captured samples into key-down and key-up, times
// marks and spaces on the measurement clock and accepts them once they have
// lasted longer than the key delay. It also tracks the peak level for the
// level meter and keeps the meter cadence. It reports what happened in each
// sample; the measurement engine appends to the timeline, feeds the decoder
// and starts the recording.
#ifndef VENTROK_CORE_AUDIO_DETECTOR_H
#define VENTROK_CORE_AUDIO_DETECTOR_H

#include <cstddef>
#include <cstdint>

// The capture: 11025 samples per second, delivered in blocks of 110 (10 ms).
constexpr uint32_t SAMPLE_RATE_HZ = 11025;
constexpr uint32_t CAPTURE_BLOCK_SAMPLES = 110;
// Samples per clock millisecond.
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

// What the detector reads of the operator settings.
struct detector_settings {
    int32_t detection_threshold; // a sample louder than this is key down
    uint32_t mark_delay_ms;      // a key-down must last longer to be a mark
    uint32_t space_delay_ms;     // a key-up must last longer to be a space
};

// What happened in one analysed sample, as flags.
enum detector_event_flag : uint32_t {
    // The first key-down onset after a clear: the sample counter, the clock
    // and the space start time restarted at 0 (the recording starts).
    DETECTOR_FIRST_ONSET = 1u << 0,
    // A key-down was accepted as a mark (detector_space_before_mark_ms).
    DETECTOR_MARK_ACCEPTED = 1u << 1,
    // A key-up was accepted as a space (detector_accepted_mark_ms).
    DETECTOR_SPACE_ACCEPTED = 1u << 2,
    // The 8th analysed sample since the last one: a sweep step is due.
    DETECTOR_DISPLAY_STEP = 1u << 3,
};

// Program start: everything 0, key up.
void detector_init(detector_state &d);

// The detector's part of the reset shared by the start and clear sequences:
// sample counter, clock and key state. The hang count, the noted and accepted
// flags and the start times carry over into the next measurement.
void detector_measurement_reset(detector_state &d);

// The clear sequence's own part: the key-down onset count back to 0, so the
// next key-down onset starts a recording.
void detector_clear(detector_state &d);

// Samples while the analysis is suspended: only the clock and the peak level
// move.
void detector_count_samples(detector_state &d, const int16_t *samples, size_t count);

// One analysed sample: the clock and the peak level, then the threshold
// detector with its hang, the onset and the acceptance of marks and spaces.
// Returns what happened (detector_event_flag bits). Inline because it runs
// for every captured sample.
inline uint32_t detector_analyse_sample(detector_state &d, int32_t sample,
                                        const detector_settings &s)
{
    uint32_t events = 0;
    d.sample_counter++;
    d.measurement_clock = d.sample_counter / SAMPLES_PER_MS;
    if (sample > d.peak_level)
        d.peak_level = sample;

    // 32-bit magnitude: -32768 has magnitude 32768.
    const int32_t magnitude = sample < 0 ? -sample : sample;
    if (magnitude > s.detection_threshold) {
        d.key_down = true;
        d.hang_count = HANG_SAMPLES;
    } else {
        if (d.hang_count > 0)
            d.hang_count--;
        d.key_down = d.hang_count > 0;
    }

    if (d.key_down) {
        if (!d.mark_accepted) {
            if (!d.key_down_noted) {
                if (++d.key_down_onsets == 1) {
                    // The recording and its clock start at this onset.
                    events |= DETECTOR_FIRST_ONSET;
                    d.sample_counter = 0;
                    d.measurement_clock = 0;
                    d.space_start_time = 0;
                }
                d.mark_start_time = d.measurement_clock;
                d.key_down_noted = true;
            }
            // Unsigned difference: a key-down noted before the clock
            // restarted wraps to a large value and is accepted at once.
            if (d.measurement_clock - d.mark_start_time > s.mark_delay_ms) {
                events |= DETECTOR_MARK_ACCEPTED;
                d.mark_accepted = true;
                d.space_accepted = false;
            }
        }
        d.space_start_noted = false;
    } else {
        d.key_down_noted = false;
        if (d.mark_accepted) {
            if (!d.space_start_noted) {
                d.space_start_time = d.measurement_clock;
                d.space_start_noted = true;
            }
            if (!d.space_accepted && d.measurement_clock - d.space_start_time > s.space_delay_ms) {
                events |= DETECTOR_SPACE_ACCEPTED;
                d.mark_accepted = false;
                d.space_accepted = true;
            }
        }
    }

    if (++d.display_step_counter == DISPLAY_STEP_SAMPLES) {
        d.display_step_counter = 0;
        events |= DETECTOR_DISPLAY_STEP;
    }
    return events;
}

// Runs of samples that change nothing but the counters and the peak level:
// while the key is up and settled (its hang ran out, no onset taken, no mark
// waiting for its space), every quiet sample; while an accepted mark is held,
// every sample that keeps the key down. Takes at most limit samples and
// stops before the first one that would change anything else (a loud sample
// while up, the sample that lets the key up while down); returns how many it
// took. Display steps within the run are counted but not reported: the
// caller limits the run to the samples before the next step when it needs
// them. Inline because it runs for most captured samples.
inline size_t detector_take_uneventful(detector_state &d, const int16_t *samples, size_t limit,
                                      const detector_settings &s)
{
    size_t n = 0;
    int32_t peak = d.peak_level;
    if (!d.key_down) {
        if (d.hang_count != 0 || d.key_down_noted || d.mark_accepted)
            return 0;
        for (; n < limit; n++) {
            const int32_t sample = samples[n];
            if ((sample < 0 ? -sample : sample) > s.detection_threshold)
                break;
            if (sample > peak)
                peak = sample;
        }
    } else {
        if (!d.mark_accepted || d.space_start_noted)
            return 0;
        int32_t hang = d.hang_count;
        for (; n < limit; n++) {
            const int32_t sample = samples[n];
            if ((sample < 0 ? -sample : sample) > s.detection_threshold)
                hang = HANG_SAMPLES;
            else if (hang <= 1)
                break; // the key goes up at this sample
            else
                hang--;
            if (sample > peak)
                peak = sample;
        }
        d.hang_count = hang;
    }
    d.peak_level = peak;
    d.sample_counter += static_cast<uint32_t>(n);
    d.measurement_clock = d.sample_counter / SAMPLES_PER_MS;
    d.display_step_counter =
        static_cast<int32_t>((static_cast<size_t>(d.display_step_counter) + n) %
                             DISPLAY_STEP_SAMPLES);
    return n;
}

// The space before a mark just accepted: from the space start time to the
// mark's onset (unsigned: a space start left from before the clock
// restarted wraps).
inline uint32_t detector_space_before_mark_ms(const detector_state &d)
{
    return d.mark_start_time - d.space_start_time;
}

// The mark a space just accepted ends: from its onset to the space start time.
inline uint32_t detector_accepted_mark_ms(const detector_state &d)
{
    return d.space_start_time - d.mark_start_time;
}

// The key-up so far, which the decoder's gap check measures: clock ms since
// the space start time (unsigned, so a start time left from before the clock
// restarted reads as a long key-up).
inline uint32_t detector_key_up_ms(const detector_state &d)
{
    return d.measurement_clock - d.space_start_time;
}

// Meter cadence: true when more than 100 ms of clock have passed since the
// last meter update; then peak_level receives the peak level, which is zeroed,
// and the last meter time becomes the clock. False changes nothing.
bool detector_take_meter_reading(detector_state &d, int32_t &peak_level);

// The automatic stop limits, tested at a meter update while recording: more
// than 10 s since the space start time or since the mark start time, more
// than 10000 timeline entries, or a clock past 5 minutes.
bool detector_automatic_stop_due(const detector_state &d, int32_t timeline_count);

#endif
