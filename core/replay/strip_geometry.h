// The printed strip of the print and replay window: every mark of the replay
// record as a row of ticks, like a paper tape. One pixel column is 10 ms of
// keying, one row 1200 columns (12 s); the space before the first mark takes
// no room. This is where the ticks and the pointer marker go; the window
// draws them.
#ifndef VENTROK_CORE_REPLAY_STRIP_GEOMETRY_H
#define VENTROK_CORE_REPLAY_STRIP_GEOMETRY_H

#include <cstdint>

#include "core/replay/keying_file.h"

constexpr int STRIP_ROW_COLUMNS = 1200;
constexpr uint32_t STRIP_MS_PER_COLUMN = 10;
// A tick covers y + 65 to y + 67 of its row; the pointer marker stands at y + 70.
constexpr int STRIP_TICK_TOP = 65;
constexpr int STRIP_TICK_HEIGHT = 3;
constexpr int STRIP_MARKER_OFFSET = 70;

// A point of the window's client area.
struct strip_point {
    int x;
    int y;
};

// Pixels between printed rows: 630 / (record_seconds / 12 + 1), integer
// divisions, kept within 25 .. 50.
int strip_row_pitch(uint32_t record_seconds);

// Where the pointer marker stands for a replay position in ms: column
// position / 10 wrapped at 1200 pixels, row top = row index x row pitch.
strip_point strip_position(uint32_t replay_position_ms, int row_pitch);

// Calls tick(context, x, y) with the top of the tick of every column that
// holds at least one millisecond of a mark (odd entries 1 .. entry_count - 1),
// each column once, in order. Rows whose ticks start at or below
// picture_height are left out.
void for_each_strip_tick(const replay_record &record, int row_pitch, int picture_height,
                         void (*tick)(void *context, int x, int y), void *context);

#endif
