#include "core/audio/detector.h"

static detector_state current;

const detector_state &detector()
{
    return current;
}

detector_state &detector_for_update()
{
    return current;
}

void detector_init(detector_state &d)
{
    d = detector_state{};
}

void detector_measurement_reset(detector_state &d)
{
    d.sample_counter = 0;
    d.measurement_clock = 0;
    d.key_down = false;
}

void detector_clear(detector_state &d)
{
    d.key_down_onsets = 0;
}

// The timeline drops what does not fit; the measurement must then end right
// after this block.
static void append_space(keying_timeline &t, measurement_state &m, uint32_t duration_ms)
{
    timeline_append_space(t, duration_ms);
    if (timeline_full(t))
        m.stop_request = true;
}

static void append_mark(keying_timeline &t, measurement_state &m, uint32_t duration_ms)
{
    timeline_append_mark(t, duration_ms);
    if (timeline_full(t))
        m.stop_request = true;
}

// Key down: take the onset, and accept the mark once it has lasted longer
// than the mark delay.
static void on_key_down(detector_state &d, keying_timeline &t, measurement_state &m,
                        const settings_record &s, const detector_hooks &hooks)
{
    if (!d.mark_accepted) {
        if (!d.key_down_noted) {
            d.key_down_onsets++;
            if (d.key_down_onsets == 1) {
                // The first key-down after a clear: the recording and its
                // clock start here.
                m.recording_phase = RECORDING_ACTIVE;
                if (hooks.on_recording_started)
                    hooks.on_recording_started(hooks.context);
                d.sample_counter = 0;
                d.measurement_clock = 0;
                d.space_start_time = 0;
            }
            d.mark_start_time = d.measurement_clock;
            d.key_down_noted = true;
        }
        // Unsigned difference: a key-down noted before the clock restarted
        // wraps to a large value and is accepted at once.
        if (d.measurement_clock - d.mark_start_time > s.mark_delay_ms) {
            const uint32_t space_before_ms = d.mark_start_time - d.space_start_time;
            if (m.recording_phase != RECORDING_WAITING)
                append_space(t, m, space_before_ms);
            d.mark_accepted = true;
            d.space_accepted = false;
            if (hooks.on_mark_accepted)
                hooks.on_mark_accepted(hooks.context, space_before_ms);
        }
    }
    d.space_start_noted = false;
}

// Key up: after an accepted mark, take the space start and accept the space
// once it has lasted longer than the space delay; then let the decoder look
// at the gap.
static void on_key_up(detector_state &d, keying_timeline &t, measurement_state &m,
                      const settings_record &s, const detector_hooks &hooks)
{
    d.key_down_noted = false;
    if (d.mark_accepted) {
        if (!d.space_start_noted) {
            d.space_start_time = d.measurement_clock;
            d.space_start_noted = true;
        }
        if (!d.space_accepted && d.measurement_clock - d.space_start_time > s.space_delay_ms) {
            const uint32_t mark_ms = d.space_start_time - d.mark_start_time;
            if (m.recording_phase != RECORDING_WAITING)
                append_mark(t, m, mark_ms);
            d.mark_accepted = false;
            d.key_down_noted = false;
            d.space_accepted = true;
            if (hooks.on_space_accepted)
                hooks.on_space_accepted(hooks.context, mark_ms);
        }
    }
    if (hooks.on_gap_check)
        hooks.on_gap_check(hooks.context, d.measurement_clock - d.space_start_time);
}

void detector_analyse_block(detector_state &d, keying_timeline &t, measurement_state &m,
                            const settings_record &s, const int16_t *samples, size_t count,
                            const detector_hooks &hooks)
{
    for (size_t i = 0; i < count; i++) {
        const int32_t sample = samples[i];
        d.sample_counter++;
        d.measurement_clock = d.sample_counter / SAMPLES_PER_MS;
        if (sample > d.peak_level)
            d.peak_level = sample;
        if (m.analysis_suspended)
            continue;

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

        if (d.key_down)
            on_key_down(d, t, m, s, hooks);
        else
            on_key_up(d, t, m, s, hooks);

        if (++d.display_step_counter == DISPLAY_STEP_SAMPLES) {
            d.display_step_counter = 0;
            if (m.recording_phase != RECORDING_WAITING && hooks.on_display_step)
                hooks.on_display_step(hooks.context, d.key_down);
        }
    }
}

bool detector_meter_due(detector_state &d, int32_t &peak_level)
{
    if (d.measurement_clock - d.last_meter_time <= METER_INTERVAL_MS)
        return false;
    peak_level = d.peak_level;
    d.peak_level = 0;
    d.last_meter_time = d.measurement_clock;
    return true;
}

bool detector_check_automatic_stop(const detector_state &d, const keying_timeline &t,
                                   measurement_state &m)
{
    if (m.recording_phase != RECORDING_ACTIVE)
        return false;
    const uint32_t clock = d.measurement_clock;
    const bool stop = clock - d.space_start_time > STOP_IDLE_LIMIT_MS ||
                      clock - d.mark_start_time > STOP_IDLE_LIMIT_MS ||
                      t.timeline_count > STOP_ENTRY_LIMIT || clock > STOP_MEASUREMENT_LIMIT_MS;
    if (stop)
        m.stop_request = true;
    return stop;
}
