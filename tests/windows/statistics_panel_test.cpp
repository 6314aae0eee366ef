// The statistics panel drawn into a memory bitmap and read back pixel by
// pixel: ratio bars, markers, and the texts in their normal and failure
// forms, compared with the same texts rendered in the same font.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <vector>

#include "core/analysis/statistics.h"
#include "core/display/statistics_texts.h"
#include "tests/windows/test_canvas.h"
#include "win32/display/statistics_panel.h"

namespace
{

constexpr int WIDTH = 1200;
constexpr int HEIGHT = 720;

struct placed_text {
    int x;
    int y;
    const char *text;
};

// A white canvas with the given texts at their places, in the panel's font:
// what the text area must look like.
void render_expected(canvas &c, const std::vector<placed_text> &texts)
{
    SelectObject(c.dc, GetStockObject(OEM_FIXED_FONT));
    for (const placed_text &t : texts)
        TextOutA(c.dc, t.x, t.y, t.text, static_cast<int>(std::strlen(t.text)));
}

// Pixels that differ between the two canvases in the area x0..x1, y0..y1.
int differing_pixels(const canvas &a, const canvas &b, int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

// Ten dots of 60 ms, ten dashes of about 180 ms and gaps of about 60 ms.
keying_statistics worked_example()
{
    keying_statistics s = {};
    s.decision_time_ms = 140;
    s.mean_dot_ms = 60.0;
    s.mean_dash_ms = 180.0;
    s.dash_deviation_ms = 2.45;
    s.mean_gap_ms = 60.04;
    s.gap_deviation_ms = 12.26;
    s.dot_count = 10;
    s.dash_count = 10;
    s.keying_seconds = 3;
    return s;
}

TEST(StatisticsPanel, RatioBarsPlacedByMeanDotLength)
{
    auto s = std::make_unique<keying_statistics>(worked_example());
    // Mark row: its largest counter from class 5 on is 10 (class 301, which
    // lies beyond five dot lengths and is not drawn itself).
    s->mark_length_histogram[2] = 50;   // below class 5, above 10: full height
    s->mark_length_histogram[60] = 10;  // one dot length
    s->mark_length_histogram[180] = 3;  // three dot lengths
    s->mark_length_histogram[300] = 5;  // exactly five dot lengths: the axis end
    s->mark_length_histogram[301] = 10; // beyond the axis
    s->mark_length_histogram[500] = 9;
    // Space row: class 0 is never drawn; its largest counter from 5 on is 4.
    s->space_length_histogram[0] = 7;
    s->space_length_histogram[1] = 7;   // x 1.67 -> 1
    s->space_length_histogram[90] = 4;  // x 150
    s->space_length_histogram[100] = 1; // x 166.67 -> 166

    canvas c(WHITE);
    draw_statistics_panel(c.dc, *s, 40, 5, true);

    struct bar {
        int x;
        int base;
        int height;
    };
    const bar bars[] = {
        {613, 630, 100}, {710, 630, 100}, {910, 630, 30}, {1110, 630, 50},
        {611, 510, 100}, {760, 510, 100}, {776, 510, 25},
    };
    for (const bar &b : bars) {
        SCOPED_TRACE(b.x);
        EXPECT_EQ(c.count_in_column(b.x, b.base - 110, b.base, RED), b.height);
    }
    const int expected_red = 100 + 100 + 30 + 50 + 100 + 100 + 25;
    EXPECT_EQ(c.count_in_area(600, 400, 1144, 630, RED), expected_red);
    EXPECT_EQ(c.count_in_column(610, 400, 510, RED), 0);
}

TEST(StatisticsPanel, MarkersUnderTheMarkAxis)
{
    keying_statistics s = {};
    s.mean_dot_ms = 60.9;      // truncated to 60: x 140
    s.mean_dash_ms = 180.2;    // x 260
    s.decision_time_ms = 1002; // no dot peak: x 1082, inside the ratio area
    s.statistics_failed = true;
    canvas c(WHITE);
    draw_statistics_panel(c.dc, s, 40, 5, true);

    for (int x : {140, 260, 1082}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(c.count_in_column(x, 630, 639, RED), 10);
        EXPECT_NE(c.pixel(x, 640), RED);
        EXPECT_NE(c.pixel(x, 629), RED);
    }
    EXPECT_EQ(c.count_in_area(0, 620, 1144, 650, RED), 30);
}

TEST(StatisticsPanel, NoBarsWithoutMeanDotLengthOrCounters)
{
    struct row {
        const char *name;
        double mean_dot_ms;
        int32_t mark_class_3; // below class 5: does not set the scale
        int32_t mark_class_60;
        int32_t space_class_60;
        int mark_red;
        int space_red;
    };
    const row rows[] = {
        {"no dot measured", 0.0, 5, 10, 10, 0, 0},
        {"empty mark row", 60.0, 5, 0, 10, 0, 100},
        {"both rows", 60.0, 0, 10, 10, 100, 100},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.name);
        auto s = std::make_unique<keying_statistics>();
        s->mean_dot_ms = r.mean_dot_ms;
        s->mark_length_histogram[3] = r.mark_class_3;
        s->mark_length_histogram[60] = r.mark_class_60;
        s->space_length_histogram[60] = r.space_class_60;
        canvas c(WHITE);
        draw_statistics_panel(c.dc, *s, 40, 5, true);
        EXPECT_EQ(c.count_in_area(600, 525, 1144, 630, RED), r.mark_red);
        EXPECT_EQ(c.count_in_area(600, 405, 1144, 510, RED), r.space_red);
    }
}

// The texts themselves are worked out by the core's formatter (its own tests
// check every text and place); here the panel shows exactly those texts at
// their places, in the panel's font, over a cleared panel.
TEST(StatisticsPanel, DrawsTheFormattedTextsAtTheirPlaces)
{
    for (int variant = 0; variant < 4; variant++) {
        const bool failed = variant & 1;
        const bool saved = variant & 2;
        SCOPED_TRACE(variant);
        keying_statistics s = worked_example();
        s.statistics_failed = failed;
        canvas c(DARK_GREEN);
        draw_statistics_panel(c.dc, s, 41, 5, saved);

        panel_text texts[MAX_PANEL_TEXTS];
        const int count = format_statistics_texts(s, 41, 5, saved, texts);
        ASSERT_EQ(count, failed ? (saved ? 8 : 9) : 13);
        std::vector<placed_text> placed;
        for (int i = 0; i < count; ++i)
            placed.push_back({texts[i].x, texts[i].y, texts[i].text});
        canvas expected(WHITE);
        render_expected(expected, placed);
        // The whole panel above the histogram band, cleared and written.
        EXPECT_EQ(differing_pixels(c, expected, 0, 152, 1144, 389), 0);
    }
}

TEST(StatisticsPanel, RatioAxesAndCaptions)
{
    const keying_statistics s = {};
    canvas c(WHITE);
    draw_statistics_panel(c.dc, s, 40, 5, true);

    for (int base : {630, 510}) {
        SCOPED_TRACE(base);
        EXPECT_EQ(c.count_in_area(611, base, 1110, base, BLACK), 500);
        EXPECT_EQ(c.count_in_column(610, base - 99, base, BLACK), 100);
        for (int j = 1; j <= 5; ++j) {
            EXPECT_EQ(c.count_in_column(j * 100 + 560, base + 1, base + 8, BLACK), 3);
            EXPECT_EQ(c.count_in_column(j * 100 + 610, base + 1, base + 8, BLACK), 6);
        }
    }
    canvas expected(WHITE);
    render_expected(expected, {
                                  {700, 640, " 1"},
                                  {800, 640, " 2"},
                                  {900, 640, " 3"},
                                  {1000, 640, " 4"},
                                  {1100, 640, " 5"},
                                  {820, 653, "点長比分布"},
                                  {300, 653, "時間分布"},
                                  {570, 655, "[ms]"},
                              });
    EXPECT_EQ(differing_pixels(c, expected, 290, 640, 1144, 700), 0);
}

} // namespace
