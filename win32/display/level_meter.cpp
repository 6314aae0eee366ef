// The level meter: a black frame at (948, 25)-(1011, 37) filled by a bar of
// the peak level, and a marker line at the detection threshold.
#include "win32/display/level_meter.h"

#include "core/app/settings.h"
#include "win32/display/drawing.h"

constexpr int METER_LEFT = 948;
constexpr int METER_TOP = 25;
constexpr int METER_RIGHT = 1011;
constexpr int METER_BOTTOM = 37;
constexpr int SAMPLE_UNITS_PER_BAR_PIXEL = 512;
constexpr int SAMPLE_UNITS_PER_MARKER_PIXEL = 510;
constexpr int MARKER_TOP = 22;
constexpr int MARKER_BOTTOM = 41; // line end, not drawn
// The area the marker can occupy, whitened when the threshold moved.
constexpr int MARKER_AREA_TOP = 20;
constexpr int MARKER_AREA_BOTTOM = 43;
// A full-scale peak turns the bar red.
constexpr int FULL_SCALE_PEAK = 32767;

constexpr COLORREF COLOUR_RED = RGB(255, 0, 0);
constexpr COLORREF COLOUR_BLUE = RGB(0, 0, 255);

static bool threshold_moved;

void mark_threshold_moved()
{
    threshold_moved = true;
}

// The frame (black border, white inside) and the bar over it.
static void draw_frame_and_bar(HDC dc, HPEN black_pen, HBRUSH bar_brush, const RECT &bar)
{
    HGDIOBJ old_pen = SelectObject(dc, black_pen);
    HGDIOBJ old_brush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    Rectangle(dc, METER_LEFT, METER_TOP, METER_RIGHT, METER_BOTTOM);
    FillRect(dc, &bar, bar_brush);
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
}

static void whiten_marker_area(HDC dc)
{
    HPEN white_pen = CreatePen(PS_SOLID, 1, COLOUR_WHITE);
    HGDIOBJ old_pen = SelectObject(dc, white_pen);
    HGDIOBJ old_brush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    Rectangle(dc, METER_LEFT, MARKER_AREA_TOP, METER_RIGHT, MARKER_AREA_BOTTOM);
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(white_pen);
}

void draw_level_meter_on(HDC window_dc, HDC back_buffer_dc, int peak_level)
{
    HBRUSH bar_brush = CreateSolidBrush(peak_level >= FULL_SCALE_PEAK ? COLOUR_RED : COLOUR_BLUE);
    const RECT bar = {METER_LEFT, METER_TOP, METER_LEFT + peak_level / SAMPLE_UNITS_PER_BAR_PIXEL,
                      METER_BOTTOM};

    if (threshold_moved) {
        whiten_marker_area(window_dc);
        threshold_moved = false;
    }

    HPEN black_pen = CreatePen(PS_SOLID, 1, COLOUR_BLACK);
    draw_frame_and_bar(window_dc, black_pen, bar_brush, bar);
    const int marker_x =
        METER_LEFT + settings().detection_threshold / SAMPLE_UNITS_PER_MARKER_PIXEL;
    HGDIOBJ old_pen = SelectObject(window_dc, black_pen);
    MoveToEx(window_dc, marker_x, MARKER_TOP, nullptr);
    LineTo(window_dc, marker_x, MARKER_BOTTOM);
    SelectObject(window_dc, old_pen);

    // The back buffer keeps the frame and the bar; the marker is redrawn on
    // the screen at every meter update.
    draw_frame_and_bar(back_buffer_dc, black_pen, bar_brush, bar);

    DeleteObject(black_pen);
    DeleteObject(bar_brush);
}

void draw_level_meter(HWND main_window, int peak_level)
{
    window_dc screen(main_window);
    back_buffer_dc memory;
    draw_level_meter_on(screen.dc, memory.dc, peak_level);
}
