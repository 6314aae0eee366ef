#include "win32/replay/replay_window.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <cstring>

#include "core/cp932_literals.h"
#include "core/replay/replay_speed.h"
#include "core/replay/strip_geometry.h"
#include "core/replay/tone.h"
#include "win32/common/dialog_layout.h"
#include "win32/common/gdi.h"
#include "win32/replay/replay_output.h"
#include "win32/resources/resource_ids.h"

namespace
{

// The window's texts, in one place.
namespace texts
{
constexpr const char *play_caption = "再　生";
constexpr const char *stop_caption = "停　止";
constexpr const char *marker = "▲";
constexpr const char *marker_blank = "   ";
constexpr const char *file_missing = "打鍵データ.csvがありません。";
constexpr const char *file_damaged = "打鍵データ.csvが壊れているため読み込めません。";
constexpr const char *file_message_caption = "メッセージボックス";
constexpr const char *allocation_failed = "メモリ確保に失敗しました!";
constexpr const char *open_failed = "WAVEデバイスのオープンに失敗しました!";
constexpr const char *failure_caption = "印字実験";
} // namespace texts

// The part of the picture copied to the window at every paint.
constexpr int PICTURE_COPY_WIDTH = 1200;
constexpr int PICTURE_COPY_HEIGHT = 740;

constexpr int VOLUME_DEFAULT = 50;

// The window's state. It outlives each opening (the window is opened again
// and again from the main window); every opening reloads the record and
// resets the controls, the speed, the pointer and the picture.
struct replay_window_state {
    measurement_engine *engine; // of the main window, for the loaded measured seconds
    replay_record record;
    HBITMAP picture;
    int picture_width;
    int picture_height;
    bool print_pending; // the strip is printed at the first paint after opening
    int row_pitch;
    int samples_per_ms;
    int volume_position; // 0 .. 100
    bool pointer_on;
    strip_point marker;
    strip_point previous_marker;
    bool close_pending; // the close box was used during a replay
};

replay_window_state window;

replay_entries record_entries()
{
    return replay_entries{window.record.entries, window.record.entry_count, REPLAY_CAPACITY};
}

// ---- pointer marker -------------------------------------------------------

void draw_marker_text(HWND hwnd, strip_point at, const char *text)
{
    // Straight onto the window with its default font and colours: black on an
    // opaque white background, so three blanks wipe the marker out.
    window_dc screen(hwnd);
    draw_text(screen.dc, at.x, at.y + STRIP_MARKER_OFFSET, text);
}

void erase_marker(HWND hwnd)
{
    draw_marker_text(hwnd, window.previous_marker, texts::marker_blank);
}

// After each returned buffer: the marker shows the position as it stood after
// the previous refill.
void move_marker(HWND hwnd)
{
    window.marker = strip_position(replay_position_ms(), window.row_pitch);
    erase_marker(hwnd);
    window.previous_marker = window.marker;
    draw_marker_text(hwnd, window.marker, texts::marker);
}

// ---- replay ----------------------------------------------------------------

void report_failure(HWND hwnd, const char *text)
{
    MessageBeep(MB_ICONEXCLAMATION);
    MessageBoxA(hwnd, text, texts::failure_caption, MB_ICONEXCLAMATION | MB_OK);
}

void show_play_caption(HWND hwnd)
{
    SetDlgItemTextA(hwnd, IDC_PLAY, texts::play_caption);
    EnableWindow(GetDlgItem(hwnd, IDC_REPLAY_EXIT), TRUE);
}

void start_replay(HWND hwnd)
{
    erase_marker(hwnd);
    const replay_open_result_t opened = open_replay_output(hwnd, window.volume_position);
    if (opened == REPLAY_OUTPUT_NO_MEMORY) {
        report_failure(hwnd, texts::allocation_failed);
        return;
    }
    window.marker = strip_point{0, 0};
    window.previous_marker = strip_point{0, 0};
    if (opened == REPLAY_OUTPUT_OPEN_FAILED) {
        report_failure(hwnd, texts::open_failed);
        return;
    }
    SetDlgItemTextA(hwnd, IDC_PLAY, texts::stop_caption);
    EnableWindow(GetDlgItem(hwnd, IDC_REPLAY_EXIT), FALSE);
}

void request_stop(HWND hwnd)
{
    erase_marker(hwnd);
    stop_replay_output();
    show_play_caption(hwnd);
}

// ---- opening and leaving ----------------------------------------------------

void leave_window(HWND hwnd)
{
    engine_replay_window_left(*window.engine);
    window.print_pending = true;
    window.pointer_on = false;
    window.close_pending = false;
    close_replay_output_now();
    EndDialog(hwnd, 0);
}

void create_picture(HWND hwnd)
{
    if (window.picture != nullptr)
        DeleteObject(window.picture);
    RECT client;
    GetClientRect(hwnd, &client);
    window.picture_width = client.right;
    window.picture_height = client.bottom;
    window.picture = create_white_bitmap(hwnd, window.picture_width, window.picture_height);
}

INT_PTR on_init_dialog(HWND hwnd)
{
    int file_seconds = 0;
    const load_result_t loaded =
        load_keying_data_file_named(KEYING_DATA_FILE_NAME, window.record, &file_seconds);
    if (loaded != LOAD_LOADED) {
        // A damaged file is refused like a missing one, with its own message,
        // rather than replaying whatever part of it could be read.
        MessageBoxA(nullptr, loaded == LOAD_MISSING ? texts::file_missing : texts::file_damaged,
                    texts::file_message_caption, MB_ICONINFORMATION | MB_OK);
        leave_window(hwnd);
        return TRUE;
    }
    engine_take_file_measured_seconds(*window.engine, file_seconds);
    set_trackbar(hwnd, IDC_REPLAY_VOLUME, 0, 100, VOLUME_DEFAULT);
    set_trackbar(hwnd, IDC_SPEED, SPEED_POSITION_MIN, SPEED_POSITION_MAX, SPEED_POSITION_DEFAULT);
    window.volume_position = VOLUME_DEFAULT;
    window.samples_per_ms = DEFAULT_SAMPLES_PER_MS;
    window.pointer_on = false;
    CheckDlgButton(hwnd, IDC_POINTER, BST_UNCHECKED);
    window.print_pending = true;
    window.close_pending = false;
    window.marker = strip_point{0, 0};
    window.previous_marker = strip_point{0, 0};
    // The picture is printed and copied at fixed pixels, 1200 x 740 from the
    // top left. On a display smaller than the window, the window simply
    // reaches beyond the screen, as the main window does.
    ensure_client_size(hwnd, PICTURE_COPY_WIDTH, PICTURE_COPY_HEIGHT);
    create_picture(hwnd);
    return TRUE;
}

// ---- message handlers -----------------------------------------------------

void on_paint(HWND hwnd)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    {
        memory_dc memory(dc, window.picture);
        if (window.print_pending) {
            window.row_pitch = strip_row_pitch(window.record.record_seconds);
            print_strip(memory.dc, window.record, window.row_pitch, window.picture_height);
            window.print_pending = false;
        }
        BitBlt(dc, 0, 0, PICTURE_COPY_WIDTH, PICTURE_COPY_HEIGHT, memory.dc, 0, 0, SRCCOPY);
    }
    EndPaint(hwnd, &paint);
}

void on_pointer(HWND hwnd)
{
    window.pointer_on = IsDlgButtonChecked(hwnd, IDC_POINTER) == BST_CHECKED;
    erase_marker(hwnd);
    if (window.pointer_on)
        draw_marker_text(hwnd, window.marker, texts::marker);
    else
        draw_marker_text(hwnd, strip_point{0, 0}, texts::marker_blank);
}

void on_play(HWND hwnd)
{
    if (!replay_output_open())
        start_replay(hwnd);
    else
        request_stop(hwnd);
}

void on_hscroll(HWND hwnd, HWND trackbar)
{
    const int position = trackbar_position(trackbar);
    switch (GetDlgCtrlID(trackbar)) {
    case IDC_SPEED: {
        window.samples_per_ms = samples_per_ms_for_speed(position);
        char readout[16];
        format_speed_readout(position, readout, sizeof readout);
        SetDlgItemTextA(hwnd, IDC_SPEED_TEXT, readout);
        break;
    }
    case IDC_REPLAY_VOLUME:
        window.volume_position = position;
        set_replay_volume(position);
        break;
    default:
        break;
    }
}

// The close box during a replay waits for the output to close.
void on_close(HWND hwnd)
{
    if (replay_output_open()) {
        window.close_pending = true;
        stop_replay_output();
        return;
    }
    leave_window(hwnd);
}

void on_output_open(WPARAM device)
{
    if (is_replay_output(device))
        replay_output_opened(record_entries(), window.samples_per_ms);
}

void on_output_done(HWND hwnd, WPARAM device, LPARAM header)
{
    if (!is_replay_output(device))
        return;
    if (window.pointer_on)
        move_marker(hwnd);
    if (replay_buffer_done(reinterpret_cast<WAVEHDR *>(header), record_entries(),
                           window.samples_per_ms) == REPLAY_ENDED)
        show_play_caption(hwnd);
}

void on_output_close(HWND hwnd, WPARAM device)
{
    if (!is_replay_output(device))
        return;
    replay_output_closed();
    if (window.close_pending) {
        window.close_pending = false;
        SendMessageA(hwnd, WM_CLOSE, 0, 0);
    }
}

INT_PTR on_ctlcolor_static(HDC dc)
{
    return reinterpret_cast<INT_PTR>(caption_colours(dc));
}

INT_PTR CALLBACK replay_dialog_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        return on_init_dialog(hwnd);
    case WM_PAINT:
        on_paint(hwnd);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_POINTER:
            on_pointer(hwnd);
            return TRUE;
        case IDC_PLAY:
            on_play(hwnd);
            return TRUE;
        case IDC_REPLAY_EXIT:
            leave_window(hwnd);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_HSCROLL:
        on_hscroll(hwnd, reinterpret_cast<HWND>(lparam));
        return TRUE;
    case WM_CLOSE:
        on_close(hwnd);
        return TRUE;
    case MM_WOM_OPEN:
        on_output_open(wparam);
        return TRUE;
    case MM_WOM_DONE:
        on_output_done(hwnd, wparam, lparam);
        return TRUE;
    case MM_WOM_CLOSE:
        on_output_close(hwnd, wparam);
        return TRUE;
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(white_brush());
    case WM_CTLCOLORSTATIC:
        return on_ctlcolor_static(reinterpret_cast<HDC>(wparam));
    default:
        return FALSE;
    }
}

void print_tick(void *context, int x, int y)
{
    PatBlt(static_cast<HDC>(context), x, y, 1, STRIP_TICK_HEIGHT, BLACKNESS);
}

} // namespace

void print_strip(HDC dc, const replay_record &record, int row_pitch, int picture_height)
{
    for_each_strip_tick(record, row_pitch, picture_height, print_tick, dc);
}

void run_print_and_replay_window(HWND owner, measurement_engine &engine)
{
    window.engine = &engine;
    // The dialog template lives in the program's own module.
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_REPLAY), owner,
                    replay_dialog_proc, 0);
    // The picture is made again at every opening; nothing of it is kept.
    if (window.picture != nullptr) {
        DeleteObject(window.picture);
        window.picture = nullptr;
    }
}
