#include "core/app/settings.h"

settings_record initial_settings()
{
    settings_record s = {};
    s.decode_alphabet = ALPHABET_EUROPEAN;
    s.code_interval = INTERVAL_MEDIUM;
    s.alphabet_auto_switch = false;
    s.large_decoded_text = false;
    s.double_speed_sweep = false;
    s.unit_time_display = false;
    s.clipping_mode = CLIPPING_OFF;
    s.monitor = false;
    s.detection_threshold = INITIAL_DETECTION_THRESHOLD;
    s.mark_delay_ms = INITIAL_KEY_DELAY_MS;
    s.space_delay_ms = INITIAL_KEY_DELAY_MS;
    s.selected_input_device = 0;
    s.selected_output_device = 0;
    return s;
}

int32_t threshold_from_position(int position)
{
    int32_t threshold = position * 32385 / 100;
    if (threshold > MAX_DETECTION_THRESHOLD)
        threshold = MAX_DETECTION_THRESHOLD;
    if (threshold < MIN_DETECTION_THRESHOLD)
        threshold = MIN_DETECTION_THRESHOLD;
    return threshold;
}

int threshold_to_position(int32_t threshold)
{
    // Integer division at each step: 12240 gives 37.
    return ((threshold / 255) * 100) / 127;
}

detector_settings detector_settings_of(const settings_record &s)
{
    return detector_settings{s.detection_threshold, s.mark_delay_ms, s.space_delay_ms};
}

decoder_settings decoder_settings_of(const settings_record &s)
{
    return decoder_settings{s.decode_alphabet, s.code_interval, s.alphabet_auto_switch,
                            s.unit_time_display};
}
