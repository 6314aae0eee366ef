#include "win32/display/graph_axis.h"

#include <cstdio>

#include "core/display/histogram_scale.h"
#include "core/display/panel_geometry.h"
#include "win32/common/gdi.h"

constexpr int SHORT_TICK = 4;
constexpr int LONG_TICK = 7;

void draw_graph_axis(HDC dc, int left, int base, const char *label_format, int label_step)
{
    MoveToEx(dc, left + HISTOGRAM_AXIS_LENGTH, base, nullptr);
    LineTo(dc, left, base);
    LineTo(dc, left, base - GRAPH_HEIGHT);
    for (int j = 1; j <= 5; ++j) {
        const int long_x = left + 100 * j;
        draw_line(dc, long_x - 50, base, long_x - 50, base + SHORT_TICK);
        draw_line(dc, long_x, base, long_x, base + LONG_TICK);
        if (label_format) {
            char text[300];
            std::snprintf(text, sizeof text, label_format, j * label_step);
            draw_text(dc, long_x - 10, base + 10, text);
        }
    }
}
