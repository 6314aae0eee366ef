// The sequences behind 開始, the stop button, クリア, 印字・再生 and the
// device selection menu command.
#include "win32/app/measurement_control.h"

#include "core/display/statistics_texts.h"
#include "core/replay/keying_file.h"
#include "win32/app/dialogs.h"
#include "win32/app/main_window.h"
#include "win32/app/texts.h"
#include "win32/display/armed_prompt.h"
#include "win32/display/back_buffer.h"
#include "win32/common/gdi.h"
#include "win32/display/decoded_text.h"
#include "win32/display/meter_update.h"
#include "win32/display/statistics_panel.h"
#include "win32/display/sweep.h"
#include "win32/replay/keying_file_store.h"
#include "win32/replay/replay_window.h"
#include "win32/resources/resource_ids.h"

static void enable(HWND hwnd, int id, bool enabled)
{
    EnableWindow(GetDlgItem(hwnd, id), enabled);
}

// The displays' part of the reset shared by the start and clear sequences.
static void reset_displays()
{
    reset_decoded_text_cursor();
    reset_sweep();
}

// What the window shows once a measurement is armed.
static void show_armed(HWND hwnd, measurement_engine &engine)
{
    // Does nothing when the capture is open; a failure leaves the phase
    // Armed without blocks until the stop button.
    open_main_window_audio(hwnd, engine.settings);
    panel_clear(hwnd);
    draw_armed_prompt();
    reset_displays();

    SetDlgItemTextA(hwnd, IDC_START, texts::start_caption);
    SetDlgItemTextA(hwnd, IDC_STOP, texts::stop_caption);
    enable(hwnd, IDC_START, false);
    enable(hwnd, IDC_STOP, true);
    enable(hwnd, IDC_CLEAR, false);
    enable(hwnd, IDC_REPLAY, false);
    SetFocus(GetDlgItem(hwnd, IDC_STOP));
}

void start_sequence(HWND hwnd, measurement_engine &engine)
{
    if (engine_start(engine, !shell().no_input_device))
        show_armed(hwnd, engine);
}

void start_recording_sequence(HWND hwnd, measurement_engine &engine)
{
    engine_start_recording(engine);
    show_armed(hwnd, engine);
}

// The capture keeps running through the stop: only the analysis stops.
// What the stop drew reaches the screen at once, whether or not blocks
// still arrive to bring it there (the capture device may have died).
void stop_sequence(HWND hwnd, measurement_engine &engine)
{
    if (engine_stop(engine) == STOP_TOO_FEW_KEYINGS) {
        panel_text too_few[MAX_PANEL_TEXTS];
        const int count = format_too_few_keyings_texts(too_few);
        for (int i = 0; i < count; ++i)
            back_buffer_text(too_few[i].x, too_few[i].y, too_few[i].text);
        enable(hwnd, IDC_REPLAY, false);
    } else {
        // A file that cannot be saved is told on the panel, and 印字・再生
        // stays disabled: it would present the older file as this keying.
        const bool saved =
            save_keying_data_file(KEYING_DATA_FILE_NAME, engine_keying_data_file(engine));
        engine_note_keying_file_saved(engine, saved);
        {
            back_buffer_dc memory;
            draw_statistics_panel(memory.dc, engine.statistics, engine.timeline.timeline_count,
                                  engine.measurement.measured_seconds, saved);
        }
        enable(hwnd, IDC_REPLAY, saved);
    }
    {
        window_dc screen(hwnd);
        back_buffer_dc memory;
        show_panel_band(screen.dc, memory.dc);
    }
    enable(hwnd, IDC_START, false);
    enable(hwnd, IDC_STOP, false);
    enable(hwnd, IDC_CLEAR, true);
    SetFocus(GetDlgItem(hwnd, IDC_CLEAR));
}

void clear_sequence(HWND hwnd, measurement_engine &engine)
{
    const bool device_selection_due = engine_clear(engine);

    SetDlgItemTextA(hwnd, IDC_START, texts::start_caption);
    SetDlgItemTextA(hwnd, IDC_STOP, texts::stop_caption);
    enable(hwnd, IDC_START, true);
    enable(hwnd, IDC_STOP, false);
    enable(hwnd, IDC_CLEAR, false);
    enable(hwnd, IDC_REPLAY, false);
    SetFocus(GetDlgItem(hwnd, IDC_START));

    panel_clear(hwnd);
    status_text(hwnd, 180, 260, texts::press_start);
    reset_displays();
    if (device_selection_due)
        run_device_selection_dialog(hwnd, engine);
}

void print_and_replay(HWND hwnd, measurement_engine &engine)
{
    engine_suspend_analysis(engine);
    run_print_and_replay_window(hwnd, engine);
    SetFocus(GetDlgItem(hwnd, IDC_START));
}

void device_selection(HWND hwnd, measurement_engine &engine)
{
    engine_request_device_selection(engine);
    clear_sequence(hwnd, engine);
}
