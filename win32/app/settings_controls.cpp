// The setting controls of the main window's top band. Check boxes flip their
// own mark; each handler flips the setting in step without reading it back.
#include "win32/app/settings_controls.h"

#include <cstdio>

#include "win32/app/main_window.h"
#include "win32/app/measurement_control.h"
#include "win32/audio/devices.h"
#include "win32/common/dialog_layout.h"
#include "win32/display/decoded_text.h"
#include "win32/display/level_meter.h"
#include "win32/resources/resource_ids.h"

static void on_unit_time_display(HWND hwnd, measurement_engine &engine)
{
    engine_toggle_unit_time_display(engine);
    show_unit_time_display(hwnd, engine.settings.unit_time_display, engine.decoder.mark_unit_ms,
                           engine.decoder.space_unit_ms);
}

// A new layout starts on an empty line: any measurement is dropped.
static void on_large_decoded_text(HWND hwnd, measurement_engine &engine)
{
    engine_toggle_large_decoded_text(engine);
    load_decoded_text_layout(engine.settings.large_decoded_text);
    engine_suspend_analysis(engine);
    open_main_window_audio(hwnd, engine.settings);
    clear_sequence(hwnd, engine);
}

void on_setting_control(HWND hwnd, measurement_engine &engine, int id)
{
    switch (id) {
    case IDC_EUROPEAN:
    case IDC_WABUN:
        engine_select_alphabet(engine, id == IDC_EUROPEAN ? ALPHABET_EUROPEAN : ALPHABET_WABUN);
        CheckRadioButton(hwnd, IDC_EUROPEAN, IDC_WABUN,
                         IDC_EUROPEAN + engine.settings.decode_alphabet);
        break;
    case IDC_INTERVAL_NARROW:
    case IDC_INTERVAL_MEDIUM:
    case IDC_INTERVAL_WIDE:
        engine_select_code_interval(engine, static_cast<code_interval_t>(id - IDC_INTERVAL_NARROW));
        CheckRadioButton(hwnd, IDC_INTERVAL_NARROW, IDC_INTERVAL_WIDE,
                         IDC_INTERVAL_NARROW + engine.settings.code_interval);
        break;
    case IDC_AUTO_SWITCH:
        engine_toggle_alphabet_auto_switch(engine);
        break;
    case IDC_DOUBLE_SPEED:
        engine_toggle_double_speed_sweep(engine);
        break;
    case IDC_MONITOR:
        engine_toggle_monitor(engine);
        break;
    case IDC_CLIPPING:
        engine_toggle_clipping(engine);
        break;
    case IDC_UNIT_DISPLAY:
        on_unit_time_display(hwnd, engine);
        break;
    case IDC_LARGE_TEXT:
        on_large_decoded_text(hwnd, engine);
        break;
    default:
        break;
    }
}

void on_trackbar(HWND hwnd, measurement_engine &engine, HWND trackbar)
{
    const int position = trackbar_position(trackbar);
    if (trackbar == GetDlgItem(hwnd, IDC_MONITOR_VOLUME)) {
        set_monitor_volume(position);
    } else if (trackbar == GetDlgItem(hwnd, IDC_KEY_DELAY)) {
        engine_set_key_delay(engine, position);
        char readout[8];
        std::snprintf(readout, sizeof readout, "%3d", position);
        SetDlgItemTextA(hwnd, IDC_KEY_DELAY_TEXT, readout);
    } else if (trackbar == GetDlgItem(hwnd, IDC_THRESHOLD)) {
        engine_set_threshold_position(engine, position);
        mark_threshold_moved();
        draw_level_meter(hwnd, 0, engine.settings.detection_threshold);
    }
}
