#include "core/app/measurement_state.h"
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

TEST(Settings, InitialThresholdShowsAsPosition37ButIsNotReachableFromIt)
{
    reset_settings();
    EXPECT_EQ(settings().detection_threshold, 12240);
    EXPECT_EQ(threshold_to_position(settings().detection_threshold), 37);
    EXPECT_NE(threshold_from_position(37), 12240);
    EXPECT_EQ(settings().mark_delay_ms, 2u);
    EXPECT_EQ(settings().code_interval, INTERVAL_MEDIUM);
}

TEST(MeasurementState, PhasesFollowSuspendedFlagAndRecordingPhase)
{
    reset_measurement_state();
    measurement_state &m = measurement_for_update();
    m.analysis_suspended = true;
    EXPECT_EQ(measurement_phase(), PHASE_IDLE);
    m.analysis_suspended = false;
    EXPECT_EQ(measurement_phase(), PHASE_ARMED);
    m.recording_phase = RECORDING_ACTIVE;
    EXPECT_EQ(measurement_phase(), PHASE_RECORDING);
    m.recording_phase = RECORDING_STOPPED;
    m.analysis_suspended = true;
    EXPECT_EQ(measurement_phase(), PHASE_STOPPED);
}
