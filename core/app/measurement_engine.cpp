// The transitions of a measurement and the operator's settings changes.
#include "core/app/measurement_engine.h"

#include "core/replay/keying_file.h"

void engine_init(measurement_engine &e, const settings_record &settings)
{
    e.settings = settings;
    e.measurement = measurement_state{};
    detector_init(e.detector);
    timeline_reset(e.timeline);
    decoder_init(e.decoder);
    keying_statistics_init(e.statistics);
    e.measuring_recording = false;
}

// The capture's own detector and decoder back after a recording.
static void end_recording(measurement_engine &e)
{
    if (!e.measuring_recording)
        return;
    e.detector = e.live_detector;
    e.decoder = e.live_decoder;
    e.measuring_recording = false;
}

// What the start and clear sequences put back: the timeline, the clock and
// the key state, and the decoder's character. The displays put back
// their own state (text cursor, sweep).
static void measurement_reset(measurement_engine &e)
{
    timeline_reset(e.timeline);
    detector_measurement_reset(e.detector);
    decoder_reset(e.decoder);
}

bool engine_start(measurement_engine &e, bool input_device_present)
{
    measurement_state &m = e.measurement;
    decoder_raise_units_for_start(e.decoder);
    timeline_reset(e.timeline);
    m.statistics_redrawn = false;
    m.device_selection_pending = false;
    m.analysis_suspended = true;
    if (!input_device_present)
        return false;
    measurement_reset(e);
    m.analysis_suspended = false; // Armed
    return true;
}

void engine_start_recording(measurement_engine &e)
{
    if (!e.measuring_recording) {
        e.live_detector = e.detector;
        e.live_decoder = e.decoder;
        e.measuring_recording = true;
    }
    detector_init(e.detector);
    decoder_init(e.decoder);
    engine_start(e, true);
}

stop_outcome_t engine_stop(measurement_engine &e)
{
    measurement_state &m = e.measurement;
    m.recording_phase = RECORDING_STOPPED;
    m.analysis_suspended = true;
    m.keying_file_saved = false;
    const uint32_t clock = e.detector.measurement_clock;
    end_recording(e);
    if (e.timeline.timeline_count < MIN_TIMELINE_ENTRIES) {
        m.too_few_keyings = true;
        return STOP_TOO_FEW_KEYINGS;
    }
    m.too_few_keyings = false;
    m.measured_seconds = static_cast<int>(clock / 1000);
    compute_keying_statistics(e.statistics, e.timeline.entries, e.timeline.timeline_count);
    return STOP_EVALUATED;
}

bool engine_clear(measurement_engine &e)
{
    measurement_state &m = e.measurement;
    m.analysis_suspended = true;
    end_recording(e);
    measurement_reset(e);
    const bool device_selection_due = m.device_selection_pending;
    m.device_selection_pending = false;
    detector_clear(e.detector);
    m.recording_phase = RECORDING_WAITING; // Idle
    return device_selection_due;
}

void engine_request_device_selection(measurement_engine &e)
{
    e.measurement.device_selection_pending = true;
}

void engine_suspend_analysis(measurement_engine &e)
{
    e.measurement.analysis_suspended = true;
}

void engine_take_file_measured_seconds(measurement_engine &e, int measured_seconds)
{
    e.measurement.measured_seconds = measured_seconds;
}

void engine_replay_window_left(measurement_engine &e)
{
    e.measurement.device_selection_pending = false;
    e.measurement.analysis_suspended = true;
}

bool engine_take_stop_request(measurement_engine &e)
{
    const bool raised = e.measurement.stop_request;
    e.measurement.stop_request = false;
    return raised;
}

std::string engine_keying_data_file(const measurement_engine &e)
{
    return format_keying_data_file(e.timeline.entries, e.timeline.timeline_count,
                                   e.measurement.measured_seconds, e.statistics);
}

void engine_note_keying_file_saved(measurement_engine &e, bool saved)
{
    e.measurement.keying_file_saved = saved;
}

void engine_select_alphabet(measurement_engine &e, decode_alphabet_t alphabet)
{
    e.settings.decode_alphabet = alphabet;
}

void engine_select_code_interval(measurement_engine &e, code_interval_t interval)
{
    e.settings.code_interval = interval;
}

void engine_toggle_alphabet_auto_switch(measurement_engine &e)
{
    e.settings.alphabet_auto_switch = !e.settings.alphabet_auto_switch;
    decoder_reset_switch_counts(e.decoder);
}

void engine_toggle_double_speed_sweep(measurement_engine &e)
{
    e.settings.double_speed_sweep = !e.settings.double_speed_sweep;
}

void engine_toggle_unit_time_display(measurement_engine &e)
{
    e.settings.unit_time_display = !e.settings.unit_time_display;
}

void engine_toggle_large_decoded_text(measurement_engine &e)
{
    e.settings.large_decoded_text = !e.settings.large_decoded_text;
}

void engine_toggle_monitor(measurement_engine &e)
{
    e.settings.monitor = !e.settings.monitor;
}

void engine_toggle_clipping(measurement_engine &e)
{
    e.settings.clipping_mode = e.settings.clipping_mode == CLIPPING_ON ? CLIPPING_OFF : CLIPPING_ON;
}

void engine_set_key_delay(measurement_engine &e, int position)
{
    e.settings.mark_delay_ms = static_cast<uint32_t>(position);
    e.settings.space_delay_ms = static_cast<uint32_t>(position);
}

void engine_set_threshold_position(measurement_engine &e, int position)
{
    e.settings.detection_threshold = threshold_from_position(position);
}

void engine_select_devices(measurement_engine &e, uint32_t input_device, uint32_t output_device)
{
    e.settings.selected_input_device = input_device;
    e.settings.selected_output_device = output_device;
}
