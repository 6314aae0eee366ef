// The sweep step: maps the measurement clock to a column, starts a new row
// (scrolling the band once five rows are full), and keeps or erases the
// tick of the column the sweep leaves.
#include "win32/display/sweep.h"

#include "win32/display/drawing.h"

constexpr int SWEEP_BAND_TOP = 150;
constexpr int SWEEP_BAND_HEIGHT = 208; // y 150..357
constexpr int FIRST_COLUMN_X = 15;
constexpr uint32_t ROW_SPAN_MS = 10000; // 5000 at double speed
constexpr uint32_t MS_PER_COLUMN = 9;   // 4.5 at double speed
constexpr int ROW_SPACING = 43;         // pixels between rows
constexpr int START_Y = 120;            // one row above the first row at 163
constexpr int LAST_ROW_Y = 335;         // the fifth row; later rows stay here
constexpr int TICK_LENGTH = 3;
// The strip whitened for the newest row after a scroll.
constexpr int NEW_ROW_STRIP_TOP = 330;
constexpr int NEW_ROW_STRIP_BOTTOM = 340;

struct sweep_state {
    int x;
    int y;
    int last_x; // the last cursor tick
    int last_y;
    bool mark_seen;         // a display step saw key down since the last tick was drawn
    bool row_start_handled; // the step at column 15 of this row has been taken
    bool scrolled_this_row; // the band scrolled at this row's start
};

static sweep_state sweep = {0, START_Y, 0, 0, false, false, false};

RECT sweep_band_rect(const RECT &client)
{
    RECT rect = client;
    rect.top += SWEEP_BAND_TOP;
    rect.bottom = rect.top + SWEEP_BAND_HEIGHT;
    return rect;
}

void reset_sweep()
{
    sweep.y = START_Y;
    sweep.x = 0;
    sweep.last_x = 0;
    sweep.mark_seen = false;
    sweep.row_start_handled = false;
    sweep.scrolled_this_row = false;
}

// The band moves up one row; the strip of the newest row is whitened.
static void scroll_band(HDC dc, const RECT &sweep_rect)
{
    HPEN white_pen = CreatePen(PS_SOLID, 1, COLOUR_WHITE);
    ScrollDC(dc, 0, -ROW_SPACING, &sweep_rect, &sweep_rect, nullptr, nullptr);
    HGDIOBJ old_pen = SelectObject(dc, white_pen);
    HGDIOBJ old_brush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    Rectangle(dc, sweep_rect.left - 1, NEW_ROW_STRIP_TOP, sweep_rect.right + 1,
              NEW_ROW_STRIP_BOTTOM);
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(white_pen);
}

static void draw_tick(HDC dc, COLORREF colour, int x, int y)
{
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ old_pen = SelectObject(dc, pen);
    MoveToEx(dc, x, y, nullptr);
    LineTo(dc, x, y + TICK_LENGTH);
    SelectObject(dc, old_pen);
    DeleteObject(pen);
}

void sweep_step(bool key_down, uint32_t measurement_clock_ms, bool double_speed, HDC window_dc,
                HDC back_buffer_dc, const RECT &sweep_rect)
{
    // Unsigned: a doubled clock may wrap, and the row position is its
    // remainder either way.
    const uint32_t shift = double_speed ? 1 : 0;
    sweep.x = static_cast<int>(((measurement_clock_ms << shift) % ROW_SPAN_MS) / MS_PER_COLUMN) +
              FIRST_COLUMN_X;

    if (sweep.x == FIRST_COLUMN_X) {
        if (!sweep.row_start_handled) {
            sweep.y += ROW_SPACING;
            if (sweep.y > LAST_ROW_Y && !sweep.scrolled_this_row) {
                scroll_band(window_dc, sweep_rect);
                scroll_band(back_buffer_dc, sweep_rect);
                sweep.scrolled_this_row = true;
                sweep.y -= ROW_SPACING;
            }
            sweep.row_start_handled = true;
        }
    } else {
        sweep.row_start_handled = false;
        sweep.scrolled_this_row = false;
    }

    if (key_down)
        sweep.mark_seen = true;

    if (sweep.x != sweep.last_x) {
        if (!sweep.mark_seen) {
            // After a scroll the last tick has moved up one row with the band.
            const int last_y = sweep.last_y - (sweep.scrolled_this_row ? ROW_SPACING : 0);
            draw_tick(back_buffer_dc, COLOUR_WHITE, sweep.last_x, last_y);
        }
        if (!sweep.scrolled_this_row)
            draw_tick(back_buffer_dc, COLOUR_BLACK, sweep.x, sweep.y);
        sweep.last_x = sweep.x;
        sweep.last_y = sweep.y;
        sweep.mark_seen = false;
    }
}
