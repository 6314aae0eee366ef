// The sequences behind 開始, the stop button, クリア, 印字・再生 and the
// device selection menu command, with the button states of every phase.
#include "win32/app/measurement.h"

#include "core/analysis/decoder.h"
#include "core/analysis/statistics.h"
#include "core/analysis/timeline.h"
#include "win32/app/dialogs.h"
#include "win32/app/main_window.h"
#include "core/app/measurement_evaluation.h"
#include "core/app/measurement_state.h"
#include "win32/app/texts.h"
#include "core/audio/detector.h"
#include "win32/audio/devices.h"
#include "win32/display/decoded_text.h"
#include "win32/display/drawing.h"
#include "win32/display/statistics_panel.h"
#include "win32/display/sweep.h"
#include "core/replay/keying_file.h"
#include "win32/replay/replay_window.h"
#include "win32/resources/resource_ids.h"

static void enable(HWND hwnd, int id, bool enabled)
{
    EnableWindow(GetDlgItem(hwnd, id), enabled);
}

// What the start and clear sequences put back, besides the timeline.
static void measurement_reset()
{
    timeline_reset(timeline_for_update());
    detector_measurement_reset(detector_for_update());
    reset_decoder();
    reset_decoded_text_cursor();
    reset_sweep();
}

void start_sequence(HWND hwnd)
{
    measurement_state &m = measurement_for_update();
    raise_decoder_units_for_start();
    timeline_reset(timeline_for_update());
    m.statistics_redrawn = false;
    m.device_selection_pending = false;
    m.analysis_suspended = true;
    if (shell().no_input_device)
        return;
    if (!open_audio(hwnd))
        release_capture(hwnd); // the analysis is suspended: nothing is closed
    panel_clear(hwnd);
    back_buffer_text(180, 260, texts::blanks_40);
    back_buffer_text(180, 260, texts::waiting_for_keying);
    back_buffer_text(180, 286, texts::blanks_48);
    measurement_reset();
    m.analysis_suspended = false; // Armed

    SetDlgItemTextA(hwnd, IDC_START, texts::start_caption);
    SetDlgItemTextA(hwnd, IDC_STOP, texts::stop_caption);
    enable(hwnd, IDC_START, false);
    enable(hwnd, IDC_STOP, true);
    enable(hwnd, IDC_CLEAR, false);
    enable(hwnd, IDC_REPLAY, false);
    SetFocus(GetDlgItem(hwnd, IDC_STOP));
}

void stop_sequence(HWND hwnd)
{
    measurement_state &m = measurement_for_update();
    m.recording_phase = RECORDING_STOPPED;
    m.analysis_suspended = true;
    release_capture(hwnd);

    if (!evaluate_stopped_measurement()) {
        back_buffer_text(180, 200, texts::too_few_keyings);
        back_buffer_text(180, 220, texts::key_twenty_times);
        back_buffer_text(180, 260, texts::press_clear);
        enable(hwnd, IDC_REPLAY, false);
    } else {
        {
            back_buffer_dc memory;
            draw_statistics_panel(memory.dc, keying_stats(), timeline().timeline_count,
                                  m.measured_seconds);
        }
        // A file that cannot be created is silently not written; the
        // statistics are shown and 印字・再生 is enabled all the same.
        save_keying_data_file(KEYING_DATA_FILE_NAME);
        enable(hwnd, IDC_REPLAY, true);
    }
    enable(hwnd, IDC_START, false);
    enable(hwnd, IDC_STOP, false);
    enable(hwnd, IDC_CLEAR, true);
    SetFocus(GetDlgItem(hwnd, IDC_CLEAR));
}

void clear_sequence(HWND hwnd)
{
    measurement_state &m = measurement_for_update();
    m.analysis_suspended = true;
    release_capture(hwnd);

    SetDlgItemTextA(hwnd, IDC_START, texts::start_caption);
    SetDlgItemTextA(hwnd, IDC_STOP, texts::stop_caption);
    enable(hwnd, IDC_START, true);
    enable(hwnd, IDC_STOP, false);
    enable(hwnd, IDC_CLEAR, false);
    enable(hwnd, IDC_REPLAY, false);
    SetFocus(GetDlgItem(hwnd, IDC_START));

    panel_clear(hwnd);
    status_text(hwnd, 180, 260, texts::press_start);
    measurement_reset();
    if (m.device_selection_pending)
        run_device_selection_dialog(hwnd);

    m.device_selection_pending = false;
    timeline_reset(timeline_for_update());
    detector_clear(detector_for_update());
    m.recording_phase = RECORDING_WAITING; // Idle
}

void print_and_replay(HWND hwnd)
{
    measurement_for_update().analysis_suspended = true;
    run_print_and_replay_window(hwnd);
    SetFocus(GetDlgItem(hwnd, IDC_START));
}

void device_selection(HWND hwnd)
{
    measurement_for_update().device_selection_pending = true;
    clear_sequence(hwnd);
}
