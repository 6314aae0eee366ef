#include "win32/display/statistics_panel.h"

#include <cstdio>

#include "win32/display/drawing.h"
#include "core/display/statistics_texts.h"

static_assert(sizeof("ソ") == 3 && "ソ"[0] == '\x83' && "ソ"[1] == '\x5c',
              "string literals must be compiled to code page 932 (-fexec-charset=CP932)");

namespace
{

namespace panel_texts
{
constexpr const char *ratio_caption = "点長比分布";
constexpr const char *time_caption = "時間分布";
constexpr const char *ms_caption = "[ms]";
} // namespace panel_texts

constexpr RECT PANEL = {0, 152, 1145, 390};

// Both ratio histograms run from x 610 (length 0) to x 1110 (five mean dot
// lengths), 100 pixels per mean dot length, and are at most 100 pixels high.
constexpr int RATIO_LEFT = 610;
constexpr int RATIO_RIGHT = 1110;
constexpr double PIXELS_PER_DOT = 100.0;
constexpr int RATIO_WIDTH = 500;
constexpr int GRAPH_HEIGHT = 100;
constexpr int MARK_BASE = 630;
constexpr int SPACE_BASE = 510;

// The bar heights are scaled to the largest counter from this class on, so
// that a pile of clicks shorter than 5 ms does not flatten the real peak.
constexpr int FIRST_SCALED_CLASS = 5;

// Markers stand under the MARK axis of the live histograms (0 ms at x 80).
constexpr int TIME_AXIS_LEFT = 80;

struct panel_pens {
    HPEN white;
    HPEN black;
    HPEN red;
};

void draw_ratio_axis(HDC dc, int base, bool with_labels)
{
    MoveToEx(dc, RATIO_RIGHT, base, nullptr);
    LineTo(dc, RATIO_LEFT, base);
    LineTo(dc, RATIO_LEFT, base - GRAPH_HEIGHT);
    for (int j = 1; j <= 5; ++j) {
        draw_line(dc, j * 100 + 560, base, j * 100 + 560, base + 4);
        draw_line(dc, j * 100 + 610, base, j * 100 + 610, base + 7);
        if (with_labels) {
            char text[300];
            std::snprintf(text, sizeof text, "%2d", j);
            draw_text(dc, j * 100 + 600, base + 10, text);
        }
    }
}

// One row of red ratio bars: class i at x = i / mean dot length * 100, its
// height relative to the row's largest counter over classes 5 to 500.
// Nothing is drawn (and nothing divided) when the mean dot length or that
// largest counter is zero.
void draw_ratio_row(HDC dc, int base, const int32_t *histogram, int first_class, double mean_dot_ms)
{
    int32_t largest = 0;
    for (int i = FIRST_SCALED_CLASS; i < LENGTH_HISTOGRAM_SIZE; ++i) {
        if (histogram[i] > largest)
            largest = histogram[i];
    }
    if (largest == 0 || !(mean_dot_ms > 0.0))
        return;
    for (int i = first_class; i < LENGTH_HISTOGRAM_SIZE; ++i) {
        const double offset = i / mean_dot_ms * PIXELS_PER_DOT;
        // Compared as a double so that a tiny mean never overflows the cast.
        if (offset > RATIO_WIDTH)
            continue;
        const int x = RATIO_LEFT + static_cast<int>(offset);
        int height = static_cast<int>(static_cast<double>(histogram[i]) / largest * GRAPH_HEIGHT);
        if (height > GRAPH_HEIGHT)
            height = GRAPH_HEIGHT;
        draw_line(dc, x, base, x, base - height);
    }
}

void draw_marker(HDC dc, int value_ms)
{
    draw_line(dc, TIME_AXIS_LEFT + value_ms, MARK_BASE, TIME_AXIS_LEFT + value_ms, MARK_BASE + 10);
}

// The statistics texts, formatted by the same code that the command-line
// analysis prints them with.
void draw_texts(HDC dc, const keying_statistics &stats, int32_t timeline_count,
                int measured_seconds)
{
    panel_text texts[MAX_PANEL_TEXTS];
    const int count = format_statistics_texts(stats, timeline_count, measured_seconds, texts);
    for (int i = 0; i < count; ++i)
        draw_text(dc, texts[i].x, texts[i].y, texts[i].text);
}

void draw_panel(HDC dc, const panel_pens &pens, const keying_statistics &stats,
                int32_t timeline_count, int measured_seconds)
{
    SelectObject(dc, pens.white);
    Rectangle(dc, PANEL.left, PANEL.top, PANEL.right, PANEL.bottom);

    SelectObject(dc, pens.black);
    draw_ratio_axis(dc, MARK_BASE, true);
    draw_ratio_axis(dc, SPACE_BASE, false);
    draw_text(dc, 820, 653, panel_texts::ratio_caption);
    draw_text(dc, 300, 653, panel_texts::time_caption);
    draw_text(dc, 570, 655, panel_texts::ms_caption);

    SelectObject(dc, pens.red);
    // Space lengths are measured in mean dot lengths too; the leading space
    // (class 0 of an empty row) is never drawn.
    draw_ratio_row(dc, MARK_BASE, stats.mark_length_histogram, 0, stats.mean_dot_ms);
    draw_ratio_row(dc, SPACE_BASE, stats.space_length_histogram, 1, stats.mean_dot_ms);
    draw_marker(dc, static_cast<int>(stats.mean_dot_ms));
    draw_marker(dc, static_cast<int>(stats.mean_dash_ms));
    draw_marker(dc, stats.decision_time_ms);

    draw_texts(dc, stats, timeline_count, measured_seconds);
}

} // namespace

void draw_statistics_panel(HDC dc, const keying_statistics &stats, int32_t timeline_count,
                           int measured_seconds)
{
    panel_pens pens = {CreatePen(PS_SOLID, 1, COLOUR_WHITE), CreatePen(PS_SOLID, 1, COLOUR_BLACK),
                       CreatePen(PS_SOLID, 1, RGB(255, 0, 0))};
    const HGDIOBJ old_pen = SelectObject(dc, pens.white);
    const HGDIOBJ old_brush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    const HGDIOBJ old_font = SelectObject(dc, GetStockObject(OEM_FIXED_FONT));

    draw_panel(dc, pens, stats, timeline_count, measured_seconds);

    SelectObject(dc, old_font);
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(pens.white);
    DeleteObject(pens.black);
    DeleteObject(pens.red);
}
