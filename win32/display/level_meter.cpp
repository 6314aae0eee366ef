// The level meter: a black frame filled by a bar of the peak level, and a
// marker line at the detection threshold.
#include "win32/display/level_meter.h"

#include "core/display/level_meter_scale.h"
#include "win32/common/gdi.h"
#include "win32/display/back_buffer.h"

static bool threshold_moved;

void mark_threshold_moved()
{
    threshold_moved = true;
}

// The frame (black border, white inside) and the bar over it.
static void draw_frame_and_bar(HDC dc, HBRUSH bar_brush, const RECT &bar)
{
    selected_pen black(dc, COLOUR_BLACK);
    selected_stock_object white(dc, WHITE_BRUSH);
    draw_rectangle(dc, METER_FRAME);
    FillRect(dc, &bar, bar_brush);
}

static void whiten_marker_band(HDC dc)
{
    selected_pen white_pen(dc, COLOUR_WHITE);
    selected_stock_object white_brush(dc, WHITE_BRUSH);
    draw_rectangle(dc, MARKER_BAND);
}

void draw_level_meter_on(HDC window_dc, HDC back_buffer_dc, int32_t peak_level,
                         int32_t detection_threshold)
{
    HBRUSH bar_brush = CreateSolidBrush(meter_full_scale(peak_level) ? COLOUR_RED : COLOUR_BLUE);
    const RECT bar = {METER_FRAME.left, METER_FRAME.top, meter_bar_right(peak_level),
                      METER_FRAME.bottom};

    if (threshold_moved) {
        whiten_marker_band(window_dc);
        threshold_moved = false;
    }

    draw_frame_and_bar(window_dc, bar_brush, bar);
    {
        selected_pen black(window_dc, COLOUR_BLACK);
        const int marker_x = threshold_marker_x(detection_threshold);
        draw_line(window_dc, marker_x, MARKER_TOP, marker_x, MARKER_BOTTOM);
    }

    // The back buffer keeps the frame and the bar; the marker is redrawn on
    // the screen at every meter update.
    draw_frame_and_bar(back_buffer_dc, bar_brush, bar);
    DeleteObject(bar_brush);
}

void draw_level_meter(HWND main_window, int32_t peak_level, int32_t detection_threshold)
{
    window_dc screen(main_window);
    back_buffer_dc memory;
    draw_level_meter_on(screen.dc, memory.dc, peak_level, detection_threshold);
}
