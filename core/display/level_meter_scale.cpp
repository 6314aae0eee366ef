#include "core/display/level_meter_scale.h"

constexpr int32_t SAMPLE_UNITS_PER_BAR_PIXEL = 512;
constexpr int32_t SAMPLE_UNITS_PER_MARKER_PIXEL = 510;
constexpr int32_t FULL_SCALE_PEAK = 32767;

int meter_bar_right(int32_t peak_level)
{
    return METER_FRAME.left + peak_level / SAMPLE_UNITS_PER_BAR_PIXEL;
}

bool meter_full_scale(int32_t peak_level)
{
    return peak_level >= FULL_SCALE_PEAK;
}

int threshold_marker_x(int32_t detection_threshold)
{
    return METER_FRAME.left + detection_threshold / SAMPLE_UNITS_PER_MARKER_PIXEL;
}
