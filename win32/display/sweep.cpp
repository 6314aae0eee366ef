// The sweep's drawing: the track says where, this draws it.
#include "win32/display/sweep.h"

#include "core/display/sweep_track.h"
#include "win32/common/gdi.h"

static sweep_track initial_track()
{
    sweep_track t;
    sweep_track_init(t);
    return t;
}

static sweep_track track = initial_track();

RECT sweep_band_rect(const RECT &client)
{
    RECT rect = client;
    rect.top += SWEEP_BAND_TOP;
    rect.bottom = rect.top + SWEEP_BAND_HEIGHT;
    return rect;
}

void reset_sweep()
{
    sweep_track_reset(track);
}

// The band moves up one row; the strip of the newest row is whitened.
static void scroll_band(HDC dc, const RECT &sweep_rect)
{
    ScrollDC(dc, 0, -SWEEP_ROW_SPACING, &sweep_rect, &sweep_rect, nullptr, nullptr);
    selected_pen white(dc, COLOUR_WHITE);
    selected_stock_object white_brush(dc, WHITE_BRUSH);
    Rectangle(dc, sweep_rect.left - 1, SWEEP_NEW_ROW_STRIP_TOP, sweep_rect.right + 1,
              SWEEP_NEW_ROW_STRIP_BOTTOM);
}

static void draw_tick(HDC dc, COLORREF colour, int x, int y)
{
    selected_pen pen(dc, colour);
    draw_line(dc, x, y, x, y + SWEEP_TICK_LENGTH);
}

void sweep_step(bool key_down, uint32_t measurement_clock_ms, bool double_speed, HDC window_dc,
                HDC back_buffer_dc, const RECT &sweep_rect)
{
    const sweep_actions actions =
        sweep_track_step(track, key_down, measurement_clock_ms, double_speed);
    if (actions.scroll) {
        scroll_band(window_dc, sweep_rect);
        scroll_band(back_buffer_dc, sweep_rect);
    }
    if (actions.erase_tick)
        draw_tick(back_buffer_dc, COLOUR_WHITE, actions.erase_x, actions.erase_y);
    if (actions.draw_tick)
        draw_tick(back_buffer_dc, COLOUR_BLACK, actions.draw_x, actions.draw_y);
}
