// The level meter drawn into memory DCs and, through a hidden window, into
// the back buffer (alone and within a captured block's drawing, with the
// block's blanking of the Armed prompt), read back pixel by pixel.
#include "win32/display/back_buffer.h"
#include "win32/display/block_drawing.h"
#include "win32/display/meter_update.h"
#include "win32/display/level_meter.h"

#include "tests/windows/test_canvas.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace
{


// A 1200 x 900 surface filled with grey.
struct surface : canvas {
    surface() : canvas(GREY, 1200, 900) {}
};

class LevelMeter : public ::testing::Test
{
  protected:
    surface window;
    surface back;
    int32_t threshold = 12240;
    void set_threshold(int32_t new_threshold) { threshold = new_threshold; }
};

// The bar spans x 948 .. 948 + p / 512 - 1 and y 25..36, over the frame.
TEST_F(LevelMeter, BarLengthAndColourFollowPeak)
{
    struct case_t {
        int peak;
        int length;
        COLORREF colour;
    };
    const case_t cases[] = {
        {32767, 63, RED}, {32766, 63, BLUE}, {1024, 2, BLUE}, {1023, 1, BLUE}, {511, 0, BLUE},
    };
    set_threshold(20400); // marker at x 988, away from the pixels looked at
    for (const case_t &c : cases) {
        SCOPED_TRACE(c.peak);
        surface w, b;
        draw_level_meter_on(w.dc, b.dc, c.peak, threshold);
        for (const surface *s : {&w, &b}) {
            if (c.length > 0) {
                EXPECT_EQ(s->at(948, 25), c.colour);
                EXPECT_EQ(s->at(948, 36), c.colour);
                EXPECT_EQ(s->at(948 + c.length - 1, 30), c.colour);
            }
            EXPECT_NE(s->at(948 + c.length, 30), c.colour);
            EXPECT_NE(s->at(948, 37), c.colour);
            EXPECT_NE(s->at(948, 24), c.colour);
        }
    }
}

TEST_F(LevelMeter, EmptyBarShowsBlackFrameWhiteInside)
{
    set_threshold(31875); // marker at x 1010, on the frame's right edge
    draw_level_meter_on(window.dc, back.dc, 0, threshold);
    for (const surface *s : {&window, &back}) {
        EXPECT_EQ(s->at(948, 25), BLACK);
        EXPECT_EQ(s->at(1010, 36), BLACK);
        EXPECT_EQ(s->at(980, 25), BLACK);
        EXPECT_EQ(s->at(980, 36), BLACK);
        EXPECT_EQ(s->at(980, 30), WHITE);
        EXPECT_EQ(s->at(1011, 30), GREY);
        EXPECT_EQ(s->at(980, 37), GREY);
    }
}

// The marker is a line at x 948 + threshold / 510 from y 22 to 40, on the
// window only.
TEST_F(LevelMeter, ThresholdMarkerPosition)
{
    struct case_t {
        int32_t threshold;
        int x;
    };
    // The position itself is worked out in the core (LevelMeterScale).
    const case_t cases[] = {{12240, 972}, {31875, 1010}};
    for (const case_t &c : cases) {
        SCOPED_TRACE(c.threshold);
        surface w, b;
        set_threshold(c.threshold);
        draw_level_meter_on(w.dc, b.dc, 0, threshold);
        EXPECT_EQ(w.at(c.x, 22), BLACK);
        EXPECT_EQ(w.at(c.x, 30), BLACK);
        EXPECT_EQ(w.at(c.x, 40), BLACK);
        EXPECT_EQ(w.at(c.x, 21), GREY);
        EXPECT_EQ(w.at(c.x, 41), GREY);
        EXPECT_NE(w.at(c.x + 1, 22), BLACK);
        EXPECT_NE(w.at(c.x - 1, 22), BLACK);
        EXPECT_EQ(b.at(c.x, 22), GREY);
        if (c.x < 1010) { // inside the frame, not on its right edge
            EXPECT_EQ(b.at(c.x, 30), WHITE);
        }
    }
}

// After a move the old marker is whitened with the area (948, 20)-(1010, 42)
// before the new one is drawn; without a move the old marker stays.
TEST_F(LevelMeter, MovedThresholdWhitensOldMarker)
{
    set_threshold(12240);
    draw_level_meter_on(window.dc, back.dc, 0, threshold); // marker at 972
    set_threshold(20400);
    mark_threshold_moved();
    draw_level_meter_on(window.dc, back.dc, 0, threshold); // marker at 988
    EXPECT_EQ(window.at(972, 22), WHITE);
    EXPECT_EQ(window.at(972, 40), WHITE);
    EXPECT_EQ(window.at(988, 22), BLACK);
    // The whitened area's corners, and the grey just outside it.
    EXPECT_EQ(window.at(948, 20), WHITE);
    EXPECT_EQ(window.at(1010, 42), WHITE);
    EXPECT_EQ(window.at(947, 20), GREY);
    EXPECT_EQ(window.at(1011, 42), GREY);
    EXPECT_EQ(window.at(948, 19), GREY);
    EXPECT_EQ(window.at(948, 43), GREY);
    // The back buffer is not whitened.
    EXPECT_EQ(back.at(948, 20), GREY);

    // The flag is used up: the next move without it leaves the old marker.
    set_threshold(30600);
    draw_level_meter_on(window.dc, back.dc, 0, threshold); // marker at 1008
    EXPECT_EQ(window.at(988, 22), BLACK);
    EXPECT_EQ(window.at(1008, 22), BLACK);
}

LRESULT CALLBACK plain_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

// A hidden top-level window with a 1200 x 900 client area.
HWND create_hidden_window()
{
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = plain_window_proc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "LevelMeterTestWindow";
    RegisterClassA(&window_class);
    RECT frame = {0, 0, 1200, 900};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    return CreateWindowA("LevelMeterTestWindow", "", WS_OVERLAPPEDWINDOW, 0, 0,
                         frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                         window_class.hInstance, nullptr);
}

TEST_F(LevelMeter, WindowVersionKeepsFrameAndBarInBackBuffer)
{
    HWND hwnd = create_hidden_window();
    ASSERT_NE(hwnd, nullptr);
    create_back_buffer(hwnd, 1200, 900);
    set_threshold(12240);
    draw_level_meter(hwnd, 32767, threshold);
    {
        back_buffer_dc memory;
        EXPECT_EQ(GetPixel(memory.dc, 948, 30), RED);
        EXPECT_EQ(GetPixel(memory.dc, 1010, 30), RED);
        EXPECT_EQ(GetPixel(memory.dc, 972, 30), RED); // no marker in the back buffer
        EXPECT_EQ(GetPixel(memory.dc, 972, 22), WHITE);
        EXPECT_EQ(GetPixel(memory.dc, 1011, 30), WHITE);
    }
    draw_level_meter(hwnd, 0, threshold);
    {
        back_buffer_dc memory;
        EXPECT_EQ(GetPixel(memory.dc, 948, 25), BLACK);
        EXPECT_EQ(GetPixel(memory.dc, 972, 30), WHITE);
    }
    DestroyWindow(hwnd);
}

// The meter update of a captured block draws while the block's own memory
// DC holds the back buffer: the frame and the bar must reach the back
// buffer all the same, so that a repaint with no further blocks (uncovering
// the window, the capture gone) still shows the meter.
TEST_F(LevelMeter, MeterUpdateOfABlockReachesTheBackBuffer)
{
    HWND hwnd = create_hidden_window();
    ASSERT_NE(hwnd, nullptr);
    create_back_buffer(hwnd, 1200, 900);
    static measurement_engine engine;
    engine_init(engine, initial_settings());
    {
        block_drawing drawing(hwnd, false);
        draw_meter_update(drawing, engine, meter_update{true, 32767, LIVE_HISTOGRAMS_FROZEN, false});
    }
    {
        back_buffer_dc memory;
        EXPECT_EQ(GetPixel(memory.dc, 948, 25), RED) << "bar over the frame's corner";
        EXPECT_EQ(GetPixel(memory.dc, 1010, 36), RED);
        EXPECT_EQ(GetPixel(memory.dc, 1011, 30), WHITE);
    }
    {
        block_drawing drawing(hwnd, false);
        draw_meter_update(drawing, engine, meter_update{true, 0, LIVE_HISTOGRAMS_FROZEN, false});
    }
    {
        back_buffer_dc memory;
        EXPECT_EQ(GetPixel(memory.dc, 948, 25), BLACK) << "frame";
        EXPECT_EQ(GetPixel(memory.dc, 1010, 36), BLACK);
        EXPECT_EQ(GetPixel(memory.dc, 980, 30), WHITE) << "empty bar";
    }
    DestroyWindow(hwnd);
}

// The first key-down of a recording blanks the Armed prompt in the back
// buffer: the whole prompt, in whatever font the back buffer's texts come
// out in, whether or not OEM_FIXED_FONT is as large.
TEST(ArmedPrompt, RecordingStartBlanksTheWholePrompt)
{
    HWND hwnd = create_hidden_window();
    ASSERT_NE(hwnd, nullptr);
    create_back_buffer(hwnd, 1200, 900);
    const char prompt[] = "入力待ち    打鍵を始めてください";
    back_buffer_text(180, 260, prompt);
    SIZE extent;
    {
        back_buffer_dc memory;
        GetTextExtentPoint32A(memory.dc, prompt, static_cast<int>(sizeof prompt - 1), &extent);
        int dark = 0;
        for (int y = 260; y < 260 + extent.cy; ++y)
            for (int x = 180; x < 180 + extent.cx; ++x)
                dark += GetPixel(memory.dc, x, y) != WHITE;
        ASSERT_GT(dark, 0) << "the prompt was drawn";
    }
    {
        block_drawing drawing(hwnd, false);
        const engine_display display = block_display(drawing);
        display.recording_started(display.context);
    }
    back_buffer_dc memory;
    int dark = 0;
    for (int y = 260; y < 260 + extent.cy; ++y)
        for (int x = 180; x < 180 + extent.cx; ++x)
            dark += GetPixel(memory.dc, x, y) != WHITE;
    EXPECT_EQ(dark, 0) << "pixels of the prompt left after the blanks";
    DestroyWindow(hwnd);
}

} // namespace
