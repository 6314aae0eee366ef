#include "core/analysis/timeline.h"

#include <gtest/gtest.h>

TEST(Timeline, HistogramBinIsFourMillisecondsCappedAt500)
{
    const struct {
        uint32_t duration_ms;
        int32_t bin;
    } cases[] = {
        {0, 0},
        {1, 0},
        {3, 0},
        {4, 4},
        {7, 4},
        {499, 496},
        {500, 500},
        {503, 500},
        {504, 500},
        {10199, 500},
        {0xFFFFFFFFu, 500},
    };
    for (const auto &c : cases)
        EXPECT_EQ(histogram_bin(c.duration_ms), c.bin) << c.duration_ms;
}

TEST(Timeline, AppendsAlternateIntoTheirOwnHistogramsWithPeaks)
{
    static keying_timeline t;
    timeline_reset(t);
    EXPECT_TRUE(timeline_append_space(t, 0));
    EXPECT_TRUE(timeline_append_mark(t, 61));
    EXPECT_TRUE(timeline_append_space(t, 59));
    EXPECT_TRUE(timeline_append_mark(t, 62));
    EXPECT_TRUE(timeline_append_space(t, 700));
    EXPECT_TRUE(timeline_append_mark(t, 183));

    EXPECT_EQ(t.timeline_count, 6);
    const uint16_t expected[] = {0, 61, 59, 62, 700, 183, 0};
    for (int i = 0; i < 7; i++)
        EXPECT_EQ(t.entries[i], expected[i]) << i;
    EXPECT_EQ(t.mark_histogram[60], 2);
    EXPECT_EQ(t.mark_histogram[180], 1);
    EXPECT_EQ(t.mark_histogram_peak, 2);
    EXPECT_EQ(t.space_histogram[0], 1);
    EXPECT_EQ(t.space_histogram[56], 1);
    EXPECT_EQ(t.space_histogram[500], 1);
    EXPECT_EQ(t.space_histogram_peak, 1);
}

TEST(Timeline, DurationsAreStoredTruncatedTo16Bits)
{
    static keying_timeline t;
    timeline_reset(t);
    timeline_append_mark(t, 65536 + 12);
    EXPECT_EQ(t.entries[0], 12);
}

TEST(Timeline, StoresAtMost10098EntriesAndLeavesTheRestZero)
{
    static keying_timeline t;
    timeline_reset(t);
    for (int i = 0; i < TIMELINE_MAX_ENTRIES; i++) {
        EXPECT_FALSE(timeline_full(t));
        ASSERT_TRUE(i % 2 ? timeline_append_mark(t, 60) : timeline_append_space(t, 61));
    }
    EXPECT_TRUE(timeline_full(t));
    EXPECT_EQ(t.timeline_count, 10098);

    EXPECT_FALSE(timeline_append_space(t, 70));
    EXPECT_FALSE(timeline_append_mark(t, 70));
    EXPECT_EQ(t.timeline_count, 10098);
    EXPECT_EQ(t.entries[10098], 0);
    EXPECT_EQ(t.entries[10099], 0);
    EXPECT_EQ(t.mark_histogram[68], 0);
    EXPECT_EQ(t.space_histogram[68], 0);
    EXPECT_EQ(t.mark_histogram_peak, 5049);
    EXPECT_EQ(t.space_histogram_peak, 5049);
}

TEST(Timeline, ResetClearsEntriesCountersAndPeaks)
{
    static keying_timeline t;
    timeline_reset(t);
    for (int i = 0; i < 50; i++)
        timeline_append_mark(t, 100 + i);
    timeline_reset(t);
    EXPECT_EQ(t.timeline_count, 0);
    EXPECT_EQ(t.mark_histogram_peak, 0);
    for (int i = 0; i < TIMELINE_SLOTS; i++)
        ASSERT_EQ(t.entries[i], 0) << i;
    for (int i = 0; i < HISTOGRAM_COUNTERS; i++)
        ASSERT_EQ(t.mark_histogram[i], 0) << i;

    // A shorter measurement after a longer one: one past its last entry reads 0.
    timeline_append_space(t, 5);
    timeline_append_mark(t, 6);
    EXPECT_EQ(t.entries[t.timeline_count], 0);
}
