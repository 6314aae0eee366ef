#include "core/display/sweep_track.h"

constexpr int FIRST_COLUMN_X = 15;
constexpr uint32_t ROW_SPAN_MS = 10000; // 5000 at double speed
constexpr uint32_t MS_PER_COLUMN = 9;   // 4.5 at double speed
constexpr int START_Y = 120;            // one row above the first row at 163
constexpr int LAST_ROW_Y = 335;         // the fifth row; later rows stay here

void sweep_track_init(sweep_track &t)
{
    t = sweep_track{0, START_Y, 0, 0, false, false, false};
}

void sweep_track_reset(sweep_track &t)
{
    t.y = START_Y;
    t.x = 0;
    t.last_x = 0;
    t.mark_seen = false;
    t.row_start_handled = false;
    t.scrolled_this_row = false;
}

int sweep_column(uint32_t measurement_clock_ms, bool double_speed)
{
    // Unsigned: a doubled clock may wrap, and the row position is its
    // remainder either way.
    const uint32_t shift = double_speed ? 1 : 0;
    return static_cast<int>(((measurement_clock_ms << shift) % ROW_SPAN_MS) / MS_PER_COLUMN) +
           FIRST_COLUMN_X;
}

sweep_actions sweep_track_step(sweep_track &t, bool key_down, uint32_t measurement_clock_ms,
                               bool double_speed)
{
    sweep_actions actions = {false, false, 0, 0, false, 0, 0};
    t.x = sweep_column(measurement_clock_ms, double_speed);

    if (t.x == FIRST_COLUMN_X) {
        if (!t.row_start_handled) {
            t.y += SWEEP_ROW_SPACING;
            if (t.y > LAST_ROW_Y && !t.scrolled_this_row) {
                actions.scroll = true;
                t.scrolled_this_row = true;
                t.y -= SWEEP_ROW_SPACING;
            }
            t.row_start_handled = true;
        }
    } else {
        t.row_start_handled = false;
        t.scrolled_this_row = false;
    }

    if (key_down)
        t.mark_seen = true;

    if (t.x != t.last_x) {
        if (!t.mark_seen) {
            // After a scroll the last tick has moved up one row with the band.
            actions.erase_tick = true;
            actions.erase_x = t.last_x;
            actions.erase_y = t.last_y - (t.scrolled_this_row ? SWEEP_ROW_SPACING : 0);
        }
        if (!t.scrolled_this_row) {
            actions.draw_tick = true;
            actions.draw_x = t.x;
            actions.draw_y = t.y;
        }
        t.last_x = t.x;
        t.last_y = t.y;
        t.mark_seen = false;
    }
    return actions;
}
