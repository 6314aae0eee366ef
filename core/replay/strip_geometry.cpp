#include "core/replay/strip_geometry.h"

int strip_row_pitch(uint32_t record_seconds)
{
    // record_seconds / 12 + 1 estimates the number of 12-second rows.
    const uint32_t pitch = 630 / (record_seconds / 12 + 1);
    if (pitch > 50)
        return 50;
    if (pitch < 25)
        return 25;
    return static_cast<int>(pitch);
}

strip_point strip_position(uint32_t replay_position_ms, int row_pitch)
{
    const uint32_t column = replay_position_ms / STRIP_MS_PER_COLUMN;
    return strip_point{static_cast<int>(column % STRIP_ROW_COLUMNS),
                       static_cast<int>(column / STRIP_ROW_COLUMNS) * row_pitch};
}

void for_each_strip_tick(const replay_record &record, int row_pitch, int picture_height,
                         void (*tick)(void *context, int x, int y), void *context)
{
    // Picture time starts with the first mark (entry 1); entry 0 is skipped.
    // Each black column is reported once, however many milliseconds of mark
    // it holds, so long records print as fast as short ones.
    const int count = record.entry_count < REPLAY_CAPACITY ? record.entry_count : REPLAY_CAPACITY;
    const uint32_t rows_visible = static_cast<uint32_t>(picture_height / row_pitch + 1);
    const uint32_t last_visible_column = rows_visible * STRIP_ROW_COLUMNS;
    uint32_t picture_time_ms = 0;
    bool any_printed = false;
    uint32_t last_printed_column = 0;
    for (int i = 1; i < count; ++i) {
        const uint32_t length_ms = record.entries[i];
        const bool mark = (i % 2) == 1;
        if (mark && length_ms > 0) {
            uint32_t first = picture_time_ms / STRIP_MS_PER_COLUMN;
            const uint32_t last = (picture_time_ms + length_ms - 1) / STRIP_MS_PER_COLUMN;
            if (any_printed && first <= last_printed_column)
                first = last_printed_column + 1;
            for (uint32_t column = first; column <= last && column < last_visible_column;
                 ++column) {
                const strip_point at = strip_position(column * STRIP_MS_PER_COLUMN, row_pitch);
                if (at.y + STRIP_TICK_TOP >= picture_height)
                    return;
                tick(context, at.x, at.y + STRIP_TICK_TOP);
            }
            any_printed = true;
            last_printed_column = last;
        }
        picture_time_ms += length_ms;
        if (picture_time_ms / STRIP_MS_PER_COLUMN >= last_visible_column)
            return;
    }
}
