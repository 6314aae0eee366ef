#include "win32/display/histograms.h"

#include <cstdio>

#include "core/analysis/statistics.h"
#include "core/cp932_literals.h"
#include "core/display/histogram_scale.h"
#include "core/display/panel_geometry.h"
#include "win32/common/gdi.h"
#include "win32/display/graph_axis.h"

namespace
{

constexpr const char *MARK_CAPTION = "MARK";
constexpr const char *SPACE_CAPTION = "SPACE";
constexpr const char *ELAPSED_FORMAT = "経過時間 %3d [秒]  打鍵数 %4d [個]";

void draw_label(HDC dc, int x, int y, int value)
{
    char text[300];
    std::snprintf(text, sizeof text, "%3d", value);
    draw_text(dc, x, y, text);
}

// The count scale at the left of one graph.
void draw_count_scale(HDC dc, int base, const graph_scale &scale)
{
    if (!scale.logarithmic) {
        const int top = base - GRAPH_HEIGHT;
        draw_line(dc, TIME_AXIS_LEFT, top, TIME_AXIS_LEFT - 5, top);
        draw_label(dc, 45, top - 10, full_height_count(scale));
        return;
    }
    draw_line(dc, TIME_AXIS_LEFT, base - 50, TIME_AXIS_LEFT - 5, base - 50);
    draw_label(dc, 46, base - 58, 100);
    draw_line(dc, TIME_AXIS_LEFT, base - 100, TIME_AXIS_LEFT - 5, base - 100);
    draw_label(dc, 38, base - 108, 1000);
}

void draw_bars(HDC dc, int base, const graph_scale &scale, const int32_t *histogram)
{
    for (int i = 0; i < HISTOGRAM_COUNTERS; ++i) {
        if (histogram[i] != 0)
            draw_line(dc, TIME_AXIS_LEFT + i, base, TIME_AXIS_LEFT + i,
                      bar_top(base, scale, histogram[i]));
    }
}

} // namespace

void draw_live_histograms(HDC dc, const keying_timeline &t, uint32_t measurement_clock_ms,
                          bool with_bars)
{
    selected_stock_object white_brush(dc, WHITE_BRUSH);
    selected_stock_object fixed_font(dc, OEM_FIXED_FONT);
    {
        selected_pen white(dc, COLOUR_WHITE);
        draw_rectangle(dc, LIVE_HISTOGRAM_AREA);
    }

    const graph_scale mark_scale = scale_for_peak(t.mark_histogram_peak);
    const graph_scale space_scale = scale_for_peak(t.space_histogram_peak);
    {
        selected_pen black(dc, COLOUR_BLACK);
        // Ticks every 50 ms, long ones at the hundreds; the millisecond
        // labels under the MARK axis serve both graphs.
        draw_text(dc, 20, 600, MARK_CAPTION);
        draw_graph_axis(dc, TIME_AXIS_LEFT, MARK_GRAPH_BASE, "%3d", 100);
        draw_text(dc, 20, 480, SPACE_CAPTION);
        draw_graph_axis(dc, TIME_AXIS_LEFT, SPACE_GRAPH_BASE, nullptr, 0);
        draw_count_scale(dc, MARK_GRAPH_BASE, mark_scale);
        draw_count_scale(dc, SPACE_GRAPH_BASE, space_scale);
    }
    if (!with_bars)
        return;

    {
        selected_pen blue(dc, COLOUR_BLUE);
        draw_bars(dc, MARK_GRAPH_BASE, mark_scale, t.mark_histogram);
        draw_bars(dc, SPACE_GRAPH_BASE, space_scale, t.space_histogram);
    }
    char text[300];
    std::snprintf(text, sizeof text, ELAPSED_FORMAT, static_cast<int>(measurement_clock_ms / 1000),
                  mark_count(t.timeline_count));
    draw_text(dc, 10, 367, text);
}
