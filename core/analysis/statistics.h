// The keying statistics of the last evaluated measurement: the dot/dash
// decision time found from the mark lengths, the means and population
// deviations of dots, dashes and element gaps, and the two 1 ms length
// histograms the statistics panel draws. The measurement engine holds the
// record: zero at program start, overwritten only by compute_keying_statistics.
#ifndef VENTROK_CORE_ANALYSIS_STATISTICS_H
#define VENTROK_CORE_ANALYSIS_STATISTICS_H

#include <cstdint>

// One class per whole millisecond 0..500; class 500 holds every length of
// 500 ms or more.
constexpr int LENGTH_HISTOGRAM_SIZE = 501;
constexpr int LONGEST_LENGTH_CLASS = 500;

// Decision time when no dot peak is found (2 x 501 ms).
constexpr int32_t NO_PEAK_DECISION_TIME_MS = 1002;

struct keying_statistics {
    int32_t decision_time_ms; // marks shorter are dots, from this length on dashes
    double mean_dot_ms;
    double dot_deviation_ms;
    double mean_dash_ms;
    double dash_deviation_ms;
    double mean_gap_ms;
    double gap_deviation_ms;
    int32_t dot_count;
    int32_t dash_count;
    uint32_t keying_seconds; // sum of all timeline entries / 1000, truncated
    bool statistics_failed;  // the dot, dash or gap class was empty
    int32_t mark_length_histogram[LENGTH_HISTOGRAM_SIZE];
    int32_t space_length_histogram[LENGTH_HISTOGRAM_SIZE]; // leading space not counted
};

// Program start: every value and counter zero.
void keying_statistics_init(keying_statistics &stats);

// Evaluates the timeline entries[0..timeline_count-1] (entry 0 the space
// before the first mark, odd entries marks, even entries spaces) into stats.
// A class that comes out empty keeps the mean and deviation stats held
// before and sets the statistics failed flag.
void compute_keying_statistics(keying_statistics &stats, const uint16_t *entries,
                               int timeline_count);

// Derived values, computed when shown or written, never stored. The ratios
// are infinite or NaN when the mean dot length is 0.
double dash_dot_ratio(const keying_statistics &stats);
double gap_dot_ratio(const keying_statistics &stats);
int mark_count(int timeline_count); // one mark per keystroke: count / 2

#endif
