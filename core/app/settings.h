// The operator settings record: one process-wide instance, initial values at
// program start, changed only by the main window's controls, the device
// selection dialog and the decoder's alphabet auto switch.
#ifndef VENTROK_APP_SETTINGS_H
#define VENTROK_APP_SETTINGS_H

#include <cstdint>

enum decode_alphabet_t { ALPHABET_EUROPEAN = 0, ALPHABET_WABUN = 1 };
enum code_interval_t { INTERVAL_NARROW = 0, INTERVAL_MEDIUM = 1, INTERVAL_WIDE = 2 };
enum clipping_mode_t { CLIPPING_OFF = 0, CLIPPING_ON = 2 };

// The wave device identifier of the system's default device (WAVE_MAPPER).
constexpr uint32_t DEFAULT_WAVE_DEVICE = 0xFFFFFFFFu;

constexpr int32_t INITIAL_DETECTION_THRESHOLD = 12240;
constexpr int32_t MIN_DETECTION_THRESHOLD = 510;
constexpr int32_t MAX_DETECTION_THRESHOLD = 31875;

struct settings_record {
    int decode_alphabet; // decode_alphabet_t
    int code_interval;   // code_interval_t
    bool alphabet_auto_switch;
    bool large_decoded_text;
    bool double_speed_sweep;
    bool unit_time_display;
    int clipping_mode; // clipping_mode_t
    bool monitor;
    int32_t detection_threshold; // sample magnitude
    uint32_t mark_delay_ms;
    uint32_t space_delay_ms;
    uint32_t selected_input_device;
    uint32_t selected_output_device;
};

const settings_record &settings();
settings_record &settings_for_update();
void reset_settings();

// Trackbar 1009 position (0..100) to the detection threshold, clamped.
int32_t threshold_from_position(int position);
// Detection threshold to the initial position of trackbar 1009.
int threshold_to_position(int32_t threshold);

#endif
