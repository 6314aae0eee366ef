#include "core/analysis/statistics.h"

#include <cmath>
#include <cstring>

void keying_statistics_init(keying_statistics &stats)
{
    std::memset(&stats, 0, sizeof stats);
}

static int length_class(uint16_t duration_ms)
{
    return duration_ms > LONGEST_LENGTH_CLASS ? LONGEST_LENGTH_CLASS : duration_ms;
}

static void build_histograms(keying_statistics &stats, const uint16_t *entries,
                             int timeline_count)
{
    std::memset(stats.mark_length_histogram, 0, sizeof stats.mark_length_histogram);
    std::memset(stats.space_length_histogram, 0, sizeof stats.space_length_histogram);
    // Marks at odd indices, each followed by its space; the leading space
    // (entry 0) is not counted.
    for (int i = 1; i < timeline_count; i += 2) {
        stats.mark_length_histogram[length_class(entries[i])]++;
        if (i + 1 < timeline_count)
            stats.space_length_histogram[length_class(entries[i + 1])]++;
    }
}

// The dot peak is the first pronounced maximum of the mark lengths seen
// through a window of 19 classes: the search ends 21 centres after the last
// window sum that reached the running best, provided that best holds more
// than one twentieth of the timeline count.
static int32_t find_decision_time(const keying_statistics &stats, int timeline_count)
{
    const int32_t *marks = stats.mark_length_histogram;
    const int peak_threshold = timeline_count / 20;
    double best = 0;
    int run = 0;
    for (int centre = 10; centre <= LONGEST_LENGTH_CLASS; centre++) {
        int32_t window_sum = 0;
        for (int k = centre - 9; k <= centre + 9 && k <= LONGEST_LENGTH_CLASS; k++)
            window_sum += marks[k];
        if (window_sum >= best) {
            best = window_sum; // an equal sum moves the peak on
            run = 0;
            continue;
        }
        run++;
        if (run > 20) {
            if (best > peak_threshold)
                return 2 * (centre - 20);
            run = 0; // too small to be the dot peak: keep looking
        }
    }
    return NO_PEAK_DECISION_TIME_MS;
}

// Mean and population deviation of histogram classes first..last. Returns
// the number of lengths in the class; an empty class leaves mean and
// deviation as they were and sets the failed flag.
static int32_t evaluate_class(keying_statistics &stats, const int32_t *histogram, int first,
                              int last, double &mean, double &deviation)
{
    if (last > LONGEST_LENGTH_CLASS)
        last = LONGEST_LENGTH_CLASS;
    int64_t n = 0;
    int64_t sum_ms = 0; // counter x class value, formed in integers
    for (int k = first; k <= last; k++) {
        n += histogram[k];
        sum_ms += int64_t(histogram[k]) * k;
    }
    if (n == 0) {
        stats.statistics_failed = true;
        return 0;
    }
    mean = double(sum_ms) / double(n);
    double squares = 0;
    for (int k = first; k <= last; k++) {
        const double d = double(k) - mean;
        squares += histogram[k] * d * d;
    }
    deviation = std::sqrt(squares / double(n));
    return int32_t(n);
}

void compute_keying_statistics(keying_statistics &stats, const uint16_t *entries,
                               int timeline_count)
{
    build_histograms(stats, entries, timeline_count);
    const int32_t decision = find_decision_time(stats, timeline_count);
    stats.decision_time_ms = decision;

    stats.statistics_failed = false;
    // Lengths below 5 ms belong to no class; class 500 (500 ms or more) is
    // never a dash.
    stats.dot_count = evaluate_class(stats, stats.mark_length_histogram, 5, decision - 1,
                                     stats.mean_dot_ms, stats.dot_deviation_ms);
    stats.dash_count = evaluate_class(stats, stats.mark_length_histogram, decision, 499,
                                      stats.mean_dash_ms, stats.dash_deviation_ms);
    evaluate_class(stats, stats.space_length_histogram, 5, decision - 1, stats.mean_gap_ms,
                   stats.gap_deviation_ms);

    uint32_t total_ms = 0;
    for (int i = 0; i < timeline_count; i++)
        total_ms += entries[i];
    stats.keying_seconds = total_ms / 1000;
}

double dash_dot_ratio(const keying_statistics &stats)
{
    return stats.mean_dash_ms / stats.mean_dot_ms;
}

double gap_dot_ratio(const keying_statistics &stats)
{
    return stats.mean_gap_ms / stats.mean_dot_ms;
}

int mark_count(int timeline_count)
{
    return timeline_count / 2;
}
