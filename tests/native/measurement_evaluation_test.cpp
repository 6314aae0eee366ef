#include "core/app/measurement_evaluation.h"

#include "core/analysis/statistics.h"
#include "core/analysis/timeline.h"
#include "core/app/measurement_state.h"
#include "core/audio/detector.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace
{

// Ten dots of 60 ms and ten dashes of 180 ms with 60 ms gaps, as a stop would
// find them in the timeline, with the clock at 12.345 s.
void record_keying(int entries)
{
    keying_timeline &t = timeline_for_update();
    timeline_reset(t);
    for (int i = 0; i < entries; i++) {
        if (i % 2 == 0)
            timeline_append_space(t, i == 0 ? 0 : 60);
        else
            timeline_append_mark(t, i < 20 ? 60 : 180);
    }
    detector_for_update().measurement_clock = 12345;
}

TEST(MeasurementEvaluation, FortyEntriesAreEvaluatedThirtyNineAreTooFew)
{
    reset_measurement_state();
    record_keying(39);
    EXPECT_FALSE(evaluate_stopped_measurement());
    EXPECT_TRUE(measurement().too_few_keyings);
    EXPECT_EQ(measurement().measured_seconds, 0);

    record_keying(40);
    EXPECT_TRUE(evaluate_stopped_measurement());
    EXPECT_FALSE(measurement().too_few_keyings);
    EXPECT_EQ(measurement().measured_seconds, 12);
    EXPECT_EQ(keying_stats().decision_time_ms, 140);
    EXPECT_EQ(keying_stats().dot_count, 10);
    EXPECT_EQ(keying_stats().dash_count, 10);
}

TEST(MeasurementEvaluation, SavedFileCarriesTheMeasuredSecondsAndEveryEntry)
{
    reset_measurement_state();
    record_keying(40);
    ASSERT_TRUE(evaluate_stopped_measurement());
    const char *path = "measurement_evaluation_test.csv";
    ASSERT_TRUE(save_keying_data_file(path));
    FILE *file = std::fopen(path, "rb");
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;)
        text.push_back(static_cast<char>(c));
    std::fclose(file);
    std::remove(path);
    EXPECT_NE(text.find("集計時間[秒],12\n"), std::string::npos);
    EXPECT_NE(text.find("総打点数[点],20,総データー数[個],40\n"), std::string::npos);
    EXPECT_NE(text.find("\n0,60,60,60,"), std::string::npos);
    EXPECT_NE(text.find(",180,0\n打鍵終了\n"), std::string::npos);
    EXPECT_FALSE(save_keying_data_file("no-such-folder/x.csv"));
}

} // namespace
