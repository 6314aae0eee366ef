// The sweep's position: a trace of the keying rhythm in the band y 150..357,
// one column per 9 ms of measurement clock (4.5 ms at double speed), one row
// per 10 s (5 s) at y 163, 206, 249, 292 and 335, with a 3-pixel tick in
// every column during which the key was seen down. This is the arithmetic;
// the window draws what a step asks for.
#ifndef VENTROK_CORE_DISPLAY_SWEEP_TRACK_H
#define VENTROK_CORE_DISPLAY_SWEEP_TRACK_H

#include <cstdint>

constexpr int SWEEP_BAND_TOP = 150;
constexpr int SWEEP_BAND_HEIGHT = 208; // y 150..357
constexpr int SWEEP_ROW_SPACING = 43;  // pixels the band scrolls by
constexpr int SWEEP_TICK_LENGTH = 3;
// The strip whitened for the newest row after a scroll.
constexpr int SWEEP_NEW_ROW_STRIP_TOP = 330;
constexpr int SWEEP_NEW_ROW_STRIP_BOTTOM = 340;

struct sweep_track {
    int x;
    int y;
    int last_x; // the last cursor tick
    int last_y;
    bool mark_seen;         // a step saw key down since the last tick was drawn
    bool row_start_handled; // the step at column 15 of this row has been taken
    bool scrolled_this_row; // the band scrolled at this row's start
};

// What one step asks the window to draw, in this order: scroll the band up
// one row, whiten the tick of the column the sweep leaves (no key-down was
// seen in it), draw the new column's black tick.
struct sweep_actions {
    bool scroll;
    bool erase_tick;
    int erase_x;
    int erase_y;
    bool draw_tick;
    int draw_x;
    int draw_y;
};

// Program start: sweep y 120, everything else 0.
void sweep_track_init(sweep_track &t);

// The start and clear sequences: sweep y 120 (the first row lands on 163),
// sweep x and the last column's x 0, flags clear. The last column's y keeps
// its value.
void sweep_track_reset(sweep_track &t);

// The column of a clock reading: ((clock << s) mod 10000) / 9 + 15, s = 1 at
// double speed, unsigned.
int sweep_column(uint32_t measurement_clock_ms, bool double_speed);

// One display step while recording.
sweep_actions sweep_track_step(sweep_track &t, bool key_down, uint32_t measurement_clock_ms,
                               bool double_speed);

#endif
