// Where the main window's panels put things: the level meter, the live and
// ratio histogram scales, the sweep and the decoded text cursor. The Win32
// drawing code only draws what these say.
#include "core/display/histogram_scale.h"
#include "core/display/level_meter_scale.h"
#include "core/display/sweep_track.h"
#include "core/display/text_cursor.h"

#include <gtest/gtest.h>

#include <vector>

TEST(LevelMeterScale, BarMarkerAndColourFollowTheirLevels)
{
    const struct {
        int32_t peak;
        int bar_right;
        bool red;
    } bars[] = {
        {0, 948, false},    {511, 948, false},    {512, 949, false},
        {32766, 1011, false}, // 63 pixels, still blue
        {32767, 1011, true},  // full scale: red
    };
    for (const auto &b : bars) {
        EXPECT_EQ(meter_bar_right(b.peak), b.bar_right) << b.peak;
        EXPECT_EQ(meter_full_scale(b.peak), b.red) << b.peak;
    }
    const struct {
        int32_t threshold;
        int x;
    } markers[] = {{510, 949}, {11982, 971}, {12240, 972}, {31875, 1010}};
    for (const auto &m : markers)
        EXPECT_EQ(threshold_marker_x(m.threshold), m.x) << m.threshold;
}

TEST(HistogramScale, LinearUpTo100CountsThenLogarithmic)
{
    // Pixels per count by k = (2m - 1) / 10, and the label 100 / f.
    const struct {
        int32_t peak;
        int pixels_per_count;
        int label;
    } linear[] = {
        {0, 20, 5},  {1, 20, 5},  {5, 20, 5},  {6, 10, 10},   {10, 10, 10},
        {11, 6, 16}, {15, 6, 16}, {16, 5, 20}, {20, 5, 20},   {21, 4, 25},
        {25, 4, 25}, {26, 3, 33}, {30, 3, 33}, {31, 2, 50},   {50, 2, 50},
        {51, 1, 100}, {100, 1, 100},
    };
    for (const auto &c : linear) {
        const graph_scale scale = scale_for_peak(c.peak);
        EXPECT_FALSE(scale.logarithmic) << c.peak;
        EXPECT_EQ(scale.pixels_per_count, c.pixels_per_count) << c.peak;
        EXPECT_EQ(full_height_count(scale), c.label) << c.peak;
    }
    EXPECT_TRUE(scale_for_peak(101).logarithmic);
    EXPECT_TRUE(scale_for_peak(100000).logarithmic);
}

TEST(HistogramScale, BarTopsOnBothScales)
{
    const graph_scale six = scale_for_peak(15);
    EXPECT_EQ(bar_top(630, six, 1), 624);
    EXPECT_EQ(bar_top(510, six, 15), 420);
    const graph_scale log_scale = scale_for_peak(500);
    const struct {
        int32_t counter;
        int top;
    } log_bars[] = {
        {1, 630}, {10, 630},          // no visible bar up to 10
        {11, 628},                    // 630 + 50 - trunc(52.07)
        {100, 580}, {999, 531},       // 50 pixels at 100; 149.98 truncates to 149
        {1000, 530}, {1001, 530}, {50000, 530},
    };
    for (const auto &b : log_bars)
        EXPECT_EQ(bar_top(630, log_scale, b.counter), b.top) << b.counter;
}

TEST(RatioHistogramScale, ClassesPlacedByMeanDotLengthUpToFiveDots)
{
    int offset = -1;
    // A class exactly five mean dot lengths long is drawn at the axis end.
    EXPECT_TRUE(ratio_bar_offset(300, 60.0, &offset));
    EXPECT_EQ(offset, 500);
    EXPECT_FALSE(ratio_bar_offset(301, 60.0, &offset));
    EXPECT_TRUE(ratio_bar_offset(60, 60.0, &offset));
    EXPECT_EQ(offset, 100);
    EXPECT_TRUE(ratio_bar_offset(0, 60.0, &offset));
    EXPECT_EQ(offset, 0);
    // 100 / 61 x 100 = 163.9: truncated.
    EXPECT_TRUE(ratio_bar_offset(100, 61.0, &offset));
    EXPECT_EQ(offset, 163);
    // Truncated before the comparison: a class between five and five and a
    // hundredth dot lengths is still drawn at the axis end.
    EXPECT_TRUE(ratio_bar_offset(300, 59.9, &offset)); // 500.83
    EXPECT_EQ(offset, 500);
    EXPECT_FALSE(ratio_bar_offset(301, 59.9, &offset)); // 502.5
    EXPECT_FALSE(ratio_bar_offset(501, 100.0, &offset));
    // A tiny mean puts everything beyond the axis without overflowing.
    EXPECT_FALSE(ratio_bar_offset(500, 1e-300, &offset));
}

TEST(RatioHistogramScale, HeightsRelativeToTheLargestFromFiveMilliseconds)
{
    std::vector<int32_t> row(501, 0);
    row[2] = 90; // clicks shorter than 5 ms do not set the scale
    row[60] = 30;
    row[180] = 10;
    row[500] = 3;
    EXPECT_EQ(ratio_row_largest(row.data()), 30);
    EXPECT_EQ(ratio_bar_height(30, 30), 100);
    EXPECT_EQ(ratio_bar_height(10, 30), 33);
    EXPECT_EQ(ratio_bar_height(90, 30), 100); // capped at full height
    row[4] = 1000;
    EXPECT_EQ(ratio_row_largest(row.data()), 30);
    row[5] = 31;
    EXPECT_EQ(ratio_row_largest(row.data()), 31);
}

TEST(SweepTrack, ColumnIsNineMillisecondsOrFourAndAHalfAtDoubleSpeed)
{
    const struct {
        uint32_t clock;
        bool double_speed;
        int column;
    } cases[] = {
        {0, false, 15},     {8, false, 15},        {9, false, 16},     {9999, false, 1126},
        {10000, false, 15}, {19999, false, 1126},  {4, true, 15},      {5, true, 16},
        {9, true, 17},
        {4999, true, 1125}, {5000, true, 15},
        // The doubled clock wraps at 2^32 and keeps its remainder.
        {0x80000000u, true, 15 + (0u % 10000) / 9},
        {0x80001000u, true, 15 + (0x2000u % 10000) / 9},
    };
    for (const auto &c : cases)
        EXPECT_EQ(sweep_column(c.clock, c.double_speed), c.column) << c.clock;
}

TEST(SweepTrack, RowsStartEveryTenSecondsAndScrollAfterTheFifth)
{
    sweep_track t;
    sweep_track_init(t);
    std::vector<int> draw_rows;
    int scrolls = 0;
    // One step per column start, the key always down, for 70 s.
    for (uint32_t clock = 0; clock < 70000; clock += 9) {
        const sweep_actions a = sweep_track_step(t, true, clock, false);
        scrolls += a.scroll;
        EXPECT_FALSE(a.erase_tick) << clock; // key down in every column
        if (a.draw_tick && a.draw_x == 16)
            draw_rows.push_back(a.draw_y);
    }
    // Rows at 163, 206, 249, 292, 335; then the band scrolls at every row
    // start and the new row stays at 335.
    EXPECT_EQ(draw_rows, (std::vector<int>{163, 206, 249, 292, 335, 335, 335}));
    EXPECT_EQ(scrolls, 2);
}

TEST(SweepTrack, TickOfAColumnWithoutKeyDownIsErasedWhenLeft)
{
    // A step every millisecond. The step that enters a column draws its tick
    // and judges the column left behind by what the steps since the last
    // tick saw: column 15 (clock 0..8) with the key down is kept, column 16
    // (clock 9..17) with the key up is erased when the sweep enters 17.
    sweep_track t;
    sweep_track_init(t);
    std::vector<sweep_actions> steps;
    for (uint32_t clock = 0; clock < 27; clock++)
        steps.push_back(sweep_track_step(t, clock < 9, clock, false));
    EXPECT_TRUE(steps[0].draw_tick);
    EXPECT_EQ(steps[0].draw_x, 15);
    EXPECT_EQ(steps[0].draw_y, 163);
    EXPECT_FALSE(steps[9].erase_tick);
    EXPECT_TRUE(steps[9].draw_tick);
    EXPECT_EQ(steps[9].draw_x, 16);
    for (uint32_t clock : {1u, 8u, 10u, 17u})
        EXPECT_FALSE(steps[clock].draw_tick || steps[clock].erase_tick) << clock;
    EXPECT_TRUE(steps[18].erase_tick);
    EXPECT_EQ(steps[18].erase_x, 16);
    EXPECT_EQ(steps[18].erase_y, 163);
    EXPECT_EQ(steps[18].draw_x, 17);
}

TEST(SweepTrack, AfterAScrollTheLastTickIsErasedOneRowHigher)
{
    // Six rows with the key down (the sixth after the first scroll, at y
    // 335), then the key up from the last column of the sixth row on: that
    // column is left with no key-down seen as the band scrolls again.
    sweep_track t;
    sweep_track_init(t);
    for (uint32_t clock = 0; clock < 59999; clock++)
        sweep_track_step(t, true, clock, false);
    sweep_track_step(t, false, 59999, false); // enters column 1126
    const sweep_actions a = sweep_track_step(t, false, 60000, false);
    EXPECT_TRUE(a.scroll);
    ASSERT_TRUE(a.erase_tick);
    EXPECT_EQ(a.erase_x, 1126);
    EXPECT_EQ(a.erase_y, 335 - 43);
    EXPECT_FALSE(a.draw_tick); // the row start after a scroll draws no tick
}

TEST(SweepTrack, ResetStartsAboveTheFirstRowAndKeepsTheLastY)
{
    sweep_track t;
    sweep_track_init(t);
    for (uint32_t clock = 0; clock < 25000; clock += 9)
        sweep_track_step(t, true, clock, false);
    const int last_y = t.last_y;
    sweep_track_reset(t);
    EXPECT_EQ(t.y, 120);
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.last_x, 0);
    EXPECT_EQ(t.last_y, last_y);
    EXPECT_FALSE(t.mark_seen);
    // The first step whitens a harmless tick at x 0 of the old row.
    const sweep_actions a = sweep_track_step(t, false, 0, false);
    EXPECT_TRUE(a.erase_tick);
    EXPECT_EQ(a.erase_x, 0);
    EXPECT_EQ(a.erase_y, last_y);
    EXPECT_EQ(a.draw_y, 163);
}

TEST(TextCursor, NormalLineWrapsAfterThe121stCharacterAndScrollsOnTheThird)
{
    text_cursor c;
    text_cursor_init(c);
    const decoded_text_layout &normal = normal_text_layout();
    EXPECT_EQ(normal.scroll_step, 18);
    EXPECT_EQ(normal.row_after_scrolling, 38);
    std::vector<text_placement> placed;
    for (int i = 0; i < 3 * 121 + 1; i++)
        placed.push_back(text_cursor_place(c, 1));
    EXPECT_EQ(placed[0].x, 28);
    EXPECT_EQ(placed[0].y, 90);
    EXPECT_EQ(placed[120].x, 28 + 9 * 120); // the 121st character, still line 1
    EXPECT_EQ(placed[120].y, 90);
    EXPECT_EQ(placed[121].x, 28);
    EXPECT_EQ(placed[121].y, 109);
    EXPECT_EQ(placed[242].y, 128);
    for (int i = 0; i < 3 * 121; i++)
        EXPECT_EQ(placed[i].scroll, i == 3 * 121 - 1) << i;
    // After the scroll the fourth line is written at y 90 + 38.
    EXPECT_EQ(placed[363].y, 128);
    EXPECT_EQ(placed[363].x, 28);
}

TEST(TextCursor, LargeLayoutAndMultiByteTexts)
{
    text_cursor c;
    text_cursor_init(c);
    text_cursor_select_layout(c, true);
    const decoded_text_layout &large = large_text_layout();
    EXPECT_EQ(large.font_height, 24);
    // Three-byte prosigns move on by three advances: 14 x 3.
    EXPECT_EQ(text_cursor_place(c, 3).x, 28);
    EXPECT_EQ(text_cursor_place(c, 1).x, 28 + 42);
    // 1078 pixels is the nominal line; the wrap follows the drawing.
    for (int i = 0; i < 73; i++)
        text_cursor_place(c, 1);
    EXPECT_EQ(c.column, 14 * 77);
    text_placement p = text_cursor_place(c, 1);
    EXPECT_EQ(p.x, 28 + 14 * 77);
    EXPECT_EQ(c.row, 24);
    EXPECT_FALSE(p.scroll);
    for (int i = 0; i < 78; i++)
        p = text_cursor_place(c, 1);
    EXPECT_TRUE(p.scroll); // two lines before scrolling
    EXPECT_EQ(c.row, 27);
    text_cursor_reset(c);
    EXPECT_EQ(text_cursor_place(c, 1).y, 90);
    EXPECT_EQ(c.layout, &large);
}
