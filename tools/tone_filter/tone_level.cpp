#include "tools/tone_filter/tone_level.h"

namespace
{

struct cluster {
    uint64_t count;
    double mean_bin;
};

cluster cluster_of(const tone_level &t, int first, int last)
{
    uint64_t count = 0;
    double sum = 0.0;
    for (int b = first; b <= last; b++) {
        count += t.histogram[b];
        sum += static_cast<double>(t.histogram[b]) * b;
    }
    return {count, count ? sum / static_cast<double>(count) : 0.0};
}

// The bin that holds the middle sample of bins first..last (count samples).
int median_bin(const tone_level &t, int first, int last, uint64_t count)
{
    uint64_t seen = 0;
    for (int b = first; b < last; b++) {
        seen += t.histogram[b];
        if (2 * seen > count)
            return b;
    }
    return last;
}

// The tone's level in what has been added, or 0 when none stands clear.
int32_t evaluate(const tone_level &t)
{
    int split = static_cast<int>(cluster_of(t, 0, TONE_LEVEL_BINS - 1).mean_bin);
    for (int round = 0; round < 64; round++) {
        const cluster low = cluster_of(t, 0, split);
        const cluster high = cluster_of(t, split + 1, TONE_LEVEL_BINS - 1);
        if (low.count == 0 || high.count == 0)
            return 0;
        const int next = static_cast<int>((low.mean_bin + high.mean_bin) / 2.0);
        if (next == split)
            break;
        split = next;
    }
    const cluster low = cluster_of(t, 0, split);
    const cluster high = cluster_of(t, split + 1, TONE_LEVEL_BINS - 1);
    if (high.count < TONE_LEVEL_MIN_TONE_SAMPLES)
        return 0;
    // Bin centres, so that silence (bin 0) still has a level to compare with.
    const int32_t low_level = median_bin(t, 0, split, low.count) * TONE_LEVEL_BIN_WIDTH +
                              TONE_LEVEL_BIN_WIDTH / 2;
    const int32_t level =
        median_bin(t, split + 1, TONE_LEVEL_BINS - 1, high.count) * TONE_LEVEL_BIN_WIDTH +
        TONE_LEVEL_BIN_WIDTH / 2;
    if (level < TONE_LEVEL_MIN || level < TONE_LEVEL_SEPARATION * low_level)
        return 0;
    return level;
}

} // namespace

void tone_level_init(tone_level &t)
{
    t = tone_level{};
}

bool tone_level_add(tone_level &t, const int16_t *envelope, size_t count)
{
    for (size_t n = 0; n < count && t.level == 0; n++) {
        t.histogram[(envelope[n] < 0 ? 0 : envelope[n]) / TONE_LEVEL_BIN_WIDTH]++;
        t.count++;
        if (t.count >= TONE_LEVEL_FIRST_SAMPLES &&
            (t.count - TONE_LEVEL_FIRST_SAMPLES) % TONE_LEVEL_STEP_SAMPLES == 0)
            t.level = evaluate(t);
    }
    return t.level != 0;
}

int32_t tone_level_found(const tone_level &t)
{
    return t.level != 0 ? t.level : evaluate(t);
}

double tone_level_gain(int32_t level)
{
    return level > 0 ? static_cast<double>(TONE_FILTER_LEVEL) / level : 1.0;
}
