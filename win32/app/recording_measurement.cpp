#include "win32/app/recording_measurement.h"

#include <commdlg.h>
#include <shellapi.h>

#include "core/audio/recording_reader.h"
#include "win32/app/measurement_control.h"
#include "win32/app/recording_messages.h"
#include "win32/audio/block_log.h"
#include "win32/audio/recording_file.h"
#include "win32/display/block_drawing.h"
#include "win32/display/meter_update.h"

// Wall-clock time one slice may take: short enough for the window to answer
// at once and for the capture's 200 ms of buffers, long enough that the
// timer's wait between slices costs little.
constexpr double SLICE_SECONDS = 0.03;
// Blocks between two looks at the clock.
constexpr int BLOCKS_PER_CLOCK_CHECK = 32;

// The recording being measured.
static struct {
    bool active;
    std::string shown_path; // for the messages
    recording_file file;
    recording_reader reader;
} measured = {false, {}, {INVALID_HANDLE_VALUE, 0}, {}};

bool recording_measurement_allowed(const measurement_engine &engine)
{
    // Idle and Stopped suspend the analysis; Armed and Recording, live or
    // of a recording, do not.
    return engine.measurement.analysis_suspended && !engine.measuring_recording;
}

static void tell(HWND hwnd, const std::string &text)
{
    MessageBoxA(hwnd, text.c_str(), recording_texts::caption, MB_OK | MB_ICONEXCLAMATION);
}

// While a measurement runs, a recording is refused with a message.
static bool refused_while_busy(HWND hwnd, const measurement_engine &engine)
{
    if (recording_measurement_allowed(engine))
        return false;
    MessageBoxA(hwnd, recording_texts::busy, recording_texts::caption, MB_OK | MB_ICONINFORMATION);
    return true;
}

static bool named_as_csv(const wchar_t *path)
{
    const size_t length = wcslen(path);
    return length >= 4 && _wcsicmp(path + length - 4, L".csv") == 0;
}

// Opens the file and checks its header; false after telling the operator
// why not. Nothing else has changed then.
static bool open_recording(HWND hwnd, const wchar_t *path)
{
    const std::string &shown = measured.shown_path = shown_path(path);
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        tell(hwnd, folder_text(shown));
        return false;
    }
    DWORD error = 0;
    if (!open_recording_file(measured.file, path, &error)) {
        tell(hwnd, open_failure_text(shown, error));
        return false;
    }
    const wav_problem problem =
        recording_reader_open(measured.reader, recording_file_source(measured.file));
    if (problem != WAV_OK) {
        close_recording_file(measured.file);
        tell(hwnd, header_problem_text(shown, problem, measured.reader.format, named_as_csv(path)));
        return false;
    }
    return true;
}

static void measure_recording_file(HWND hwnd, measurement_engine &engine, const wchar_t *path)
{
    if (refused_while_busy(hwnd, engine) || !open_recording(hwnd, path))
        return;
    clear_sequence(hwnd, engine);
    start_recording_sequence(hwnd, engine);
    measured.active = true;
#ifdef VENTROK_BLOCK_LOG
    block_log_note("recording started");
#endif
    SetTimer(hwnd, RECORDING_TIMER_ID, USER_TIMER_MINIMUM, nullptr);
}

void measure_given_recordings(HWND hwnd, measurement_engine &engine,
                              const std::vector<std::wstring> &paths)
{
    if (paths.empty() || refused_while_busy(hwnd, engine))
        return;
    if (paths.size() > 1) {
        MessageBoxA(hwnd, recording_texts::one_at_a_time, recording_texts::caption,
                    MB_OK | MB_ICONINFORMATION);
        return;
    }
    measure_recording_file(hwnd, engine, paths.front().c_str());
}

std::vector<std::wstring> dropped_files(HDROP drop)
{
    std::vector<std::wstring> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; i++) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, &path[0], static_cast<UINT>(path.size())));
        paths.push_back(path);
    }
    DragFinish(drop);
    return paths;
}

void choose_and_measure_recording(HWND hwnd, measurement_engine &engine)
{
    if (refused_while_busy(hwnd, engine))
        return;
    wchar_t path[32768] = L"";
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = hwnd;
    dialog.lpstrFilter = L"WAV ファイル (*.wav)\0*.wav\0すべてのファイル (*.*)\0*.*\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path / sizeof path[0];
    dialog.lpstrTitle = L"録音ファイルを計測";
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER |
                   OFN_NOCHANGEDIR;
    // The keying data file is saved in the current folder, which the
    // dialog may move to the recording's folder on Windows whatever the
    // flag says: it is put back.
    std::vector<wchar_t> folder(GetCurrentDirectoryW(0, nullptr) + 1, L'\0');
    GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
    const BOOL chosen = GetOpenFileNameW(&dialog);
    SetCurrentDirectoryW(folder.data());
    if (chosen)
        measure_recording_file(hwnd, engine, path);
}

static void finish(HWND hwnd)
{
    KillTimer(hwnd, RECORDING_TIMER_ID);
    close_recording_file(measured.file);
    measured.active = false;
}

void end_recording_measurement(HWND hwnd)
{
    if (measured.active)
        finish(hwnd);
}

static double seconds_now()
{
    LARGE_INTEGER count;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

enum slice_end { SLICE_TIME_UP, SLICE_STOP_REQUESTED, SLICE_RECORDING_ENDED, SLICE_READ_FAILED };

// Captured blocks of the recording through the engine, drawn as a captured
// block is drawn, until the slice's time is up or the measurement ends. The
// level meter stays with the live input; the panel band reaches the screen
// once, at the end of the slice.
static slice_end run_slice(HWND hwnd, measurement_engine &engine)
{
    const double deadline = seconds_now() + SLICE_SECONDS;
    block_drawing drawing(hwnd, engine.settings.double_speed_sweep);
    const engine_display display = block_display(drawing);
    slice_end end = SLICE_TIME_UP;
    for (int blocks = 1;; blocks++) {
        int16_t block[CAPTURE_BLOCK_SAMPLES];
        const size_t count = recording_reader_take(measured.reader, block, CAPTURE_BLOCK_SAMPLES);
        if (measured.reader.failed) {
            end = SLICE_READ_FAILED;
            break;
        }
        if (count == 0) {
            end = SLICE_RECORDING_ENDED;
            break;
        }
        const block_result result = engine_process_recording_block(engine, block, count, display);
        if (result.meter.due)
            draw_meter_panels(drawing.memory, engine, result.meter);
        if (result.stop_requested) {
            end = SLICE_STOP_REQUESTED;
            break;
        }
        if (blocks % BLOCKS_PER_CLOCK_CHECK == 0 && seconds_now() >= deadline)
            break;
    }
    show_panel_band(drawing.window, drawing.memory);
    return end;
}

void on_recording_timer(HWND hwnd, measurement_engine &engine)
{
    if (!measured.active) {
        KillTimer(hwnd, RECORDING_TIMER_ID);
        return;
    }
    // Stopped with 停止, or dropped by a clear (解読字大, the device menu).
    if (!engine.measuring_recording) {
        finish(hwnd);
        return;
    }
    const slice_end end = run_slice(hwnd, engine);
    switch (end) {
    case SLICE_TIME_UP:
        break;
    case SLICE_STOP_REQUESTED:
        // The automatic stop, carried out as for a captured block.
        finish(hwnd);
        SendMessageA(hwnd, WM_PAINT, 0, 0);
        break;
    case SLICE_RECORDING_ENDED:
        // The end of the recording: as if 停止 were pressed.
        finish(hwnd);
        stop_sequence(hwnd, engine);
        break;
    case SLICE_READ_FAILED:
        // A measurement of part of the recording is not kept.
        finish(hwnd);
        clear_sequence(hwnd, engine);
        tell(hwnd, read_failure_text(measured.shown_path));
        break;
    }
#ifdef VENTROK_BLOCK_LOG
    if (end != SLICE_TIME_UP)
        block_log_note("recording measured");
#endif
}
