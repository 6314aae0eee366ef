#include "core/display/histogram_scale.h"

#include <cmath>

#include "core/analysis/statistics.h"
#include "core/display/panel_geometry.h"

namespace
{

constexpr int32_t LINEAR_PEAK_LIMIT = 100;
// Pixels per count by k = (2 * peak - 1) / 10; k of 10 or more gives 1.
constexpr int LINEAR_FACTORS[] = {20, 10, 6, 5, 4, 3, 2, 2, 2, 2};
constexpr double RATIO_PIXELS_PER_DOT = 100.0;
constexpr int FIRST_SCALED_CLASS = 5;

} // namespace

graph_scale scale_for_peak(int32_t peak)
{
    if (peak > LINEAR_PEAK_LIMIT)
        return {true, 0};
    // A peak of 0 gives -1 / 10, which truncates to 0 like peaks 1 to 5.
    const int32_t k = (2 * peak - 1) / 10;
    const int32_t table_size = sizeof LINEAR_FACTORS / sizeof LINEAR_FACTORS[0];
    return {false, k >= 0 && k < table_size ? LINEAR_FACTORS[k] : 1};
}

int full_height_count(const graph_scale &scale)
{
    return GRAPH_HEIGHT / scale.pixels_per_count;
}

int bar_top(int base, const graph_scale &scale, int32_t counter)
{
    if (!scale.logarithmic)
        return base - counter * scale.pixels_per_count;
    if (counter <= 10)
        return base;
    if (counter > 1000)
        return base - GRAPH_HEIGHT;
    return base + 50 - static_cast<int>(50.0 * std::log10(static_cast<double>(counter)));
}

int32_t ratio_row_largest(const int32_t *length_histogram)
{
    int32_t largest = 0;
    for (int i = FIRST_SCALED_CLASS; i < LENGTH_HISTOGRAM_SIZE; ++i) {
        if (length_histogram[i] > largest)
            largest = length_histogram[i];
    }
    return largest;
}

bool ratio_bar_offset(int class_ms, double mean_dot_ms, int *offset)
{
    const double x = class_ms / mean_dot_ms * RATIO_PIXELS_PER_DOT;
    // The offset is truncated first and skipped above 500, so 500.8 is drawn
    // at the axis end. Compared as a double (trunc(x) <= 500 exactly when x <
    // 501) so that a tiny mean never overflows the cast.
    if (!(x < HISTOGRAM_AXIS_LENGTH + 1))
        return false;
    *offset = static_cast<int>(x);
    return true;
}

int ratio_bar_height(int32_t counter, int32_t largest)
{
    const int height = static_cast<int>(static_cast<double>(counter) / largest * GRAPH_HEIGHT);
    return height > GRAPH_HEIGHT ? GRAPH_HEIGHT : height;
}
