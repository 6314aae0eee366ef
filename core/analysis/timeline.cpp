#include "core/analysis/timeline.h"

#include <cstring>

void timeline_reset(keying_timeline &t)
{
    std::memset(&t, 0, sizeof t);
}

int32_t histogram_bin(uint32_t duration_ms)
{
    const uint32_t bin = duration_ms & ~3u;
    return static_cast<int32_t>(bin > HISTOGRAM_LAST_BIN_MS ? HISTOGRAM_LAST_BIN_MS : bin);
}

static bool append_entry(keying_timeline &t, uint32_t duration_ms, int32_t *histogram,
                         int32_t &peak)
{
    if (timeline_full(t))
        return false;
    t.entries[t.timeline_count] = static_cast<uint16_t>(duration_ms);
    t.timeline_count++;
    const int32_t count = ++histogram[histogram_bin(duration_ms)];
    if (count > peak)
        peak = count;
    return true;
}

bool timeline_append_space(keying_timeline &t, uint32_t duration_ms)
{
    return append_entry(t, duration_ms, t.space_histogram, t.space_histogram_peak);
}

bool timeline_append_mark(keying_timeline &t, uint32_t duration_ms)
{
    return append_entry(t, duration_ms, t.mark_histogram, t.mark_histogram_peak);
}
