// The print and replay window: the printed strip on a memory DC, the speed
// read-out, and the window itself driven from a thread timer on a temporary
// folder holding a small keying data file.
#include "win32/replay/replay_window.h"

#include "core/replay/keying_file.h"
#include "tests/windows/test_canvas.h"
#include "win32/replay/replay_output.h"
#include "win32/resources/resource_ids.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{

replay_record record_of(const std::vector<uint16_t> &durations)
{
    static replay_record record;
    std::memset(&record, 0, sizeof record);
    uint32_t sum_ms = 0;
    for (size_t i = 0; i < durations.size(); ++i) {
        record.entries[i] = durations[i];
        sum_ms += durations[i];
    }
    record.entry_count = static_cast<int>(durations.size());
    record.record_seconds = sum_ms / 1000;
    return record;
}

TEST(ReplayStrip, MarksBlackenTheirColumnsFromTheFirstMark)
{
    // Entry 0 (900 ms) takes no room. Picture time: mark 0..19 (columns 0, 1),
    // space to 1005, mark 1005..1029 (columns 100..102), space to 11995,
    // mark 11995..12004 (column 1199 of row 0 and column 0 of row 1),
    // then a closing space.
    const replay_record &record = record_of({900, 20, 985, 25, 10965, 10, 300});
    canvas picture(WHITE, 1200, 740);
    print_strip(picture.dc, record, 50, 740);

    const struct {
        int x, y;
        bool black;
    } pixels[] = {
        {0, 65, true},    {0, 67, true},    {0, 64, false},    {0, 68, false},   {1, 66, true},
        {2, 66, false},   {99, 66, false},  {100, 65, true},   {101, 66, true},  {102, 67, true},
        {103, 66, false}, {102, 68, false}, {1198, 66, false}, {1199, 66, true}, {0, 115, true},
        {0, 117, true},   {0, 114, false},  {0, 118, false},   {1, 116, false},  {0, 70, false},
    };
    for (const auto &p : pixels)
        EXPECT_EQ(picture.pixel(p.x, p.y) == BLACK, p.black) << "(" << p.x << ", " << p.y << ")";
}

// ---- the window itself ------------------------------------------------------

// A temporary current directory, restored afterwards.
struct temp_folder {
    char previous[MAX_PATH];
    char path[MAX_PATH];
    temp_folder()
    {
        GetCurrentDirectoryA(MAX_PATH, previous);
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        std::snprintf(path, sizeof path, "%sventrok_replay_%lu_%lu", base, GetCurrentProcessId(),
                      GetTickCount());
        CreateDirectoryA(path, nullptr);
        SetCurrentDirectoryA(path);
    }
    ~temp_folder()
    {
        DeleteFileA(KEYING_DATA_FILE_NAME);
        SetCurrentDirectoryA(previous);
        RemoveDirectoryA(path);
    }
};

void write_small_keying_file()
{
    // 40 entries of about 1.7 s of keying: dots of 60 ms, gaps of 60 ms.
    std::vector<uint16_t> timeline(40, 60);
    timeline[0] = 500;
    static keying_statistics stats;
    const std::string text =
        format_keying_data_file(timeline.data(), static_cast<int>(timeline.size()), 2, stats);
    FILE *file = std::fopen(KEYING_DATA_FILE_NAME, "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

// What the timer-driven script saw.
struct window_script {
    enum step_t { PRESS_PLAY, WAIT_FOR_STOP_CAPTION, WAIT_FOR_END, CLOSE_WHILE_PLAYING,
                  WAIT_FOR_CLOSED, DONE };
    enum ending_t { PLAY_TO_END, CLOSE_REQUEST, STOP_THEN_LEAVE, STOP_BEFORE_OPEN,
                    CLOSE_BEFORE_OPEN };
    step_t step;
    ending_t ending;
    bool output_open_when_leaving;
    bool output_open_after_close_request; // the close box waits for the output
    DWORD started_ms;
    bool saw_stop_caption;
    bool caption_returned;
    bool exit_enabled_at_end;
    bool ready_after_early_stop; // closed unplayed, 再生 shown, 終了 enabled
    bool timed_out;
    std::string message_text;
};

window_script script;

// The engine whose measured seconds and flags the window changes.
measurement_engine engine;

std::string item_text(HWND dialog, int id)
{
    char text[128] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void CALLBACK drive_window(HWND, UINT, UINT_PTR, DWORD)
{
    if (HWND box = FindWindowA(nullptr, "メッセージボックス")) {
        script.message_text = item_text(box, 0xFFFF);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
    }
    HWND dialog = FindWindowA(nullptr, "印字・再生");
    if (dialog == nullptr)
        return;
    if (GetTickCount() - script.started_ms > 20000) {
        script.timed_out = true;
        SendMessageA(dialog, WM_COMMAND, IDC_REPLAY_EXIT, 0);
        return;
    }
    switch (script.step) {
    case window_script::PRESS_PLAY:
        SendMessageA(GetDlgItem(dialog, IDC_PLAY), BM_CLICK, 0, 0);
        script.step = window_script::WAIT_FOR_STOP_CAPTION;
        // The stop comes before the output's MM_WOM_OPEN, which is posted.
        if (script.ending == window_script::STOP_BEFORE_OPEN) {
            SendMessageA(GetDlgItem(dialog, IDC_PLAY), BM_CLICK, 0, 0);
            script.step = window_script::WAIT_FOR_CLOSED;
        } else if (script.ending == window_script::CLOSE_BEFORE_OPEN) {
            SendMessageA(dialog, WM_CLOSE, 0, 0);
            script.step = window_script::DONE;
        }
        break;
    case window_script::WAIT_FOR_CLOSED:
        if (!replay_output_open()) {
            script.ready_after_early_stop = replay_position_ms() == 0 &&
                                            item_text(dialog, IDC_PLAY) == "再　生" &&
                                            IsWindowEnabled(GetDlgItem(dialog, IDC_REPLAY_EXIT));
            // 再生 again plays the record to its end.
            script.ending = window_script::PLAY_TO_END;
            script.step = window_script::PRESS_PLAY;
        }
        break;
    case window_script::WAIT_FOR_STOP_CAPTION:
        if (item_text(dialog, IDC_PLAY) == "停　止" && replay_output_open()) {
            script.saw_stop_caption = true;
            script.step = script.ending == window_script::CLOSE_REQUEST
                              ? window_script::CLOSE_WHILE_PLAYING
                              : window_script::WAIT_FOR_END;
        }
        if (script.ending == window_script::STOP_THEN_LEAVE && script.saw_stop_caption) {
            // 停止 and at once 終了, before the output can report closing.
            SendMessageA(GetDlgItem(dialog, IDC_PLAY), BM_CLICK, 0, 0);
            script.output_open_when_leaving = replay_output_open();
            script.step = window_script::DONE;
            SendMessageA(dialog, WM_COMMAND, IDC_REPLAY_EXIT, 0);
        }
        break;
    case window_script::CLOSE_WHILE_PLAYING:
        script.step = window_script::DONE;
        SendMessageA(dialog, WM_CLOSE, 0, 0);
        // Still open: the window leaves only once the output reports closing.
        script.output_open_after_close_request = replay_output_open();
        break;
    case window_script::WAIT_FOR_END:
        if (item_text(dialog, IDC_PLAY) == "再　生") {
            script.caption_returned = true;
            script.exit_enabled_at_end = IsWindowEnabled(GetDlgItem(dialog, IDC_REPLAY_EXIT));
            // Leaves at once, while the output may still be closing.
            script.step = window_script::DONE;
            SendMessageA(dialog, WM_COMMAND, IDC_REPLAY_EXIT, 0);
        }
        break;
    case window_script::DONE:
        break;
    }
}

// Runs the window with the script; returns after the window has been left.
void run_window_with_script(window_script::ending_t ending)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&controls);
    script = window_script{};
    script.ending = ending;
    script.started_ms = GetTickCount();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, drive_window);
    run_print_and_replay_window(nullptr, engine);
    KillTimer(nullptr, timer);
}

// The test command runs with the session's sound server; without an output
// device these tests fail rather than pass unnoticed.
void require_output_device()
{
    ASSERT_GT(waveOutGetNumDevs(), 0u) << "no output device: is the session's sound server up?";
}

void expect_leaving_flags()
{
    EXPECT_TRUE(engine.measurement.analysis_suspended);
    EXPECT_FALSE(engine.measurement.device_selection_pending);
}

TEST(ReplayWindow, PlaysToTheEndAndLeavesWithTheOutputClosed)
{
    ASSERT_NO_FATAL_FAILURE(require_output_device());
    temp_folder folder;
    write_small_keying_file();
    engine.measurement.analysis_suspended = false;
    engine.measurement.device_selection_pending = true;
    run_window_with_script(window_script::PLAY_TO_END);
    EXPECT_FALSE(script.timed_out);
    EXPECT_TRUE(script.saw_stop_caption);
    EXPECT_TRUE(script.caption_returned);
    EXPECT_TRUE(script.exit_enabled_at_end);
    EXPECT_FALSE(replay_output_open());
    EXPECT_EQ(engine.measurement.measured_seconds, 2);
    expect_leaving_flags();
}

TEST(ReplayWindow, CloseRequestDuringReplayClosesOnceTheOutputHasClosed)
{
    ASSERT_NO_FATAL_FAILURE(require_output_device());
    temp_folder folder;
    write_small_keying_file();
    run_window_with_script(window_script::CLOSE_REQUEST);
    EXPECT_FALSE(script.timed_out);
    EXPECT_TRUE(script.saw_stop_caption);
    EXPECT_TRUE(script.output_open_after_close_request);
    EXPECT_FALSE(replay_output_open());
    expect_leaving_flags();
}

TEST(ReplayWindow, LeavingWhileTheOutputClosesStillClosesIt)
{
    ASSERT_NO_FATAL_FAILURE(require_output_device());
    temp_folder folder;
    write_small_keying_file();
    run_window_with_script(window_script::STOP_THEN_LEAVE);
    EXPECT_FALSE(script.timed_out);
    EXPECT_TRUE(script.output_open_when_leaving);
    EXPECT_FALSE(replay_output_open());
    expect_leaving_flags();
}

// The output's MM_WOM_OPEN comes after 停止 or the close box: the output is
// closed without playing, and the window is back at 再生 and plays the record
// again, or leaves.
TEST(ReplayWindow, StopBeforeTheOutputHasOpenedClosesIt)
{
    ASSERT_NO_FATAL_FAILURE(require_output_device());
    for (const auto ending : {window_script::STOP_BEFORE_OPEN, window_script::CLOSE_BEFORE_OPEN}) {
        SCOPED_TRACE(ending);
        temp_folder folder;
        write_small_keying_file();
        run_window_with_script(ending);
        EXPECT_FALSE(script.timed_out);
        const bool stopped = ending == window_script::STOP_BEFORE_OPEN;
        EXPECT_EQ(script.ready_after_early_stop, stopped);
        EXPECT_EQ(script.caption_returned && script.exit_enabled_at_end, stopped);
        if (!stopped)
            EXPECT_EQ(replay_position_ms(), 0u); // never primed
        EXPECT_FALSE(replay_output_open());
        expect_leaving_flags();
    }
}

TEST(ReplayWindow, MissingFileShowsOnlyTheMessage)
{
    temp_folder folder;
    engine.measurement.analysis_suspended = false;
    engine.measurement.device_selection_pending = true;
    run_window_with_script(window_script::PLAY_TO_END);
    EXPECT_EQ(script.message_text, "打鍵データ.csvがありません。");
    EXPECT_FALSE(script.saw_stop_caption);
    expect_leaving_flags();
}

} // namespace
