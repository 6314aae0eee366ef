#include "core/replay/replay_speed.h"

#include <cstdio>

int samples_per_ms_for_speed(int speed_position)
{
    return 38 - speed_position;
}

void format_speed_readout(int speed_position, char *text, size_t size)
{
    std::snprintf(text, size, "x%3.2f", 11.0 / samples_per_ms_for_speed(speed_position));
}
