// The operator settings record: its fields, its initial values at program
// start and the conversions from the controls' positions. The measurement
// engine holds the record and changes it through its own calls, one for each
// control (core/app/measurement_engine.h).
#ifndef VENTROK_CORE_APP_SETTINGS_H
#define VENTROK_CORE_APP_SETTINGS_H

#include <cstdint>

#include "core/analysis/code_tables.h"
#include "core/analysis/decoder.h"
#include "core/audio/detector.h"

enum clipping_mode_t { CLIPPING_OFF = 0, CLIPPING_ON = 2 };

// The wave device identifier of the system's default device (WAVE_MAPPER).
constexpr uint32_t DEFAULT_WAVE_DEVICE = 0xFFFFFFFFu;

constexpr int32_t INITIAL_DETECTION_THRESHOLD = 12240;
constexpr int32_t MIN_DETECTION_THRESHOLD = 510;
constexpr int32_t MAX_DETECTION_THRESHOLD = 31875;
constexpr uint32_t INITIAL_KEY_DELAY_MS = 2;
constexpr int MAX_KEY_DELAY_MS = 100;

struct settings_record {
    decode_alphabet_t decode_alphabet;
    code_interval_t code_interval;
    bool alphabet_auto_switch;
    bool large_decoded_text;
    bool double_speed_sweep;
    bool unit_time_display;
    clipping_mode_t clipping_mode;
    bool monitor;
    int32_t detection_threshold; // sample magnitude
    uint32_t mark_delay_ms;
    uint32_t space_delay_ms;
    uint32_t selected_input_device;
    uint32_t selected_output_device;
};

// The values every run starts from.
settings_record initial_settings();

// Trackbar 1009 position (0..100) to the detection threshold, clamped.
int32_t threshold_from_position(int position);
// Detection threshold to the initial position of trackbar 1009.
int threshold_to_position(int32_t threshold);

// What the detector and the decoder read of the settings.
detector_settings detector_settings_of(const settings_record &s);
decoder_settings decoder_settings_of(const settings_record &s);

#endif
