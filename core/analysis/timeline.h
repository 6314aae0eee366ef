// The keying timeline: the durations of every space and mark of one
// measurement in clock milliseconds, in the order they happened, with the
// live mark and space histograms that are updated as entries arrive.
//
// Entry 0 is the space before the first mark; odd entries are marks, even
// entries spaces. The measurement engine holds one, appends to it while
// recording and resets it at the start and clear sequences; the statistics,
// the live histograms and the keying data file read it.
#ifndef VENTROK_CORE_ANALYSIS_TIMELINE_H
#define VENTROK_CORE_ANALYSIS_TIMELINE_H

#include <cstdint>

// Storage slots of the timeline. Every slot is zeroed by a reset.
constexpr int32_t TIMELINE_SLOTS = 10100;

// Entries actually stored, two fewer than the slots: a keying data file
// written from the timeline must fit the replay record of 10100 slots together
// with its two closing zero entries, and the statistics may read the entry one
// past the last, which must stay inside the array and read 0. Appends beyond
// this are dropped (the engine asks for a stop as soon as it is reached).
constexpr int32_t TIMELINE_MAX_ENTRIES = 10098;

// Histogram counters, indexed by the duration in ms rounded down to a
// multiple of 4 and capped at 500; only indices 0, 4, ..., 500 are used.
constexpr int32_t HISTOGRAM_COUNTERS = 501;
constexpr uint32_t HISTOGRAM_LAST_BIN_MS = 500;

struct keying_timeline {
    uint16_t entries[TIMELINE_SLOTS]; // durations in ms, truncated to 16 bits
    int32_t timeline_count;           // entries stored, 0..TIMELINE_MAX_ENTRIES
    int32_t mark_histogram[HISTOGRAM_COUNTERS];
    int32_t space_histogram[HISTOGRAM_COUNTERS]; // entry 0 included
    int32_t mark_histogram_peak;                 // largest mark counter
    int32_t space_histogram_peak;                // largest space counter
};

// All slots, the count, every counter and both peaks to 0.
void timeline_reset(keying_timeline &t);

// Histogram index of a duration: d with its two low bits cleared, capped at 500.
int32_t histogram_bin(uint32_t duration_ms);

// Append a space or a mark of duration_ms and count it in its histogram.
// Returns false, changing nothing, when the timeline is already full.
bool timeline_append_space(keying_timeline &t, uint32_t duration_ms);
bool timeline_append_mark(keying_timeline &t, uint32_t duration_ms);

inline bool timeline_full(const keying_timeline &t)
{
    return t.timeline_count >= TIMELINE_MAX_ENTRIES;
}

#endif
