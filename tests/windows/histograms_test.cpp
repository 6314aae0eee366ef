// The live histograms drawn into a memory bitmap and read back pixel by
// pixel: scales, bars, labels, the elapsed-time line and the once-only
// statistics redraw after a stop.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <vector>

#include "tests/windows/test_canvas.h"
#include "core/analysis/timeline.h"
#include "win32/display/histograms.h"

namespace
{

constexpr int WIDTH = 1200;
constexpr int HEIGHT = 720;

// Whether the area a text of the OEM fixed font covers at (x, y) holds
// exactly that text, compared with the same text rendered on white.
bool shows_text(const canvas &drawn, int x, int y, const char *text)
{
    canvas expected(WHITE);
    SelectObject(expected.dc, GetStockObject(OEM_FIXED_FONT));
    const int length = static_cast<int>(std::strlen(text));
    TextOutA(expected.dc, x, y, text, length);
    SIZE size;
    GetTextExtentPoint32A(expected.dc, text, length, &size);
    for (int yy = y; yy < y + size.cy; ++yy)
        for (int xx = x; xx < x + size.cx; ++xx)
            if (drawn.pixel(xx, yy) != expected.pixel(xx, yy))
                return false;
    return true;
}

constexpr bool BARS = true;       // recording
constexpr bool AXES_ONLY = false; // waiting for the first key-down

std::unique_ptr<keying_timeline> empty_timeline()
{
    auto t = std::make_unique<keying_timeline>();
    timeline_reset(*t);
    return t;
}

// A bar's height: the blue pixels in its column from the graph's top margin
// to the baseline (the other graph lies outside).
int bar_height(const canvas &c, int x, int base)
{
    return c.count_in_column(x, base - 110, base, BLUE);
}

TEST(LiveHistograms, LinearScaleFollowsEachGraphsPeak)
{
    struct row {
        int32_t peak;
        int pixels_per_count;
        const char *label; // "%3d" of the count a full-height bar stands for
    };
    // The scale itself is worked out in the core (HistogramScale); here the
    // bars and labels of a few scales as drawn.
    const row rows[] = {{5, 20, "  5"}, {11, 6, " 16"}, {30, 3, " 33"}, {100, 1, "100"}};
    for (const row &r : rows) {
        SCOPED_TRACE(r.peak);
        auto t = empty_timeline();
        // The MARK graph gets the peak under test, the SPACE graph a peak of
        // 15, so each must use its own factor.
        t->mark_histogram[100] = r.peak;
        t->mark_histogram[104] = 1;
        t->mark_histogram_peak = r.peak;
        t->space_histogram[200] = 15;
        t->space_histogram_peak = 15;
        canvas c(WHITE);
        draw_live_histograms(c.dc, *t, 0, BARS);

        EXPECT_EQ(bar_height(c, 180, 630), r.peak * r.pixels_per_count);
        EXPECT_EQ(bar_height(c, 184, 630), r.pixels_per_count);
        EXPECT_EQ(bar_height(c, 280, 510), 90);
        EXPECT_TRUE(shows_text(c, 45, 520, r.label));
        EXPECT_TRUE(shows_text(c, 45, 400, " 16"));
        // The scale tick at the top of each graph.
        EXPECT_EQ(c.count_in_area(76, 530, 79, 530, BLACK), 4);
        EXPECT_EQ(c.count_in_area(76, 410, 79, 410, BLACK), 4);
    }
}

TEST(LiveHistograms, LogarithmicScaleAbovePeakOfHundred)
{
    struct row {
        int32_t counter;
        int height; // 50 * log10(counter) - 50, truncated; 0 up to 10, 100 above 1000
    };
    const row rows[] = {{1, 0},    {10, 0},     {11, 2},     {100, 50},  {316, 74},
                        {999, 99}, {1000, 100}, {1001, 100}, {5000, 100}};
    auto t = empty_timeline();
    int index = 0;
    for (const row &r : rows) {
        t->mark_histogram[index] = r.counter;
        t->space_histogram[index] = r.counter;
        index += 4;
    }
    t->mark_histogram_peak = 5000;
    t->space_histogram_peak = 101;
    canvas c(WHITE);
    draw_live_histograms(c.dc, *t, 0, BARS);

    index = 0;
    for (const row &r : rows) {
        SCOPED_TRACE(r.counter);
        EXPECT_EQ(bar_height(c, 80 + index, 630), r.height);
        EXPECT_EQ(bar_height(c, 80 + index, 510), r.height);
        index += 4;
    }
    EXPECT_TRUE(shows_text(c, 46, 572, "100"));
    EXPECT_TRUE(shows_text(c, 38, 522, "1000"));
    EXPECT_TRUE(shows_text(c, 46, 452, "100"));
    EXPECT_TRUE(shows_text(c, 38, 402, "1000"));
    for (int y : {580, 530, 460, 410})
        EXPECT_EQ(c.count_in_area(76, y, 79, y, BLACK), 4) << y;
}

TEST(LiveHistograms, LongDurationsEndAtTheAxisEnd)
{
    auto t = empty_timeline();
    timeline_append_space(*t, 0);
    timeline_append_mark(*t, 750);
    timeline_append_space(*t, 500);
    timeline_append_mark(*t, 499);
    canvas c(WHITE);
    draw_live_histograms(c.dc, *t, 0, BARS);

    EXPECT_EQ(bar_height(c, 580, 630), 20);
    EXPECT_EQ(bar_height(c, 576, 630), 20); // 499 ms counts at 496
    EXPECT_EQ(bar_height(c, 580, 510), 20);
    EXPECT_EQ(bar_height(c, 80, 510), 20); // the leading space of 0 ms
    EXPECT_EQ(c.count_in_area(581, 400, 700, 640, BLUE), 0);
}

TEST(LiveHistograms, ElapsedTimeLineWhileRecording)
{
    auto t = empty_timeline();
    t->timeline_count = 41;
    canvas c(WHITE);
    draw_live_histograms(c.dc, *t, 12999, BARS);
    EXPECT_TRUE(shows_text(c, 10, 367, "経過時間  12 [秒]  打鍵数   20 [個]"));
}

TEST(LiveHistograms, WaitingPhaseClearsTheBandAndDrawsAxesOnly)
{
    auto t = empty_timeline();
    t->mark_histogram[100] = 3;
    t->mark_histogram_peak = 3;
    t->space_histogram[100] = 3;
    t->space_histogram_peak = 3;
    t->timeline_count = 41;
    canvas c(DARK_GREEN);
    draw_live_histograms(c.dc, *t, 5000, AXES_ONLY);

    // The band (0,370)-(1145,675) is white except for the drawing; outside
    // it nothing changed.
    EXPECT_EQ(c.pixel(0, 370), WHITE);
    EXPECT_EQ(c.pixel(1144, 674), WHITE);
    EXPECT_EQ(c.pixel(1000, 500), WHITE);
    EXPECT_EQ(c.pixel(1145, 500), DARK_GREEN);
    EXPECT_EQ(c.pixel(500, 675), DARK_GREEN);
    EXPECT_EQ(c.pixel(500, 369), DARK_GREEN);
    EXPECT_EQ(c.count_in_area(0, 0, WIDTH - 1, HEIGHT - 1, BLUE), 0);
    // No elapsed-time line: its row keeps the old colour left of the band.
    EXPECT_EQ(c.count_in_area(10, 367, 300, 369, DARK_GREEN), 291 * 3);

    // Axes of both graphs and their ticks: short ones 4 pixels at 50 ms
    // steps, long ones 7 pixels at the hundreds.
    for (int base : {630, 510}) {
        SCOPED_TRACE(base);
        EXPECT_EQ(c.count_in_area(81, base, 580, base, BLACK), 500);
        EXPECT_EQ(c.count_in_column(80, base - 99, base, BLACK), 100);
        for (int j = 1; j <= 5; ++j) {
            EXPECT_EQ(c.count_in_column(j * 100 + 30, base + 1, base + 8, BLACK), 3);
            EXPECT_EQ(c.count_in_column(j * 100 + 80, base + 1, base + 8, BLACK), 6);
        }
    }
    EXPECT_TRUE(shows_text(c, 20, 600, "MARK"));
    EXPECT_TRUE(shows_text(c, 20, 480, "SPACE"));
    EXPECT_TRUE(shows_text(c, 170, 640, "100"));
    EXPECT_TRUE(shows_text(c, 570, 640, "500"));
    EXPECT_TRUE(shows_text(c, 45, 520, "  5"));
}

} // namespace
