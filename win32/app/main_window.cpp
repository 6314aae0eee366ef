#include "win32/app/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include "core/analysis/code_tables.h"
#include "core/app/measurement_engine.h"
#include "core/display/panel_geometry.h"
#include "win32/app/dialogs.h"
#include "win32/app/measurement_control.h"
#include "win32/app/recording_measurement.h"
#include "win32/app/settings_controls.h"
#include "win32/app/texts.h"
#include "win32/audio/block_processor.h"
#include "win32/audio/devices.h"
#include "win32/common/dialog_layout.h"
#include "win32/common/gdi.h"
#include "win32/display/back_buffer.h"
#include "win32/display/level_meter.h"
#include "win32/resources/resource_ids.h"

static shell_state state = {nullptr, true, false};

// The program's measurement: settings, phase, detector, timeline, decoder and
// statistics. Handed explicitly to the handlers that change it.
static measurement_engine engine;

// Recordings named on the command line (what Explorer gives when a file is
// dropped on the program's icon), measured once the window is up.
static std::vector<std::wstring> command_line_recordings;

// Posted by the first paint: measure the command line's recording.
constexpr UINT WM_MEASURE_COMMAND_LINE = WM_APP + 1;

const shell_state &shell()
{
    return state;
}

void request_first_paint()
{
    state.first_paint_pending = true;
}

void set_no_input_device()
{
    state.no_input_device = true;
}

bool open_main_window_audio(HWND hwnd, const settings_record &settings)
{
    return open_audio(hwnd, settings.selected_input_device, settings.selected_output_device,
                      trackbar_position(GetDlgItem(hwnd, IDC_MONITOR_VOLUME)));
}

int run_ventrok(HINSTANCE instance, const std::vector<std::wstring> &recordings)
{
    command_line_recordings = recordings;
    mark_audio_closed();
    state.instance = instance;
    build_morse_tables();
    engine_init(engine, initial_settings());

    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    // Under Wine the cool classes alone register the trackbar too; on Windows
    // the trackbar belongs to the bar classes.
    controls.dwICC = ICC_COOL_CLASSES | ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);

    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, main_dialog_proc, 0);
    return 0;
}

static INT_PTR on_init_dialog(HWND hwnd)
{
    if (waveInGetNumDevs() == 0)
        state.no_input_device = true;
    set_trackbar(hwnd, IDC_MONITOR_VOLUME, 0, 100, 50);
    set_trackbar(hwnd, IDC_KEY_DELAY, 0, MAX_KEY_DELAY_MS, INITIAL_KEY_DELAY_MS);
    set_trackbar(hwnd, IDC_THRESHOLD, 0, 100,
                 threshold_to_position(engine.settings.detection_threshold));

    // The panels are drawn at fixed pixels up to x 1145 and y 825.
    ensure_client_size(hwnd, MIN_CLIENT_WIDTH, MIN_CLIENT_HEIGHT);
    RECT client;
    GetClientRect(hwnd, &client);
    create_back_buffer(hwnd, client.right, client.bottom);

    EnableWindow(GetDlgItem(hwnd, IDC_START), TRUE);
    EnableWindow(GetDlgItem(hwnd, IDC_REPLAY), TRUE);
    SetFocus(GetDlgItem(hwnd, IDC_START));
    DragAcceptFiles(hwnd, TRUE);

    CheckRadioButton(hwnd, IDC_EUROPEAN, IDC_WABUN, IDC_EUROPEAN);
    CheckRadioButton(hwnd, IDC_INTERVAL_NARROW, IDC_INTERVAL_WIDE, IDC_INTERVAL_MEDIUM);

    InvalidateRect(hwnd, nullptr, FALSE);
    return FALSE; // the focus has been set
}

// The first paint after start-up (and after the device selection dialog):
// the start prompts, the empty level meter and the opening of the devices.
// A failed opening leaves the window usable without capture; the next 開始
// tries again.
static bool first_paint(HWND hwnd, HDC paint_dc, HDC memory_dc)
{
    if (state.no_input_device) {
        MessageBoxA(hwnd, texts::no_input_device_message, texts::no_input_device_caption,
                    MB_ICONQUESTION | MB_DEFBUTTON2);
        EndDialog(hwnd, 0);
        return false;
    }
    draw_text(paint_dc, 180, 260, texts::press_start);
    draw_text(memory_dc, 180, 260, texts::press_start);
    draw_text(paint_dc, 180, 286, texts::replay_previous);
    draw_text(memory_dc, 180, 286, texts::replay_previous);
    {
        // Through the paint's back-buffer DC: the back buffer cannot be
        // selected into a second one while it holds it.
        window_dc screen(hwnd);
        draw_level_meter_on(screen.dc, memory_dc, 0, engine.settings.detection_threshold);
    }
    state.first_paint_pending = false;
    open_main_window_audio(hwnd, engine.settings);
    engine_suspend_analysis(engine);
    if (!command_line_recordings.empty())
        PostMessageA(hwnd, WM_MEASURE_COMMAND_LINE, 0, 0);
    return true;
}

static INT_PTR on_paint(HWND hwnd)
{
    // A stop requested by the block step is carried out here, before any
    // other message is handled.
    if (engine_take_stop_request(engine)) {
        stop_sequence(hwnd, engine);
        return FALSE;
    }
    PAINTSTRUCT paint;
    HDC paint_dc = BeginPaint(hwnd, &paint);
    {
        back_buffer_dc memory;
        if (state.first_paint_pending && !first_paint(hwnd, paint_dc, memory.dc)) {
            EndPaint(hwnd, &paint);
            return FALSE;
        }
        const RECT &r = paint.rcPaint;
        BitBlt(paint_dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory.dc, r.left,
               r.top, SRCCOPY);
    }
    EndPaint(hwnd, &paint);
    return TRUE;
}

static void on_command(HWND hwnd, int id)
{
    switch (id) {
    case IDC_START:
        start_sequence(hwnd, engine);
        break;
    case IDC_STOP:
        stop_sequence(hwnd, engine);
        break;
    case IDC_CLEAR:
        clear_sequence(hwnd, engine);
        break;
    case IDC_REPLAY:
        print_and_replay(hwnd, engine);
        break;
    case IDM_EXIT:
    case IDCANCEL: // the Esc key and the close box
        DestroyWindow(hwnd);
        break;
    case IDM_ABOUT:
        run_about_dialog(hwnd);
        break;
    case IDM_DEVICES:
        device_selection(hwnd, engine);
        break;
    case IDM_MEASURE_RECORDING:
        choose_and_measure_recording(hwnd, engine);
        break;
    case IDC_MONITOR:
    case IDC_EUROPEAN:
    case IDC_WABUN:
    case IDC_DOUBLE_SPEED:
    case IDC_UNIT_DISPLAY:
    case IDC_INTERVAL_NARROW:
    case IDC_INTERVAL_MEDIUM:
    case IDC_INTERVAL_WIDE:
    case IDC_AUTO_SWITCH:
    case IDC_LARGE_TEXT:
    case IDC_CLIPPING:
        on_setting_control(hwnd, engine, id);
        break;
    default:
        break;
    }
}

static void on_capture_block(HWND hwnd, WAVEHDR *header)
{
    if (process_capture_block(hwnd, engine, header))
        SendMessageA(hwnd, WM_PAINT, 0, 0); // runs the stop sequence at once
}

// The file menu offers 録音ファイルを計測 only when a recording can be measured.
static void on_init_menu_popup(HMENU menu)
{
    EnableMenuItem(menu, IDM_MEASURE_RECORDING,
                   MF_BYCOMMAND | (recording_measurement_allowed(engine) ? MF_ENABLED : MF_GRAYED));
}

static void on_drop_files(HWND hwnd, HDROP drop)
{
    const std::vector<std::wstring> paths = dropped_files(drop);
    // Not while a dialog of the window is open (it is disabled then).
    if (IsWindowEnabled(hwnd))
        measure_given_recordings(hwnd, engine, paths);
}

static void on_measure_command_line(HWND hwnd)
{
    const std::vector<std::wstring> paths = command_line_recordings;
    command_line_recordings.clear();
    measure_given_recordings(hwnd, engine, paths);
}

INT_PTR CALLBACK main_dialog_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        return on_init_dialog(hwnd);
    case WM_PAINT:
        return on_paint(hwnd);
    case WM_COMMAND:
        on_command(hwnd, LOWORD(wparam));
        return FALSE;
    case WM_HSCROLL:
        on_trackbar(hwnd, engine, reinterpret_cast<HWND>(lparam));
        return FALSE;
    case WM_CTLCOLORDLG:
        if (reinterpret_cast<HWND>(lparam) == hwnd)
            return reinterpret_cast<INT_PTR>(white_brush());
        return FALSE;
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<INT_PTR>(caption_colours(reinterpret_cast<HDC>(wparam)));
    case MM_WIM_DATA:
        on_capture_block(hwnd, reinterpret_cast<WAVEHDR *>(lparam));
        return FALSE;
    case MM_WOM_DONE:
        monitor_buffer_done(reinterpret_cast<WAVEHDR *>(lparam));
        return FALSE;
    case WM_TIMER:
        if (wparam == RECORDING_TIMER_ID)
            on_recording_timer(hwnd, engine);
        return FALSE;
    case WM_DROPFILES:
        on_drop_files(hwnd, reinterpret_cast<HDROP>(wparam));
        return FALSE;
    case WM_INITMENUPOPUP:
        on_init_menu_popup(reinterpret_cast<HMENU>(wparam));
        return FALSE;
    case WM_MEASURE_COMMAND_LINE:
        on_measure_command_line(hwnd);
        return FALSE;
    case WM_DESTROY:
        end_recording_measurement(hwnd);
        // The devices are closed before the process ends: Wine can crash or
        // hang at exit while a capture device is still open.
        close_capture();
        return FALSE;
    default:
        return FALSE;
    }
}
