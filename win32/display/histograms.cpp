#include "win32/display/histograms.h"

#include <cmath>
#include <cstdio>

#include "core/analysis/statistics.h"
#include "win32/display/drawing.h"
#include "win32/display/statistics_panel.h"

static_assert(sizeof("ソ") == 3 && "ソ"[0] == '\x83' && "ソ"[1] == '\x5c',
              "string literals must be compiled to code page 932 (-fexec-charset=CP932)");

namespace
{

constexpr const char *MARK_CAPTION = "MARK";
constexpr const char *SPACE_CAPTION = "SPACE";
constexpr const char *ELAPSED_FORMAT = "経過時間 %3d [秒]  打鍵数 %4d [個]";

// Band of the live histograms, cleared at every waiting or recording update.
constexpr RECT BAND = {0, 370, 1145, 675};

// Both graphs run from x 80 (0 ms) to x 580 (500 ms), one pixel per ms, and
// are at most 100 pixels high.
constexpr int AXIS_LEFT = 80;
constexpr int AXIS_RIGHT = 580;
constexpr int GRAPH_HEIGHT = 100;
constexpr int MARK_BASE = 630;
constexpr int SPACE_BASE = 510;

// Up to a peak of 100 counts the scale is linear and the tallest bar at most
// 100 pixels; above it the graph turns logarithmic over 10 to 1000 counts.
constexpr int32_t LINEAR_PEAK_LIMIT = 100;

// Pixels per count by k = (2 * peak - 1) / 10; k of 10 or more gives 1.
constexpr int LINEAR_FACTORS[] = {20, 10, 6, 5, 4, 3, 2, 2, 2, 2};

struct graph_scale {
    bool logarithmic;
    int pixels_per_count; // linear scale only
};

struct histogram_pens {
    HPEN white;
    HPEN black;
    HPEN blue;
};

graph_scale scale_for_peak(int32_t peak)
{
    if (peak > LINEAR_PEAK_LIMIT)
        return {true, 0};
    // A peak of 0 gives -1 / 10, which truncates to 0 like peaks 1 to 5.
    const int32_t k = (2 * peak - 1) / 10;
    const int32_t table_size = sizeof LINEAR_FACTORS / sizeof LINEAR_FACTORS[0];
    return {false, k >= 0 && k < table_size ? LINEAR_FACTORS[k] : 1};
}

void draw_label(HDC dc, int x, int y, int value)
{
    char text[300];
    std::snprintf(text, sizeof text, "%3d", value);
    draw_text(dc, x, y, text);
}

// Axis, ticks at every 50 ms (long ones at the hundreds) and, for the MARK
// graph only, the millisecond labels that serve both graphs.
void draw_time_axis(HDC dc, int base, bool with_labels)
{
    MoveToEx(dc, AXIS_RIGHT, base, nullptr);
    LineTo(dc, AXIS_LEFT, base);
    LineTo(dc, AXIS_LEFT, base - GRAPH_HEIGHT);
    for (int j = 1; j <= 5; ++j) {
        draw_line(dc, j * 100 + 30, base, j * 100 + 30, base + 4);
        draw_line(dc, j * 100 + 80, base, j * 100 + 80, base + 7);
        if (with_labels)
            draw_label(dc, j * 100 + 70, base + 10, j * 100);
    }
}

// The count scale at the left of one graph.
void draw_count_scale(HDC dc, int base, const graph_scale &scale)
{
    if (!scale.logarithmic) {
        const int top = base - GRAPH_HEIGHT;
        draw_line(dc, AXIS_LEFT, top, AXIS_LEFT - 5, top);
        // The count that a full-height bar stands for.
        draw_label(dc, 45, top - 10, GRAPH_HEIGHT / scale.pixels_per_count);
        return;
    }
    draw_line(dc, AXIS_LEFT, base - 50, AXIS_LEFT - 5, base - 50);
    draw_label(dc, 46, base - 58, 100);
    draw_line(dc, AXIS_LEFT, base - 100, AXIS_LEFT - 5, base - 100);
    draw_label(dc, 38, base - 108, 1000);
}

// y of the top end of the bar of one counter; the bar is drawn from the base
// up to (not including) this y, so base itself means no bar.
int bar_top(int base, const graph_scale &scale, int32_t counter)
{
    if (!scale.logarithmic)
        return base - counter * scale.pixels_per_count;
    if (counter <= 10)
        return base;
    if (counter > 1000)
        return base - GRAPH_HEIGHT;
    return base + 50 - static_cast<int>(50.0 * std::log10(static_cast<double>(counter)));
}

void draw_bars(HDC dc, int base, const graph_scale &scale, const int32_t *histogram)
{
    for (int i = 0; i < HISTOGRAM_COUNTERS; ++i) {
        if (histogram[i] != 0)
            draw_line(dc, AXIS_LEFT + i, base, AXIS_LEFT + i, bar_top(base, scale, histogram[i]));
    }
}

void draw_band(HDC dc, const histogram_pens &pens, const keying_timeline &t,
               uint32_t measurement_clock_ms, bool recording)
{
    SelectObject(dc, pens.white);
    Rectangle(dc, BAND.left, BAND.top, BAND.right, BAND.bottom);

    const graph_scale mark_scale = scale_for_peak(t.mark_histogram_peak);
    const graph_scale space_scale = scale_for_peak(t.space_histogram_peak);

    SelectObject(dc, pens.black);
    draw_text(dc, 20, 600, MARK_CAPTION);
    draw_time_axis(dc, MARK_BASE, true);
    draw_text(dc, 20, 480, SPACE_CAPTION);
    draw_time_axis(dc, SPACE_BASE, false);
    draw_count_scale(dc, MARK_BASE, mark_scale);
    draw_count_scale(dc, SPACE_BASE, space_scale);
    if (!recording)
        return;

    SelectObject(dc, pens.blue);
    draw_bars(dc, MARK_BASE, mark_scale, t.mark_histogram);
    draw_bars(dc, SPACE_BASE, space_scale, t.space_histogram);

    char text[300];
    std::snprintf(text, sizeof text, ELAPSED_FORMAT, static_cast<int>(measurement_clock_ms / 1000),
                  static_cast<int>(t.timeline_count / 2));
    draw_text(dc, 10, 367, text);
}

// The first update after a stop draws the statistics once more; the stop
// sequence has drawn them already, so nothing changes unless the screen was
// disturbed. Later updates leave the stopped picture alone.
void redraw_statistics_once(HDC dc, const keying_timeline &t, measurement_state &m)
{
    if (m.statistics_redrawn)
        return;
    // A stop with fewer than 40 entries sets too few keyings; the count is
    // checked as well because the statistics are only defined from 40 on.
    if (!m.too_few_keyings && t.timeline_count >= 40) {
        compute_keying_statistics(t.entries, t.timeline_count);
        draw_statistics_panel(dc, keying_stats(), t.timeline_count, m.measured_seconds);
    }
    m.statistics_redrawn = true;
}

} // namespace

void draw_live_histograms(HDC dc, const keying_timeline &t, uint32_t measurement_clock_ms,
                          measurement_state &m)
{
    if (m.recording_phase == RECORDING_STOPPED) {
        redraw_statistics_once(dc, t, m);
        return;
    }

    histogram_pens pens = {CreatePen(PS_SOLID, 1, COLOUR_WHITE),
                           CreatePen(PS_SOLID, 1, COLOUR_BLACK),
                           CreatePen(PS_SOLID, 1, RGB(0, 0, 255))};
    const HGDIOBJ old_pen = SelectObject(dc, pens.white);
    const HGDIOBJ old_brush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    const HGDIOBJ old_font = SelectObject(dc, GetStockObject(OEM_FIXED_FONT));

    draw_band(dc, pens, t, measurement_clock_ms, m.recording_phase == RECORDING_ACTIVE);

    SelectObject(dc, old_font);
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(pens.white);
    DeleteObject(pens.black);
    DeleteObject(pens.blue);
}
