// The level meter's geometry: a frame at (948, 25)-(1011, 37) filled by a bar
// of the peak level, and a marker line at the detection threshold.
#ifndef VENTROK_CORE_DISPLAY_LEVEL_METER_SCALE_H
#define VENTROK_CORE_DISPLAY_LEVEL_METER_SCALE_H

#include <cstdint>

#include "core/display/panel_geometry.h"

constexpr panel_rect METER_FRAME = {948, 25, 1011, 37};
// The marker line runs from y 22 to 40 (41 is its end, not drawn); the band
// it can occupy is whitened when the threshold moves.
constexpr int MARKER_TOP = 22;
constexpr int MARKER_BOTTOM = 41;
constexpr panel_rect MARKER_BAND = {948, 20, 1011, 43};

// Right end (excluded) of the bar: one pixel per 512 sample units.
int meter_bar_right(int32_t peak_level);

// A full-scale peak turns the bar red, anything less is blue.
bool meter_full_scale(int32_t peak_level);

// x of the threshold marker: one pixel per 510 sample units.
int threshold_marker_x(int32_t detection_threshold);

#endif
