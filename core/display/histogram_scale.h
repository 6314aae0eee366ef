// The scales of the histograms: the live histograms (時間分布), whose graphs
// run from x 80 (0 ms) to x 580 (500 ms), and the ratio histograms
// (点長比分布) of the statistics panel, from x 610 (length 0) to x 1110 (five
// mean dot lengths).
#ifndef VENTROK_CORE_DISPLAY_HISTOGRAM_SCALE_H
#define VENTROK_CORE_DISPLAY_HISTOGRAM_SCALE_H

#include <cstdint>

constexpr int TIME_AXIS_LEFT = 80;
constexpr int RATIO_AXIS_LEFT = 610;
constexpr int HISTOGRAM_AXIS_LENGTH = 500; // pixels, for both graphs

// Up to a peak of 100 counts a live graph is linear with a whole number of
// pixels per count; above it, logarithmic over 10 to 1000 counts.
struct graph_scale {
    bool logarithmic;
    int pixels_per_count; // linear scale only
};

graph_scale scale_for_peak(int32_t peak);

// The label at the top of a linear graph: the count a full-height bar
// stands for (100 / pixels per count).
int full_height_count(const graph_scale &scale);

// y of the top end of the bar of one counter over a graph whose baseline is
// at base; the bar is drawn from the base up to (not including) this y, so
// base itself means no bar.
int bar_top(int base, const graph_scale &scale, int32_t counter);

// The ratio histograms: each row's bars are scaled to its largest counter
// over the classes from 5 ms on, so that a pile of clicks shorter than 5 ms
// does not flatten the real peak.
int32_t ratio_row_largest(const int32_t *length_histogram);

// Where class_ms (a length in whole ms) stands on the ratio axis: its offset
// from x 610 at 100 pixels per mean dot length, truncated. False when that
// offset lies beyond 500 and the class is not drawn.
bool ratio_bar_offset(int class_ms, double mean_dot_ms, int *offset);

// Height of a ratio bar: the counter relative to the row's largest, at most
// 100 pixels.
int ratio_bar_height(int32_t counter, int32_t largest);

#endif
