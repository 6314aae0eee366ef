// The sweep driven step by step as the block processor does (one step per
// 8 samples, clock = samples / 11) into memory DCs, read back by pixel.
#include "win32/display/sweep.h"

#include "tests/windows/test_canvas.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

namespace
{


// A 1145 x 825 surface filled with grey, so that erased ticks (white) can
// be told from pixels never drawn.
struct surface : canvas {
    surface() : canvas(GREY, 1145, 825) {}
    // The 3-pixel tick at (x, y)..(x, y + 2) is all of one colour.
    bool tick(int x, int y, COLORREF colour) const
    {
        return at(x, y) == colour && at(x, y + 1) == colour && at(x, y + 2) == colour;
    }
};

struct sweep_run {
    surface window;
    surface back;
    RECT band;
    uint32_t samples = 0;
    bool double_speed = false;

    sweep_run()
    {
        const RECT client = {0, 0, 1145, 825};
        band = sweep_band_rect(client);
        reset_sweep();
    }
    // Display steps until the clock reaches end_ms, with the key down while
    // key_down(clock) holds.
    void run_until(uint32_t end_ms, const std::function<bool(uint32_t)> &key_down)
    {
        for (;;) {
            samples += 8;
            const uint32_t clock_ms = samples / 11;
            sweep_step(key_down(clock_ms), clock_ms, double_speed, window.dc, back.dc, band);
            if (clock_ms >= end_ms)
                return;
        }
    }
};

bool never(uint32_t)
{
    return false;
}
bool always(uint32_t)
{
    return true;
}

// Column x covers clock 9 (x - 15) .. 9 (x - 15) + 8 on the first row, y 163.
TEST(Sweep, TickKeptOnlyWhereKeyDownWasSeen)
{
    sweep_run run;
    // Key down for the whole of column 18 (clock 27..35).
    run.run_until(100, [](uint32_t clock) { return clock >= 27 && clock < 36; });
    EXPECT_TRUE(run.back.tick(18, 163, BLACK));
    EXPECT_EQ(run.back.at(18, 166), GREY);
    EXPECT_EQ(run.back.at(18, 162), GREY);
    for (int x : {15, 16, 20, 25})
        EXPECT_TRUE(run.back.tick(x, 163, WHITE)) << x;
    // The current column (clock 100) has its tick; the next is not reached.
    EXPECT_TRUE(run.back.tick(26, 163, BLACK));
    EXPECT_EQ(run.back.at(27, 163), GREY);
    // Ticks are drawn into the back buffer only.
    EXPECT_EQ(run.window.at(18, 163), GREY);
    EXPECT_EQ(run.window.at(26, 163), GREY);
}

// A row spans 10 s, or 5 s with double speed; rows are 43 pixels apart.
TEST(Sweep, RowDurationFollowsDoubleSpeed)
{
    struct case_t {
        bool double_speed;
        uint32_t end_ms;
        int current_x;
        int current_y;
    };
    const case_t cases[] = {
        {false, 5000, 5000 / 9 + 15, 163},
        {false, 9999, 1126, 163},
        {false, 10000, 15, 206},
        {true, 2500, 15 + 5000 / 9, 163},
        {true, 4999, 1125, 163},
        {true, 5000, 15, 206},
        {true, 10000, 15, 249},
    };
    for (const case_t &c : cases) {
        SCOPED_TRACE(c.end_ms);
        SCOPED_TRACE(c.double_speed);
        sweep_run run;
        run.double_speed = c.double_speed;
        run.run_until(c.end_ms, always);
        EXPECT_TRUE(run.back.tick(c.current_x, c.current_y, BLACK));
        EXPECT_EQ(run.back.at(c.current_x + 1, c.current_y), GREY);
        // With the key always down the first row is black from column 15 on.
        EXPECT_TRUE(run.back.tick(15, 163, BLACK));
        EXPECT_TRUE(run.back.tick(c.current_y == 163 ? c.current_x - 1 : 1100, 163, BLACK));
    }
}

TEST(Sweep, DoubleSpeedToggleChangesColumnAtOnce)
{
    sweep_run run;
    run.run_until(900, always); // column 115
    EXPECT_TRUE(run.back.tick(115, 163, BLACK));
    run.double_speed = true;
    run.run_until(901, always); // clock 901 doubled: column 215
    EXPECT_TRUE(run.back.tick(215, 163, BLACK));
    EXPECT_EQ(run.back.at(150, 163), GREY);
}

// Rows 1 to 5 lie at y 163..335; each later row start scrolls the band up by
// 43 so that the newest row stays at y 335.
TEST(Sweep, BandScrollsByFortyThreeFromTheSixthRow)
{
    sweep_run run;
    // A mark in the window's band shows the scroll of the window DC.
    SetPixel(run.window.dc, 700, 250, BLACK);
    // Key down through the second row only.
    const auto second_row = [](uint32_t clock) { return clock >= 10000 && clock < 20000; };
    run.run_until(49999, second_row);
    EXPECT_TRUE(run.back.tick(500, 163, WHITE));
    EXPECT_TRUE(run.back.tick(500, 206, BLACK));
    EXPECT_TRUE(run.back.tick(500, 335, WHITE));
    EXPECT_TRUE(run.back.tick(1126, 335, BLACK)); // current column of the fifth row
    EXPECT_EQ(run.window.at(700, 250), BLACK);

    run.run_until(50000, second_row);             // the sixth row starts
    EXPECT_TRUE(run.back.tick(500, 163, BLACK));  // the second row moved up
    EXPECT_TRUE(run.back.tick(500, 206, WHITE));  // the third row moved up
    EXPECT_TRUE(run.back.tick(1126, 292, WHITE)); // the fifth row's last tick, erased
    EXPECT_EQ(run.back.at(500, 120), GREY);       // above the band: not scrolled
    EXPECT_EQ(run.window.at(700, 207), BLACK);
    EXPECT_EQ(run.window.at(700, 250), GREY);
    // The newest row's strip y 330..339 is white across the band on both
    // DCs (below it the band keeps what it had), and no tick is drawn at the
    // scrolling step.
    for (const surface *s : {&run.back, &run.window}) {
        EXPECT_EQ(s->at(0, 330), WHITE);
        EXPECT_EQ(s->at(1144, 339), WHITE);
        EXPECT_EQ(s->at(15, 335), WHITE);
        EXPECT_EQ(s->at(600, 340), GREY);
    }

    // Key down early in the sixth row: its ticks stay at y 335 ...
    const auto early_sixth_row = [](uint32_t clock) { return clock >= 50000 && clock < 50100; };
    run.run_until(50200, early_sixth_row);
    EXPECT_TRUE(run.back.tick(16, 335, BLACK));
    EXPECT_TRUE(run.back.tick(25, 335, BLACK));
    EXPECT_TRUE(run.back.tick(30, 335, WHITE));
    // ... until the seventh row moves them up by 43.
    run.run_until(60000, early_sixth_row);
    EXPECT_TRUE(run.back.tick(25, 292, BLACK));
    EXPECT_TRUE(run.back.tick(25, 335, WHITE));
    EXPECT_TRUE(run.back.tick(500, 163, WHITE)); // the third row, now first
}

TEST(Sweep, ResetStartsAgainOnTheFirstRow)
{
    sweep_run run;
    run.run_until(70000, never);
    reset_sweep();
    run.samples = 0;
    run.run_until(20, always);
    EXPECT_TRUE(run.back.tick(15, 163, BLACK));
    EXPECT_TRUE(run.back.tick(17, 163, BLACK));
}

} // namespace
