// The measurement engine: the whole state of a measurement and every
// transition of it, platform-free. The main window, ventrok-analyze and
// decode_accuracy all drive it through these calls; each call takes the
// engine explicitly and reports what happened, and the caller draws, enables
// buttons and writes the file.
//
// A measurement: engine_start (開始) arms it, engine_process_block analyses
// every captured block, the first key-down starts the recording, and
// engine_stop (the stop button, or the stop request the block step raises)
// evaluates it; engine_clear (クリア) makes ready for the next one.
#ifndef VENTROK_CORE_APP_MEASUREMENT_ENGINE_H
#define VENTROK_CORE_APP_MEASUREMENT_ENGINE_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/analysis/decoder.h"
#include "core/analysis/statistics.h"
#include "core/analysis/timeline.h"
#include "core/app/measurement_state.h"
#include "core/app/settings.h"
#include "core/audio/detector.h"

// A measurement needs 20 keyings, each a space and a mark.
constexpr int MIN_TIMELINE_ENTRIES = 40;

// Every record of a measurement. The engine's calls are the only writers;
// callers read the fields.
struct measurement_engine {
    settings_record settings;
    measurement_state measurement;
    detector_state detector;
    keying_timeline timeline;
    decoder_state decoder;
    keying_statistics statistics;
    // While a recording is measured (engine_start_recording until its stop
    // or a clear), the capture's own detector and decoder wait here: the
    // recording is measured from their program-start state, the captured
    // blocks are only metered (engine_meter_live_block), and the live
    // measurements before and after it go on from their own state.
    bool measuring_recording;
    detector_state live_detector;
    decoder_state live_decoder;
};

// How the analysis of a block reaches the screen, called while the block is
// analysed, in sample order. Any pointer may be null; context is passed back.
struct engine_display {
    void *context;
    // The first key-down after a clear started the recording (the status
    // line is blanked).
    void (*recording_started)(void *context);
    // A decoded character or a word space: length bytes of code page 932.
    void (*show_decoded_text)(void *context, entry_kind_t kind, const char *text, int length);
    // A character ended while the unit time display is on: the unit numbers.
    void (*write_unit_readouts)(void *context, int32_t mark_unit_ms, int32_t space_unit_ms);
    // The auto switch changed the decode alphabet (already in the settings).
    void (*alphabet_switched)(void *context, decode_alphabet_t alphabet);
    // Every 8th analysed sample while recording: one sweep column.
    void (*sweep_step)(void *context, bool key_down, uint32_t measurement_clock_ms);
};

// What the live histogram band shows at a meter update.
enum live_histograms_t {
    LIVE_HISTOGRAMS_AXES,   // waiting for the first key-down: axes and scales only
    LIVE_HISTOGRAMS_BARS,   // recording: axes, bars and the elapsed-time line
    LIVE_HISTOGRAMS_FROZEN, // stopped: nothing drawn, the last bars stay
};

// The meter update, about every 100 ms of clock: draw the level meter, then
// the live histograms (or, once after a stop, the statistics panel again),
// then copy the panel band to the screen.
struct meter_update {
    bool due;
    int32_t peak_level;
    live_histograms_t histograms;
    bool redraw_statistics; // draw the statistics panel again (once after a stop)
};

struct block_result {
    meter_update meter;
    bool stop_requested; // run the stop sequence before anything else
};

enum stop_outcome_t {
    STOP_TOO_FEW_KEYINGS, // fewer than 40 entries: no statistics, no file
    STOP_EVALUATED,       // statistics computed; the file is to be written
};

// Program start: the settings given, every record in its initial state.
void engine_init(measurement_engine &e, const settings_record &settings);

// 開始. Returns false when there is no input device: then only the units are
// raised, the timeline zeroed and the analysis suspended. Otherwise the
// measurement is reset and armed (analysis on, waiting for the first key-down).
bool engine_start(measurement_engine &e, bool input_device_present);

// 開始 for a recording: the detector and the decoder from their program-start
// state, as a recording is measured whatever the window measured before,
// then the start. The capture's own detector and decoder are set aside
// until the stop or the clear.
void engine_start_recording(measurement_engine &e);

// The stop button or the stop request: Stopped, then the evaluation. After a
// recording the capture's own detector and decoder are back.
stop_outcome_t engine_stop(measurement_engine &e);

// クリア: Idle (a recording being measured is dropped), the measurement reset and the next key-down onset starting a
// recording. Returns true when the device selection was asked for before it
// (menu 入出力デバイス選択): the caller runs the dialog then.
bool engine_clear(measurement_engine &e);

// Menu 入出力デバイス選択: the next engine_clear reports the dialog as due.
void engine_request_device_selection(measurement_engine &e);

// Blocks are metered but not analysed (first paint, 印字・再生, 解読字大).
void engine_suspend_analysis(measurement_engine &e);

// The print and replay window loaded a keying data file: its 集計時間
// becomes the measured seconds.
void engine_take_file_measured_seconds(measurement_engine &e, int measured_seconds);
// The print and replay window has been left.
void engine_replay_window_left(measurement_engine &e);

// Clears the stop request and reports whether it was raised.
bool engine_take_stop_request(measurement_engine &e);

// One captured block: the samples (already clipped when clipping applies)
// are counted, analysed unless the analysis is suspended, and at the meter
// cadence the automatic stop is tested.
block_result engine_process_block(measurement_engine &e, const int16_t *samples, size_t count,
                                  const engine_display &display);

// One block of a recording, as a captured block goes through the window:
// clipped in place when clipping is on (the captured block is clipped for
// the monitor echo before it is analysed), then engine_process_block.
block_result engine_process_recording_block(measurement_engine &e, int16_t *samples, size_t count,
                                            const engine_display &display);

// A captured block while a recording is measured: it only moves the level
// meter, through the capture's own detector. The update is due about every
// 100 ms of its clock; only due and peak_level are set.
meter_update engine_meter_live_block(measurement_engine &e, const int16_t *samples, size_t count);

// The keying data file of the measurement just evaluated, as the program
// writes it: code page 932 text with CR LF line ends.
std::string engine_keying_data_file(const measurement_engine &e);
// Whether that file was saved; the statistics panel says so when it was not.
void engine_note_keying_file_saved(measurement_engine &e, bool saved);

// The operator's controls.
void engine_select_alphabet(measurement_engine &e, decode_alphabet_t alphabet);
void engine_select_code_interval(measurement_engine &e, code_interval_t interval);
void engine_toggle_alphabet_auto_switch(measurement_engine &e); // forgets a pending signal
void engine_toggle_double_speed_sweep(measurement_engine &e);
void engine_toggle_unit_time_display(measurement_engine &e);
void engine_toggle_large_decoded_text(measurement_engine &e);
void engine_toggle_monitor(measurement_engine &e);
void engine_toggle_clipping(measurement_engine &e);
void engine_set_key_delay(measurement_engine &e, int position);          // both delays, ms
void engine_set_threshold_position(measurement_engine &e, int position); // trackbar 1009
void engine_select_devices(measurement_engine &e, uint32_t input_device, uint32_t output_device);

#endif
