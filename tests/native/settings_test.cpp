#include "core/app/settings.h"

#include <gtest/gtest.h>

TEST(Settings, ThresholdFromTrackbarIsClampedToItsRange)
{
    const struct {
        int position;
        int32_t threshold;
    } cases[] = {{0, 510},    {1, 510},    {2, 647},    {37, 11982},
                 {38, 12306}, {98, 31737}, {99, 31875}, {100, 31875}};
    for (const auto &c : cases)
        EXPECT_EQ(threshold_from_position(c.position), c.threshold) << "position " << c.position;
}

TEST(Settings, EveryRunStartsFromTheInitialValues)
{
    const settings_record s = initial_settings();
    EXPECT_EQ(s.decode_alphabet, ALPHABET_EUROPEAN);
    EXPECT_EQ(s.code_interval, INTERVAL_MEDIUM);
    EXPECT_FALSE(s.alphabet_auto_switch);
    EXPECT_FALSE(s.large_decoded_text);
    EXPECT_FALSE(s.double_speed_sweep);
    EXPECT_FALSE(s.unit_time_display);
    EXPECT_EQ(s.clipping_mode, CLIPPING_OFF);
    EXPECT_FALSE(s.monitor);
    EXPECT_EQ(s.mark_delay_ms, 2u);
    EXPECT_EQ(s.space_delay_ms, 2u);
    EXPECT_EQ(s.selected_input_device, 0u);
    EXPECT_EQ(s.selected_output_device, 0u);
    // The initial threshold shows as position 37 but is not reachable from it.
    EXPECT_EQ(s.detection_threshold, 12240);
    EXPECT_EQ(threshold_to_position(s.detection_threshold), 37);
    EXPECT_NE(threshold_from_position(37), 12240);
}
