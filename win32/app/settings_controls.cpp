// The setting controls of the main window's top band. Check boxes flip their
// own mark; each handler flips the setting in step without reading it back.
#include "win32/app/settings_controls.h"

#include "core/analysis/decoder.h"
#include "win32/app/measurement.h"
#include "core/app/measurement_state.h"
#include "core/app/settings.h"
#include "win32/audio/devices.h"
#include "win32/display/decoded_text.h"
#include "win32/display/level_meter.h"
#include "win32/resources/resource_ids.h"

#include <commctrl.h>

#include <cstdio>

static void on_unit_time_display(HWND hwnd)
{
    settings_record &s = settings_for_update();
    s.unit_time_display = !s.unit_time_display;
    const decoder_state &d = decoder();
    show_unit_time_display(hwnd, s.unit_time_display, d.mark_unit_ms, d.space_unit_ms);
}

static void on_large_decoded_text(HWND hwnd)
{
    settings_record &s = settings_for_update();
    s.large_decoded_text = !s.large_decoded_text;
    load_decoded_text_layout(s.large_decoded_text);
    measurement_for_update().analysis_suspended = true;
    open_audio(hwnd);
    clear_sequence(hwnd); // a new layout starts on an empty line
}

void on_setting_control(HWND hwnd, int id)
{
    settings_record &s = settings_for_update();
    switch (id) {
    case IDC_EUROPEAN:
    case IDC_WABUN:
        s.decode_alphabet = id == IDC_EUROPEAN ? ALPHABET_EUROPEAN : ALPHABET_WABUN;
        CheckRadioButton(hwnd, IDC_EUROPEAN, IDC_WABUN, IDC_EUROPEAN + s.decode_alphabet);
        break;
    case IDC_INTERVAL_NARROW:
    case IDC_INTERVAL_MEDIUM:
    case IDC_INTERVAL_WIDE:
        s.code_interval = id - IDC_INTERVAL_NARROW;
        CheckRadioButton(hwnd, IDC_INTERVAL_NARROW, IDC_INTERVAL_WIDE,
                         IDC_INTERVAL_NARROW + s.code_interval);
        break;
    case IDC_AUTO_SWITCH:
        s.alphabet_auto_switch = !s.alphabet_auto_switch;
        reset_alphabet_switch_counts();
        break;
    case IDC_DOUBLE_SPEED:
        s.double_speed_sweep = !s.double_speed_sweep;
        break;
    case IDC_MONITOR:
        s.monitor = !s.monitor;
        break;
    case IDC_CLIPPING:
        s.clipping_mode = s.clipping_mode == CLIPPING_ON ? CLIPPING_OFF : CLIPPING_ON;
        break;
    case IDC_UNIT_DISPLAY:
        on_unit_time_display(hwnd);
        break;
    case IDC_LARGE_TEXT:
        on_large_decoded_text(hwnd);
        break;
    default:
        break;
    }
}

static int trackbar_position(HWND trackbar)
{
    return static_cast<int>(SendMessageA(trackbar, TBM_GETPOS, 0, 0));
}

void on_trackbar(HWND hwnd, HWND trackbar)
{
    settings_record &s = settings_for_update();
    if (trackbar == GetDlgItem(hwnd, IDC_MONITOR_VOLUME)) {
        set_monitor_volume(trackbar);
    } else if (trackbar == GetDlgItem(hwnd, IDC_KEY_DELAY)) {
        const int position = trackbar_position(trackbar);
        s.mark_delay_ms = static_cast<uint32_t>(position);
        s.space_delay_ms = static_cast<uint32_t>(position);
        char readout[8];
        std::snprintf(readout, sizeof readout, "%3d", position);
        SetDlgItemTextA(hwnd, IDC_KEY_DELAY_TEXT, readout);
    } else if (trackbar == GetDlgItem(hwnd, IDC_THRESHOLD)) {
        s.detection_threshold = threshold_from_position(trackbar_position(trackbar));
        mark_threshold_moved();
        draw_level_meter(hwnd, 0);
    }
}
