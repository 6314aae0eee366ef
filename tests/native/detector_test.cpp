// Key detection, the acceptance of marks and spaces, the recording start,
// the display step and the meter and stop cadence of the detector alone.
// Signals are built sample by sample; 11 samples make one clock millisecond,
// and the first onset puts its sample at sample counter 0, so sample k of a
// recording has clock k / 11. Expected values are worked out by hand in the
// comments.
#include "core/audio/detector.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

constexpr int16_t LOUD = 8000;
constexpr int16_t QUIET = 0;

// One reported event: F first onset, M mark accepted (value: the space
// before it), S space accepted (value: the mark), D display step (value: the
// key state), with the sample counter at which it happened.
struct event {
    char kind;
    uint32_t value;
    uint32_t counter;
};

class Detector : public ::testing::Test
{
  protected:
    detector_state d{};
    detector_settings s{1000, 2, 2};
    std::vector<event> log;

    void SetUp() override
    {
        detector_init(d);
        log.clear();
    }

    void feed(int16_t amplitude, int samples)
    {
        for (int i = 0; i < samples; i++) {
            const uint32_t e = detector_analyse_sample(d, amplitude, s);
            if (e & DETECTOR_FIRST_ONSET)
                log.push_back({'F', 0, d.sample_counter});
            if (e & DETECTOR_MARK_ACCEPTED)
                log.push_back({'M', detector_space_before_mark_ms(d), d.sample_counter});
            if (e & DETECTOR_SPACE_ACCEPTED)
                log.push_back({'S', detector_accepted_mark_ms(d), d.sample_counter});
            if (e & DETECTOR_DISPLAY_STEP)
                log.push_back({'D', d.key_down ? 1u : 0u, d.sample_counter});
        }
    }

    // The durations of the accepted marks and spaces, in timeline order
    // (each M reports the space before it, each S the mark).
    std::vector<uint32_t> accepted() const
    {
        std::vector<uint32_t> out;
        for (const event &e : log)
            if (e.kind == 'M' || e.kind == 'S')
                out.push_back(e.value);
        return out;
    }

    std::vector<uint32_t> values(char kind) const
    {
        std::vector<uint32_t> out;
        for (const event &e : log)
            if (e.kind == kind)
                out.push_back(e.value);
        return out;
    }

    // A dot of 110 loud samples from the onset at sample 0: the key is up at
    // sample 125 (clock 11), the space is accepted at sample 154 (clock 14)
    // with the mark of 11 ms.
    void dot_then_quiet_until(int next_sample)
    {
        feed(LOUD, 110);
        feed(QUIET, next_sample - 110);
    }
};

using V = std::vector<uint32_t>;

TEST_F(Detector, OnlyMagnitudesAboveTheThresholdAreLoud)
{
    const struct {
        int32_t threshold;
        int16_t sample;
        bool down;
    } cases[] = {
        {1000, 1000, false},    {1000, -1000, false}, {1000, 999, false},
        {1000, 1001, true},     {1000, -1001, true},  {31875, 31875, false},
        {31875, -31875, false}, {31875, 32767, true}, {31875, -32768, true},
    };
    for (const auto &c : cases) {
        detector_init(d);
        s.detection_threshold = c.threshold;
        feed(c.sample, 1);
        EXPECT_EQ(d.key_down, c.down) << c.threshold << " " << c.sample;
    }
}

TEST_F(Detector, KeyStaysDownFor15QuietSamplesAndIsUpAtThe16th)
{
    feed(LOUD, 1);
    EXPECT_TRUE(d.key_down);
    for (int i = 1; i <= 15; i++) {
        feed(QUIET, 1);
        EXPECT_TRUE(d.key_down) << "quiet sample " << i;
    }
    feed(QUIET, 1);
    EXPECT_FALSE(d.key_down);

    // A loud sample inside the hang starts it over.
    feed(LOUD, 1);
    feed(QUIET, 10);
    feed(LOUD, 1);
    feed(QUIET, 15);
    EXPECT_TRUE(d.key_down);
    feed(QUIET, 1);
    EXPECT_FALSE(d.key_down);
}

TEST_F(Detector, FirstMarkAcceptedWhenClockPassesTheMarkDelay)
{
    // Accepted at the first sample k with k / 11 > delay, k = 11 * (delay + 1).
    const struct {
        uint32_t delay_ms;
        int samples_before;
    } cases[] = {{0, 11}, {2, 33}, {5, 66}};
    for (const auto &c : cases) {
        SetUp();
        s.mark_delay_ms = c.delay_ms;
        feed(LOUD, c.samples_before);
        EXPECT_FALSE(d.mark_accepted) << c.delay_ms;
        EXPECT_TRUE(values('M').empty());
        feed(LOUD, 1);
        EXPECT_TRUE(d.mark_accepted) << c.delay_ms;
        EXPECT_EQ(d.measurement_clock, c.delay_ms + 1);
        EXPECT_EQ(values('M'), V({0}));
    }
}

TEST_F(Detector, FirstOnsetRestartsTheClockAndLaterOnsetsDoNot)
{
    feed(QUIET, 500);
    EXPECT_EQ(d.measurement_clock, 45u);
    EXPECT_TRUE(values('F').empty());
    feed(LOUD, 1);
    EXPECT_EQ(values('F').size(), 1u);
    EXPECT_EQ(d.sample_counter, 0u);
    EXPECT_EQ(d.measurement_clock, 0u);
    EXPECT_EQ(d.space_start_time, 0u);
    EXPECT_EQ(d.key_down_onsets, 1);

    feed(LOUD, 109);
    feed(QUIET, 440);
    feed(LOUD, 1);
    EXPECT_EQ(d.key_down_onsets, 2);
    EXPECT_EQ(d.sample_counter, 550u);
    EXPECT_EQ(values('F').size(), 1u);

    // After a clear the next onset starts a recording again; the reset of
    // the start sequence alone does not.
    detector_measurement_reset(d);
    feed(QUIET, 200);
    feed(LOUD, 1);
    EXPECT_EQ(values('F').size(), 1u);
    detector_clear(d);
    feed(QUIET, 200);
    feed(LOUD, 1);
    EXPECT_EQ(values('F').size(), 2u);
    EXPECT_EQ(d.sample_counter, 0u);
}

TEST_F(Detector, ShortKeyDownLeavesNoTraceAndDoesNotSplitTheSpace)
{
    // After the dot (mark 11, space start 11) a key-down begins at sample 550
    // (clock 50). With the hang it is down through sample 549 + loud + 15; it
    // is accepted only if still down at sample 583 (clock 53), i.e. loud >= 19.
    // The real mark then begins at sample 1100 (clock 100).
    const struct {
        int loud;
        V entries;
    } cases[] = {
        {1, {0, 11, 89}},
        {18, {0, 11, 89}},
        // Accepted: space 50 - 11, mark from clock 50 to its key-up at
        // sample 549 + 19 + 16 = 584 (clock 53), then space 100 - 53.
        {19, {0, 11, 39, 3, 47}},
    };
    for (const auto &c : cases) {
        SetUp();
        dot_then_quiet_until(550);
        feed(LOUD, c.loud);
        feed(QUIET, 1100 - 550 - c.loud);
        feed(LOUD, 110);
        EXPECT_EQ(accepted(), c.entries) << "loud " << c.loud;
    }
}

TEST_F(Detector, ShortKeyUpInsideAMarkDoesNotEndIt)
{
    // Loud samples 0..219, key up at sample 235 (clock 21). The key-up is
    // accepted only if still up at sample 264 (clock 24 > 21 + 2), i.e. with
    // at least 45 quiet samples. Then 300 loud samples and the final key-up.
    const struct {
        int quiet;
        V entries;
    } cases[] = {
        // Key up again at 220 + 25 + 300 + 15 = 560 (clock 50).
        {25, {0, 50}},
        // Key up again at 579 (clock 52).
        {44, {0, 52}},
        // Mark 21 accepted; onset at 265 (clock 24): space 3; key up at 580
        // (clock 52): mark 52 - 24.
        {45, {0, 21, 3, 28}},
    };
    for (const auto &c : cases) {
        SetUp();
        feed(LOUD, 220);
        feed(QUIET, c.quiet);
        feed(LOUD, 300);
        feed(QUIET, 100);
        EXPECT_EQ(accepted(), c.entries) << "quiet " << c.quiet;
    }
}

TEST_F(Detector, SpaceAcceptedWhenItsClockPassesTheSpaceDelay)
{
    // The dot's key-up starts at sample 125 (clock 11); with delay 0 the
    // space is accepted at sample 132 (clock 12), with delay 2 at sample 154
    // (clock 14), with delay 5 at sample 187 (clock 17).
    const struct {
        uint32_t delay_ms;
        uint32_t counter;
    } cases[] = {{0, 132}, {2, 154}, {5, 187}};
    for (const auto &c : cases) {
        SetUp();
        s.space_delay_ms = c.delay_ms;
        dot_then_quiet_until(400);
        ASSERT_EQ(values('S'), V({11})) << c.delay_ms;
        for (const event &e : log) {
            if (e.kind == 'S') {
                EXPECT_EQ(e.counter, c.counter) << c.delay_ms;
            }
        }
        EXPECT_EQ(d.space_start_time, 11u);
    }
}

TEST_F(Detector, PeakLevelIsTheLargestSignedSampleAlsoWhileSuspended)
{
    int32_t peak = -1;
    feed(-20000, 1200); // clock 109
    ASSERT_TRUE(detector_take_meter_reading(d, peak));
    EXPECT_EQ(peak, 0);

    const int16_t block[] = {300, -32768, 7000, 6999};
    const uint32_t counter = d.sample_counter;
    const bool key_down = d.key_down;
    log.clear();
    detector_count_samples(d, block, 4);
    EXPECT_EQ(d.peak_level, 7000);
    EXPECT_EQ(d.sample_counter, counter + 4);
    EXPECT_EQ(d.key_down, key_down); // nothing is analysed while suspended
}

TEST_F(Detector, MeterReadingWhenMoreThan100MsHavePassed)
{
    int32_t peak = 0;
    const int16_t block[1110] = {};
    std::vector<int16_t> loud(1110, 500);
    const struct {
        int samples;
        bool due;
        uint32_t clock;
    } steps[] = {
        {1110, false, 100}, // 1110 / 11 = 100
        {1, true, 101},
        {1110, false, 201},
        {1, true, 202},
    };
    for (const auto &step : steps) {
        detector_count_samples(d, loud.data(), static_cast<size_t>(step.samples));
        EXPECT_EQ(d.measurement_clock, step.clock);
        EXPECT_EQ(detector_take_meter_reading(d, peak), step.due) << "clock " << step.clock;
    }
    EXPECT_EQ(d.last_meter_time, 202u);
    EXPECT_EQ(d.peak_level, 0);
    EXPECT_EQ(peak, 500);

    // The clock restarting behind the last meter time wraps: due at once.
    detector_measurement_reset(d);
    detector_count_samples(d, block, 11);
    EXPECT_TRUE(detector_take_meter_reading(d, peak));
    EXPECT_EQ(peak, 0);
}

TEST_F(Detector, DisplayStepEveryEighthAnalysedSample)
{
    feed(QUIET, 7);
    EXPECT_TRUE(values('D').empty());
    feed(QUIET, 1);
    EXPECT_EQ(values('D'), V({0}));
    feed(LOUD, 8);
    // Quiet samples 1..15 still down, the 16th up: steps at 8 and 16.
    feed(QUIET, 16);
    EXPECT_EQ(values('D'), V({0, 1, 1, 0}));
    // Samples only counted while suspended do not move the step on.
    const int16_t block[5] = {};
    detector_count_samples(d, block, 5);
    feed(QUIET, 7);
    EXPECT_EQ(values('D').size(), 4u);
    feed(QUIET, 1);
    EXPECT_EQ(values('D').size(), 5u);
}

TEST_F(Detector, AutomaticStopLimitsAtTheirEdges)
{
    const struct {
        uint32_t clock, space_start, mark_start;
        int32_t count;
        bool stop;
    } cases[] = {
        {10000, 0, 0, 0, false},
        {10001, 0, 10001, 0, true},
        {10001, 10001, 0, 0, true},
        {10001, 1, 1, 0, false},
        {500, 400, 300, 10000, false},
        {500, 400, 300, 10001, true},
        {300000, 299999, 299999, 0, false},
        {300001, 299999, 299999, 0, true},
        // A start time ahead of the clock (left from before it restarted)
        // wraps to a long time.
        {5, 0, 6, 0, true},
    };
    for (const auto &c : cases) {
        d.measurement_clock = c.clock;
        d.space_start_time = c.space_start;
        d.mark_start_time = c.mark_start;
        EXPECT_EQ(detector_automatic_stop_due(d, c.count), c.stop)
            << c.clock << " " << c.space_start << " " << c.mark_start << " " << c.count;
    }
}

TEST_F(Detector, KeyUpMeasuresFromTheSpaceStartTime)
{
    dot_then_quiet_until(330); // space start at clock 11; sample 329 is clock 29
    EXPECT_EQ(detector_key_up_ms(d), 18u);
    // Before the first mark of a program run the start time is 0.
    SetUp();
    feed(QUIET, 220);
    EXPECT_EQ(detector_key_up_ms(d), 20u);
}

TEST_F(Detector, MarkHeldAcrossAResetEndsAsAcceptedSpaceAfterIt)
{
    dot_then_quiet_until(330);
    feed(LOUD, 100); // mark accepted and still held
    ASSERT_TRUE(d.mark_accepted);
    // The start and clear sequences put back only the clock, the key state
    // and the onset count.
    detector_measurement_reset(d);
    detector_clear(d);
    EXPECT_TRUE(d.mark_accepted);
    EXPECT_EQ(d.hang_count, HANG_SAMPLES);
    log.clear();

    // Up at the 16th quiet sample (counter 16, clock 1), accepted at clock 4,
    // counter 44; the mark reads from its old start time (330 / 11 = 30),
    // wrapping.
    feed(QUIET, 43);
    EXPECT_TRUE(values('S').empty());
    feed(QUIET, 1);
    EXPECT_EQ(values('S'), V({1u - 30u}));
    // The next onset is the first after the clear.
    feed(LOUD, 1);
    EXPECT_EQ(values('F').size(), 1u);
}

} // namespace
