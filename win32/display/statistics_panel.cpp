#include "win32/display/statistics_panel.h"


#include "core/cp932_literals.h"
#include "core/display/histogram_scale.h"
#include "core/display/panel_geometry.h"
#include "core/display/statistics_texts.h"
#include "win32/common/gdi.h"
#include "win32/display/graph_axis.h"

namespace
{

namespace panel_texts
{
constexpr const char *ratio_caption = "点長比分布";
constexpr const char *time_caption = "時間分布";
constexpr const char *ms_caption = "[ms]";
} // namespace panel_texts

// One row of red ratio bars, from first_class on. Nothing is drawn (and
// nothing divided) when the mean dot length or the row's largest counter is
// zero.
void draw_ratio_row(HDC dc, int base, const int32_t *histogram, int first_class, double mean_dot_ms)
{
    const int32_t largest = ratio_row_largest(histogram);
    if (largest == 0 || !(mean_dot_ms > 0.0))
        return;
    for (int i = first_class; i < LENGTH_HISTOGRAM_SIZE; ++i) {
        int offset = 0;
        if (!ratio_bar_offset(i, mean_dot_ms, &offset))
            continue;
        const int x = RATIO_AXIS_LEFT + offset;
        draw_line(dc, x, base, x, base - ratio_bar_height(histogram[i], largest));
    }
}

void draw_marker(HDC dc, int value_ms)
{
    draw_line(dc, TIME_AXIS_LEFT + value_ms, MARK_GRAPH_BASE, TIME_AXIS_LEFT + value_ms,
              MARK_GRAPH_BASE + 10);
}

// The statistics texts, formatted by the same code that the command-line
// analysis prints them with.
void draw_texts(HDC dc, const keying_statistics &stats, int32_t timeline_count,
                int measured_seconds, bool keying_file_saved)
{
    panel_text texts[MAX_PANEL_TEXTS];
    const int count =
        format_statistics_texts(stats, timeline_count, measured_seconds, keying_file_saved, texts);
    for (int i = 0; i < count; ++i)
        draw_text(dc, texts[i].x, texts[i].y, texts[i].text);
}

} // namespace

void draw_statistics_panel(HDC dc, const keying_statistics &stats, int32_t timeline_count,
                           int measured_seconds, bool keying_file_saved)
{
    selected_stock_object white_brush(dc, WHITE_BRUSH);
    selected_stock_object fixed_font(dc, OEM_FIXED_FONT);
    {
        selected_pen white(dc, COLOUR_WHITE);
        draw_rectangle(dc, STATISTICS_PANEL_AREA);
    }
    {
        selected_pen black(dc, COLOUR_BLACK);
        // Ticks every half mean dot length, long ones at the whole ones,
        // labelled under the mark axis.
        draw_graph_axis(dc, RATIO_AXIS_LEFT, MARK_GRAPH_BASE, "%2d", 1);
        draw_graph_axis(dc, RATIO_AXIS_LEFT, SPACE_GRAPH_BASE, nullptr, 0);
        draw_text(dc, 820, 653, panel_texts::ratio_caption);
        draw_text(dc, 300, 653, panel_texts::time_caption);
        draw_text(dc, 570, 655, panel_texts::ms_caption);
    }
    selected_pen red(dc, COLOUR_RED);
    // Space lengths are measured in mean dot lengths too; the leading space
    // (class 0 of an empty row) is never drawn.
    draw_ratio_row(dc, MARK_GRAPH_BASE, stats.mark_length_histogram, 0, stats.mean_dot_ms);
    draw_ratio_row(dc, SPACE_GRAPH_BASE, stats.space_length_histogram, 1, stats.mean_dot_ms);
    draw_marker(dc, static_cast<int>(stats.mean_dot_ms));
    draw_marker(dc, static_cast<int>(stats.mean_dash_ms));
    draw_marker(dc, stats.decision_time_ms);

    draw_texts(dc, stats, timeline_count, measured_seconds, keying_file_saved);
}
