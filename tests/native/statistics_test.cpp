#include "core/analysis/statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

// The statistics record under test; like the program's, it keeps what an
// empty class leaves from one evaluation to the next.
keying_statistics stats_record;

// A timeline built element by element: entry 0 the leading space, then
// mark, space, mark, ... A trailing sentinel behind the stored entries shows
// whether anything past the count is read.
struct timeline_builder {
    std::vector<uint16_t> entries{0};
    void key(uint16_t mark_ms, uint16_t space_ms)
    {
        entries.push_back(mark_ms);
        entries.push_back(space_ms);
    }
    void repeat(int times, uint16_t mark_ms, uint16_t space_ms)
    {
        for (int i = 0; i < times; i++)
            key(mark_ms, space_ms);
    }
    // Drops the final space so the timeline ends with a mark (even count).
    void end_with_mark() { entries.pop_back(); }
    int count() const { return int(entries.size()); }
    const keying_statistics &evaluate()
    {
        std::vector<uint16_t> stored = entries;
        stored.push_back(777); // never part of the timeline
        compute_keying_statistics(stats_record, stored.data(), count());
        return stats_record;
    }
};

// Ten letters A: dot 60, gap 60, dash 180, letter gap 180; 40 entries.
timeline_builder ten_letters_a()
{
    timeline_builder t;
    for (int i = 0; i < 10; i++) {
        t.key(60, 60);
        t.key(180, 180);
    }
    t.end_with_mark();
    return t;
}

} // namespace

TEST(KeyingStatistics, EvenKeyingFindsDecisionTime140WithExactMeans)
{
    keying_statistics_init(stats_record);
    timeline_builder t = ten_letters_a();
    ASSERT_EQ(t.count(), 40);
    const keying_statistics &s = t.evaluate();
    EXPECT_EQ(s.decision_time_ms, 140);
    EXPECT_DOUBLE_EQ(s.mean_dot_ms, 60.0);
    EXPECT_DOUBLE_EQ(s.dot_deviation_ms, 0.0);
    EXPECT_DOUBLE_EQ(s.mean_dash_ms, 180.0);
    EXPECT_DOUBLE_EQ(s.dash_deviation_ms, 0.0);
    EXPECT_DOUBLE_EQ(s.mean_gap_ms, 60.0);
    EXPECT_DOUBLE_EQ(s.gap_deviation_ms, 0.0);
    EXPECT_EQ(s.dot_count, 10);
    EXPECT_EQ(s.dash_count, 10);
    EXPECT_FALSE(s.statistics_failed);
    EXPECT_DOUBLE_EQ(dash_dot_ratio(s), 3.0);
    EXPECT_DOUBLE_EQ(gap_dot_ratio(s), 1.0);
    EXPECT_EQ(mark_count(t.count()), 20);
    // 10 x 60 + 10 x 180 + 10 x 60 + 9 x 180 = 4620 ms.
    EXPECT_EQ(s.keying_seconds, 4u);
    EXPECT_EQ(s.mark_length_histogram[60], 10);
    EXPECT_EQ(s.mark_length_histogram[180], 10);
    EXPECT_EQ(s.space_length_histogram[60], 10);
    EXPECT_EQ(s.space_length_histogram[180], 9);
    EXPECT_EQ(s.space_length_histogram[0], 0); // the leading space is not counted
}

// Marks of the groups in order, each followed by a 60 ms gap.
struct peak_case {
    const char *name;
    std::vector<std::pair<int, uint16_t>> groups; // (how many, mark ms)
    int32_t decision_time_ms;
    int32_t dot_count;
    double mean_dot_ms;
    double dot_deviation_ms;
    int32_t dash_count;
    bool failed;
};

TEST(KeyingStatistics, DecisionTimeFollowsTheFirstPronouncedPeak)
{
    const peak_case cases[] = {
        // The search ends at centre 90, before any window reaches 100 ms.
        {"60 and 100 are all dots", {{10, 60}, {10, 100}}, 140, 20, 80.0, 20.0, 0, true},
        {"60 and 140 split at 140", {{10, 60}, {10, 140}}, 140, 10, 60.0, 0.0, 10, false},
        // 80 ms reaches the running best 10 ms after 60 ms: peak moves on,
        // search ends at centre 110.
        {"later group takes over", {{10, 60}, {10, 80}, {20, 240}}, 180, 20, 70.0, 10.0, 20, false},
        // Three marks (window sum 3) do not exceed 80 / 20 = 4; the 120 ms
        // group ends the search at centre 150.
        {"small peak passed over",
         {{3, 30}, {17, 120}, {20, 300}},
         260,
         20,
         106.5,
         std::sqrt((3 * 76.5 * 76.5 + 17 * 13.5 * 13.5) / 20),
         20,
         false},
        // Two marks never exceed 40 / 20 = 2 and 0 ms marks are in no
        // window: no peak at all.
        {"no qualifying peak", {{2, 60}, {18, 0}}, 1002, 2, 60.0, 0.0, 0, true},
        // Class 500 is inside the dot class only because D - 1 > 500.
        {"long marks are dots at 1002", {{20, 700}}, 1002, 20, 500.0, 0.0, 0, true},
        // Class 500 is never a dash.
        {"class 500 never a dash", {{10, 60}, {10, 700}}, 140, 10, 60.0, 0.0, 0, true},
        // Marks below 5 ms are in no class (two of them stay below 45 / 20).
        {"short marks in no class", {{10, 60}, {10, 180}, {2, 4}}, 140, 10, 60.0, 0.0, 10, false},
    };
    for (const peak_case &c : cases) {
        keying_statistics_init(stats_record);
        timeline_builder t;
        for (const auto &g : c.groups)
            t.repeat(g.first, g.second, 60);
        const keying_statistics &s = t.evaluate();
        SCOPED_TRACE(c.name);
        EXPECT_EQ(s.decision_time_ms, c.decision_time_ms);
        EXPECT_EQ(s.dot_count, c.dot_count);
        EXPECT_NEAR(s.mean_dot_ms, c.mean_dot_ms, 1e-9);
        EXPECT_NEAR(s.dot_deviation_ms, c.dot_deviation_ms, 1e-9);
        EXPECT_EQ(s.dash_count, c.dash_count);
        EXPECT_EQ(s.statistics_failed, c.failed);
    }
}

TEST(KeyingStatistics, EmptyClassKeepsValuesOfTheLastMeasurementThatHadIt)
{
    keying_statistics_init(stats_record);
    timeline_builder dots_only;
    dots_only.repeat(20, 60, 60);
    const keying_statistics &first = dots_only.evaluate();
    EXPECT_TRUE(first.statistics_failed);
    EXPECT_EQ(first.dash_count, 0);
    EXPECT_EQ(first.mean_dash_ms, 0.0); // never filled since program start

    ten_letters_a().evaluate();
    EXPECT_FALSE(stats_record.statistics_failed);

    timeline_builder uneven_dots;
    uneven_dots.repeat(10, 50, 60);
    uneven_dots.repeat(10, 70, 60);
    const keying_statistics &s = uneven_dots.evaluate();
    EXPECT_TRUE(s.statistics_failed);
    EXPECT_EQ(s.dash_count, 0);
    EXPECT_DOUBLE_EQ(s.mean_dash_ms, 180.0);
    EXPECT_DOUBLE_EQ(s.dash_deviation_ms, 0.0);
    EXPECT_DOUBLE_EQ(s.mean_dot_ms, 60.0);
    EXPECT_DOUBLE_EQ(s.dot_deviation_ms, 10.0);
    EXPECT_EQ(s.dot_count, 20);
}

TEST(KeyingStatistics, EmptyGapClassAloneSetsTheFailedFlag)
{
    keying_statistics_init(stats_record);
    timeline_builder t;
    for (int i = 0; i < 10; i++) {
        t.key(60, 300); // every space a word space, at least D long
        t.key(180, 300);
    }
    const keying_statistics &s = t.evaluate();
    EXPECT_EQ(s.decision_time_ms, 140);
    EXPECT_EQ(s.dot_count, 10);
    EXPECT_EQ(s.dash_count, 10);
    EXPECT_TRUE(s.statistics_failed);
}

TEST(KeyingStatistics, OnlyStoredEntriesAreReadAndOddCountEndsWithASpace)
{
    keying_statistics_init(stats_record);
    timeline_builder t = ten_letters_a();
    t.entries[0] = 1500; // leading space: in the keying time, not in the histogram
    t.entries.push_back(60);
    ASSERT_EQ(t.count(), 41);
    const keying_statistics &s = t.evaluate();
    EXPECT_EQ(s.space_length_histogram[60], 11);
    EXPECT_EQ(s.mark_length_histogram[500], 0); // the sentinel behind the count
    EXPECT_EQ(s.space_length_histogram[500], 0);
    // 4620 + 1500 + 60 ms.
    EXPECT_EQ(s.keying_seconds, 6u);

    // Lengths of 0..4 ms and above 500 land in their histogram classes.
    timeline_builder u = ten_letters_a();
    u.entries[1] = 3;
    u.entries[2] = 4;
    u.entries[3] = 65535;
    u.evaluate();
    EXPECT_EQ(stats_record.mark_length_histogram[3], 1);
    EXPECT_EQ(stats_record.space_length_histogram[4], 1);
    EXPECT_EQ(stats_record.mark_length_histogram[500], 1);
    EXPECT_EQ(stats_record.dot_count, 9);
    EXPECT_EQ(stats_record.dash_count, 9);
}

TEST(KeyingStatistics, RatiosAreNotFiniteWithoutAMeanDotLength)
{
    keying_statistics_init(stats_record);
    keying_statistics s = stats_record;
    s.mean_dash_ms = 180.0;
    EXPECT_TRUE(std::isinf(dash_dot_ratio(s)));
    EXPECT_TRUE(std::isnan(gap_dot_ratio(s)));
}
