// The replay speed trackbar of the print and replay window: positions 5 to
// 33, right is faster, 27 plays at the recorded speed.
#ifndef VENTROK_CORE_REPLAY_REPLAY_SPEED_H
#define VENTROK_CORE_REPLAY_REPLAY_SPEED_H

#include <cstddef>

constexpr int SPEED_POSITION_MIN = 5;
constexpr int SPEED_POSITION_MAX = 33;
constexpr int SPEED_POSITION_DEFAULT = 27;

// Samples per recorded millisecond for a position: 38 - position.
int samples_per_ms_for_speed(int speed_position);

// The speed read-out for a position: "x%3.2f" of 11 / samples per ms.
void format_speed_readout(int speed_position, char *text, size_t size);

#endif
