#include "win32/replay/replay_window.h"

#include "win32/app/main_window.h"
#include "core/app/measurement_state.h"
#include "core/replay/keying_file.h"
#include "core/replay/sequencer.h"
#include "win32/replay/strip.h"
#include "core/replay/tone.h"
#include "win32/resources/resource_ids.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static_assert(sizeof("ソ") == 3 && "ソ"[0] == '\x83' && "ソ"[1] == '\x5c',
              "string literals must be compiled to code page 932 (-fexec-charset=CP932)");

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
constexpr int SPEED_MIN = 5;
constexpr int SPEED_MAX = 33;
constexpr int SPEED_DEFAULT = 27;

// The window's state. It outlives each opening (the window is opened again
// and again from the main window); every opening reloads the record and
// resets the controls, the speed, the pointer and the picture.
struct replay_window_state {
    replay_record record;
    HBITMAP picture;
    int picture_width;
    int picture_height;
    bool print_pending; // the strip is printed at the first paint after opening
    int row_pitch;
    int samples_per_ms;
    int volume_position; // 0 .. 100
    bool pointer_on;
    POINT marker;
    POINT previous_marker;
    HWAVEOUT output; // nullptr = none; a replay is running or ending exactly when set
    WAVEHDR *headers[2];
    uint8_t *sample_areas[2];
    replay_buffer buffers[2];
    bool stopping;
    bool close_issued; // waveOutClose already called for this replay
    bool close_pending;
    replay_sequencer sequencer;
};

replay_window_state window;

replay_entries record_entries()
{
    return replay_entries{window.record.entries, window.record.entry_count, REPLAY_CAPACITY};
}

// ---- pointer marker -------------------------------------------------------

void draw_marker_text(HWND hwnd, POINT at, const char *text)
{
    // Straight onto the window with its default font and colours: black on an
    // opaque white background, so three blanks wipe the marker out.
    HDC dc = GetDC(hwnd);
    TextOutA(dc, at.x, at.y + STRIP_MARKER_OFFSET, text, static_cast<int>(std::strlen(text)));
    ReleaseDC(hwnd, dc);
}

void erase_marker(HWND hwnd)
{
    draw_marker_text(hwnd, window.previous_marker, texts::marker_blank);
}

// After each returned buffer: the marker shows the position as it stood after
// the previous refill.
void move_marker(HWND hwnd)
{
    window.marker = strip_point(window.sequencer.replay_position_ms, window.row_pitch);
    erase_marker(hwnd);
    window.previous_marker = window.marker;
    draw_marker_text(hwnd, window.marker, texts::marker);
}

// ---- replay buffers and output ---------------------------------------------

void release_buffers()
{
    for (int i = 0; i < 2; ++i) {
        std::free(window.headers[i]);
        std::free(window.sample_areas[i]);
        window.headers[i] = nullptr;
        window.sample_areas[i] = nullptr;
        window.buffers[i] = replay_buffer{nullptr, 0};
    }
}

bool allocate_buffers()
{
    for (int i = 0; i < 2; ++i) {
        window.headers[i] = static_cast<WAVEHDR *>(std::calloc(1, sizeof(WAVEHDR)));
        window.sample_areas[i] = static_cast<uint8_t *>(std::malloc(REPLAY_BUFFER_BYTES));
        if (window.headers[i] == nullptr || window.sample_areas[i] == nullptr) {
            release_buffers();
            return false;
        }
        window.buffers[i] = replay_buffer{window.sample_areas[i], 0};
    }
    return true;
}

void unprepare_headers()
{
    for (int i = 0; i < 2; ++i)
        waveOutUnprepareHeader(window.output, window.headers[i], sizeof(WAVEHDR));
}

void apply_volume()
{
    if (window.output == nullptr)
        return;
    const DWORD v = static_cast<DWORD>(window.volume_position) * 65535 / 100;
    waveOutSetVolume(window.output, v | (v << 16)); // left in the low half, right in the high
}

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
    if (!allocate_buffers()) {
        report_failure(hwnd, texts::allocation_failed);
        return;
    }
    window.stopping = false;
    window.close_issued = false;
    window.sequencer.replay_position_ms = 0;
    window.marker = POINT{0, 0};
    window.previous_marker = POINT{0, 0};

    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 11025;
    format.nAvgBytesPerSec = 11025;
    format.nBlockAlign = 1;
    format.wBitsPerSample = 8;
    format.cbSize = 0;
    HWAVEOUT output = nullptr;
    if (waveOutOpen(&output, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(hwnd), 0,
                    CALLBACK_WINDOW) != MMSYSERR_NOERROR) {
        release_buffers();
        window.output = nullptr;
        report_failure(hwnd, texts::open_failed);
        return;
    }
    window.output = output;
    for (int i = 0; i < 2; ++i) {
        WAVEHDR &header = *window.headers[i];
        header.lpData = reinterpret_cast<LPSTR>(window.sample_areas[i]);
        header.dwBufferLength = REPLAY_BUFFER_BYTES;
        header.dwFlags = 0;
        header.dwLoops = 1;
        waveOutPrepareHeader(window.output, &header, sizeof(WAVEHDR));
    }
    apply_volume();
    SetDlgItemTextA(hwnd, IDC_PLAY, texts::stop_caption);
    EnableWindow(GetDlgItem(hwnd, IDC_REPLAY_EXIT), FALSE);
}

// Ending: the reset hands back every queued buffer; the first one that comes
// back closes the output.
void request_stop(HWND hwnd)
{
    erase_marker(hwnd);
    window.stopping = true;
    waveOutReset(window.output);
    show_play_caption(hwnd);
}

// Queues one of the two buffers with the length the generator gave it.
void queue_buffer(void *, int buffer_index)
{
    WAVEHDR *header = window.headers[buffer_index];
    header->dwBufferLength = window.buffers[buffer_index].length_samples;
    waveOutWrite(window.output, header, sizeof(WAVEHDR));
}

// Closes an output that is still open when the window is left (a replay that
// has been stopped but not yet reported closing). Done synchronously so that
// nothing outlives the window: reset, unprepare, close (unless the close has
// already been issued), release. The MM_WOM_DONE and MM_WOM_CLOSE
// notifications still on their way name a handle that is no longer the
// window's output and are ignored.
void close_output_now()
{
    if (window.output == nullptr)
        return;
    if (!window.close_issued) {
        window.close_issued = true;
        waveOutReset(window.output);
        unprepare_headers();
        waveOutClose(window.output);
    }
    release_buffers();
    window.output = nullptr;
}

bool is_current_output(WPARAM wparam)
{
    return window.output != nullptr && reinterpret_cast<HWAVEOUT>(wparam) == window.output;
}

// ---- leaving --------------------------------------------------------------

void leave_window(HWND hwnd)
{
    measurement_state &measurement = measurement_for_update();
    measurement.device_selection_pending = false;
    measurement.analysis_suspended = true;
    window.print_pending = true;
    window.pointer_on = false;
    window.stopping = true;
    window.close_pending = false;
    close_output_now();
    EndDialog(hwnd, 0);
}

// ---- message handlers -----------------------------------------------------

void set_trackbar(HWND hwnd, int id, int low, int high, int position)
{
    HWND trackbar = GetDlgItem(hwnd, id);
    SendMessageA(trackbar, TBM_SETRANGE, TRUE, MAKELPARAM(low, high));
    SendMessageA(trackbar, TBM_SETPOS, TRUE, position);
}

// The picture is printed and copied at fixed pixels, 1200 x 740 from the top
// left. Where the template's dialog units give a smaller client area (other
// fonts, DPI), the window is enlarged until the client area holds that much;
// it is never made smaller. On a display smaller than the window, the window
// simply reaches beyond the screen, as the main window does.
void ensure_client_size(HWND hwnd)
{
    RECT client;
    GetClientRect(hwnd, &client);
    const int missing_width = PICTURE_COPY_WIDTH - client.right;
    const int missing_height = PICTURE_COPY_HEIGHT - client.bottom;
    if (missing_width <= 0 && missing_height <= 0)
        return;
    RECT frame;
    GetWindowRect(hwnd, &frame);
    SetWindowPos(hwnd, nullptr, 0, 0,
                 frame.right - frame.left + (missing_width > 0 ? missing_width : 0),
                 frame.bottom - frame.top + (missing_height > 0 ? missing_height : 0),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void create_picture(HWND hwnd)
{
    if (window.picture != nullptr)
        DeleteObject(window.picture);
    RECT client;
    GetClientRect(hwnd, &client);
    window.picture_width = client.right;
    window.picture_height = client.bottom;
    HDC screen = GetDC(hwnd);
    window.picture = CreateCompatibleBitmap(screen, window.picture_width, window.picture_height);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, window.picture);
    PatBlt(memory, 0, 0, window.picture_width, window.picture_height, WHITENESS);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(hwnd, screen);
}

INT_PTR on_init_dialog(HWND hwnd)
{
    const load_result_t loaded = load_keying_data_file_named(
        KEYING_DATA_FILE_NAME, window.record, &measurement_for_update().measured_seconds);
    if (loaded != LOAD_LOADED) {
        // A damaged file is refused like a missing one, with its own message,
        // rather than replaying whatever part of it could be read.
        MessageBoxA(nullptr, loaded == LOAD_MISSING ? texts::file_missing : texts::file_damaged,
                    texts::file_message_caption, MB_ICONINFORMATION | MB_OK);
        leave_window(hwnd);
        return TRUE;
    }
    set_trackbar(hwnd, IDC_REPLAY_VOLUME, 0, 100, VOLUME_DEFAULT);
    set_trackbar(hwnd, IDC_SPEED, SPEED_MIN, SPEED_MAX, SPEED_DEFAULT);
    window.volume_position = VOLUME_DEFAULT;
    window.samples_per_ms = DEFAULT_SAMPLES_PER_MS;
    window.pointer_on = false;
    CheckDlgButton(hwnd, IDC_POINTER, BST_UNCHECKED);
    window.print_pending = true;
    window.stopping = false;
    window.close_pending = false;
    window.marker = POINT{0, 0};
    window.previous_marker = POINT{0, 0};
    ensure_client_size(hwnd);
    create_picture(hwnd);
    return TRUE;
}

void on_paint(HWND hwnd)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, window.picture);
    if (window.print_pending) {
        window.row_pitch = strip_row_pitch(window.record.record_seconds);
        print_strip(memory, window.record, window.row_pitch, window.picture_height);
        window.print_pending = false;
    }
    BitBlt(dc, 0, 0, PICTURE_COPY_WIDTH, PICTURE_COPY_HEIGHT, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    EndPaint(hwnd, &paint);
}

void on_pointer(HWND hwnd)
{
    window.pointer_on = IsDlgButtonChecked(hwnd, IDC_POINTER) == BST_CHECKED;
    erase_marker(hwnd);
    if (window.pointer_on)
        draw_marker_text(hwnd, window.marker, texts::marker);
    else
        draw_marker_text(hwnd, POINT{0, 0}, texts::marker_blank);
}

void on_play(HWND hwnd)
{
    if (window.output == nullptr)
        start_replay(hwnd);
    else
        request_stop(hwnd);
}

void on_hscroll(HWND hwnd, HWND trackbar)
{
    const int position = static_cast<int>(SendMessageA(trackbar, TBM_GETPOS, 0, 0));
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
        apply_volume();
        break;
    default:
        break;
    }
}

void on_close(HWND hwnd)
{
    if (window.output != nullptr) {
        window.stopping = true;
        window.close_pending = true;
        waveOutReset(window.output);
        return;
    }
    leave_window(hwnd);
}

void on_output_open(WPARAM wparam)
{
    if (!is_current_output(wparam))
        return;
    const replay_entries entries = record_entries();
    prime_replay(window.sequencer, replay_tone_generator(), entries, window.samples_per_ms,
                 window.buffers, queue_buffer, nullptr);
}

void on_output_done(HWND hwnd, WPARAM wparam, LPARAM lparam)
{
    if (!is_current_output(wparam))
        return;
    if (window.pointer_on)
        move_marker(hwnd);
    if (window.stopping) {
        if (!window.close_issued) {
            // The reset has handed back both buffers, so they can be
            // unprepared while the handle is still valid; their memory is
            // released once the output reports closing.
            window.close_issued = true;
            unprepare_headers();
            waveOutClose(window.output);
        }
        return;
    }
    WAVEHDR *header = reinterpret_cast<WAVEHDR *>(lparam);
    const int index = header == window.headers[0] ? 0 : 1;
    const replay_entries entries = record_entries();
    if (step_replay(window.sequencer, replay_tone_generator(), entries, window.samples_per_ms,
                    window.buffers[index]) == STEP_QUEUE_IT) {
        queue_buffer(nullptr, index);
        return;
    }
    window.stopping = true;
    waveOutReset(window.output);
    show_play_caption(hwnd);
}

void on_output_close(HWND hwnd, WPARAM wparam)
{
    if (!is_current_output(wparam))
        return;
    release_buffers();
    window.output = nullptr;
    if (window.close_pending) {
        window.close_pending = false;
        SendMessageA(hwnd, WM_CLOSE, 0, 0);
    }
}

INT_PTR on_ctlcolor_static(HDC dc)
{
    SetTextColor(dc, RGB(200, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(white_brush());
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

} // namespace

int samples_per_ms_for_speed(int speed_position)
{
    return 38 - speed_position;
}

void format_speed_readout(int speed_position, char *text, size_t size)
{
    std::snprintf(text, size, "x%3.2f", 11.0 / samples_per_ms_for_speed(speed_position));
}

bool replay_output_open()
{
    return window.output != nullptr;
}

void run_print_and_replay_window(HWND owner)
{
    // Resources live in the program's own module; tests run the window
    // without the entry function having set the shell's instance.
    HINSTANCE instance = shell().instance != nullptr ? shell().instance : GetModuleHandleA(nullptr);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_REPLAY), owner, replay_dialog_proc, 0);
    // The picture is made again at every opening; nothing of it is kept.
    if (window.picture != nullptr) {
        DeleteObject(window.picture);
        window.picture = nullptr;
    }
}
