// Key detection, mark and space acceptance, the recording start, the timeline
// appends, the hooks and the meter and stop cadence. Signals are built sample
// by sample; 11 samples make one clock millisecond, and the recording start
// puts the onset sample at sample counter 0, so sample k of a recording has
// clock k / 11. Expected values are worked out by hand in the comments.
#include "core/audio/detector.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

constexpr int16_t LOUD = 8000;
constexpr int16_t QUIET = 0;

struct event {
    char
        kind; // R recording started, M mark accepted, S space accepted, G gap check, D display step
    uint32_t value;
};

class Detector : public ::testing::Test
{
  protected:
    detector_state d{};
    keying_timeline t{};
    measurement_state m{};
    settings_record s{};
    std::vector<event> log;
    detector_hooks hooks{};

    void SetUp() override
    {
        detector_init(d);
        timeline_reset(t);
        log.clear();
        m.analysis_suspended = false;
        m.recording_phase = RECORDING_WAITING;
        s.detection_threshold = 1000;
        s.mark_delay_ms = 2;
        s.space_delay_ms = 2;
        hooks.context = &log;
        hooks.on_recording_started = [](void *c) { record(c, 'R', 0); };
        hooks.on_mark_accepted = [](void *c, uint32_t v) { record(c, 'M', v); };
        hooks.on_space_accepted = [](void *c, uint32_t v) { record(c, 'S', v); };
        hooks.on_gap_check = [](void *c, uint32_t v) { record(c, 'G', v); };
        hooks.on_display_step = [](void *c, bool down) { record(c, 'D', down ? 1 : 0); };
    }

    static void record(void *context, char kind, uint32_t value)
    {
        static_cast<std::vector<event> *>(context)->push_back({kind, value});
    }

    void feed(int16_t amplitude, int samples)
    {
        std::vector<int16_t> block(samples, amplitude);
        detector_analyse_block(d, t, m, s, block.data(), block.size(), hooks);
    }

    std::vector<uint32_t> stored() const
    {
        return std::vector<uint32_t>(t.entries, t.entries + t.timeline_count);
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
    // and the mark of 11 ms appended.
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
        EXPECT_EQ(t.timeline_count, 0);
        feed(LOUD, 1);
        EXPECT_TRUE(d.mark_accepted) << c.delay_ms;
        EXPECT_EQ(d.measurement_clock, c.delay_ms + 1);
        EXPECT_EQ(stored(), V({0}));
        EXPECT_EQ(values('M'), V({0}));
    }
}

TEST_F(Detector, RecordingStartsAtTheFirstOnsetAndRestartsTheClock)
{
    feed(QUIET, 500);
    EXPECT_EQ(m.recording_phase, RECORDING_WAITING);
    EXPECT_EQ(d.measurement_clock, 45u);
    feed(LOUD, 1);
    EXPECT_EQ(m.recording_phase, RECORDING_ACTIVE);
    EXPECT_EQ(d.sample_counter, 0u);
    EXPECT_EQ(d.measurement_clock, 0u);
    EXPECT_EQ(d.key_down_onsets, 1);
    EXPECT_EQ(values('R').size(), 1u);

    // Later onsets neither restart the recording nor the clock.
    feed(LOUD, 109);
    feed(QUIET, 440);
    feed(LOUD, 1);
    EXPECT_EQ(d.key_down_onsets, 2);
    EXPECT_EQ(d.sample_counter, 550u);
    EXPECT_EQ(values('R').size(), 1u);
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
        EXPECT_EQ(stored(), c.entries) << "loud " << c.loud;
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
        EXPECT_EQ(stored(), c.entries) << "quiet " << c.quiet;
    }
}

TEST_F(Detector, PeakLevelIsTheLargestSignedSampleAlsoWhileSuspended)
{
    int32_t peak = -1;
    feed(-20000, 1200); // clock 109
    ASSERT_TRUE(detector_meter_due(d, peak));
    EXPECT_EQ(peak, 0);

    m.analysis_suspended = true;
    log.clear();
    const int16_t block[] = {300, -32768, 7000, 6999};
    detector_analyse_block(d, t, m, s, block, 4, hooks);
    EXPECT_EQ(d.peak_level, 7000);
    EXPECT_TRUE(log.empty()); // nothing is analysed while suspended
}

TEST_F(Detector, MeterUpdateWhenMoreThan100MsHavePassed)
{
    m.analysis_suspended = true;
    int32_t peak = 0;
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
        feed(500, step.samples);
        EXPECT_EQ(d.measurement_clock, step.clock);
        EXPECT_EQ(detector_meter_due(d, peak), step.due) << "clock " << step.clock;
    }
    EXPECT_EQ(d.last_meter_time, 202u);
    EXPECT_EQ(d.peak_level, 0);
    EXPECT_EQ(peak, 500);

    // The clock restarting behind the last meter time wraps: due at once.
    detector_measurement_reset(d);
    feed(500, 11);
    EXPECT_TRUE(detector_meter_due(d, peak));
}

TEST_F(Detector, FirstEntryIsTheTimeFromARejectedClickToTheFirstMark)
{
    // Click at sample 0, key up at sample 16 (clock 1): rejected. The real
    // mark begins at sample 5500 (clock 500) and is accepted at clock 503.
    feed(LOUD, 1);
    feed(QUIET, 5499);
    EXPECT_EQ(t.timeline_count, 0);
    feed(LOUD, 110);
    EXPECT_EQ(stored(), V({500}));
    EXPECT_EQ(t.space_histogram[500], 1);
    EXPECT_EQ(t.space_histogram_peak, 1);
}

TEST_F(Detector, OneDotThenSilenceGivesTwoEntries)
{
    dot_then_quiet_until(11025);
    EXPECT_EQ(stored(), V({0, 11}));
    EXPECT_EQ(t.space_histogram[0], 1);
    EXPECT_EQ(t.mark_histogram[8], 1);
}

TEST_F(Detector, StoppedWhileKeyHeldAfterAcceptedMarkGivesOddCount)
{
    // Second onset at sample 330 (clock 30), accepted at clock 33: space
    // 30 - 11. The mark in progress is never stored.
    dot_then_quiet_until(330);
    feed(LOUD, 2000);
    EXPECT_EQ(stored(), V({0, 11, 19}));
}

TEST_F(Detector, ChatteringNeverOverrunsTheTimelineAndAsksForAStop)
{
    // Key delay 0: 11 loud and 27 quiet samples are a mark of 26 samples and
    // a space of 12, both crossing a clock tick, so two entries every 38
    // samples (about 120 per 100 ms).
    s.mark_delay_ms = 0;
    s.space_delay_ms = 0;
    std::vector<int16_t> signal;
    for (int cycle = 0; cycle < 5600; cycle++) {
        signal.insert(signal.end(), 11, LOUD);
        signal.insert(signal.end(), 27, QUIET);
    }
    bool was_full = false;
    for (size_t at = 0; at + 110 <= signal.size(); at += 110) {
        detector_analyse_block(d, t, m, s, signal.data() + at, 110, hooks);
        ASSERT_LE(t.timeline_count, TIMELINE_MAX_ENTRIES);
        EXPECT_EQ(m.stop_request, t.timeline_count == TIMELINE_MAX_ENTRIES) << "at " << at;
        was_full = was_full || t.timeline_count == TIMELINE_MAX_ENTRIES;
    }
    EXPECT_TRUE(was_full);
    EXPECT_EQ(t.entries[TIMELINE_MAX_ENTRIES], 0);
    EXPECT_EQ(t.entries[TIMELINE_SLOTS - 1], 0);
    // Half the stored entries are spaces, half marks.
    int marks = 0;
    for (int32_t c : t.mark_histogram)
        marks += c;
    EXPECT_EQ(marks, TIMELINE_MAX_ENTRIES / 2);
}

TEST_F(Detector, AutomaticStopConditionsAtTheirEdges)
{
    const struct {
        int phase;
        uint32_t clock, space_start, mark_start;
        int32_t count;
        bool stop;
    } cases[] = {
        {RECORDING_ACTIVE, 10000, 0, 0, 0, false},
        {RECORDING_ACTIVE, 10001, 0, 10001, 0, true},
        {RECORDING_ACTIVE, 10001, 10001, 0, 0, true},
        {RECORDING_ACTIVE, 10001, 1, 1, 0, false},
        {RECORDING_ACTIVE, 500, 400, 300, 10000, false},
        {RECORDING_ACTIVE, 500, 400, 300, 10001, true},
        {RECORDING_ACTIVE, 300000, 299999, 299999, 0, false},
        {RECORDING_ACTIVE, 300001, 299999, 299999, 0, true},
        {RECORDING_WAITING, 400000, 0, 0, 10098, false},
        {RECORDING_STOPPED, 400000, 0, 0, 10098, false},
    };
    for (const auto &c : cases) {
        m.stop_request = false;
        m.recording_phase = c.phase;
        d.measurement_clock = c.clock;
        d.space_start_time = c.space_start;
        d.mark_start_time = c.mark_start;
        t.timeline_count = c.count;
        EXPECT_EQ(detector_check_automatic_stop(d, t, m), c.stop)
            << c.phase << " " << c.clock << " " << c.space_start << " " << c.mark_start << " "
            << c.count;
        EXPECT_EQ(m.stop_request, c.stop);
    }
}

TEST_F(Detector, HooksFireInTheWrittenOrder)
{
    // Samples 0..124 down (onset, mark accepted at 33); 125..153 up with the
    // space accepted at 154 (clock 14, mark 11) followed in the same sample by
    // the gap check of 14 - 11; next onset at 330 (clock 30) accepted at 363.
    dot_then_quiet_until(330);
    feed(LOUD, 40);

    std::vector<event> decoder_calls;
    for (const event &e : log)
        if (e.kind != 'D')
            decoder_calls.push_back(e);
    ASSERT_EQ(decoder_calls.size(), 1u + 1 + 205 + 1 + 1);
    EXPECT_EQ(decoder_calls[0].kind, 'R');
    EXPECT_EQ(decoder_calls[1].kind, 'M');
    EXPECT_EQ(decoder_calls[1].value, 0u);
    // Gap checks on every key-up sample 125..329, elapsed from space start 11.
    EXPECT_EQ(decoder_calls[2].kind, 'G');
    EXPECT_EQ(decoder_calls[2].value, 0u);
    // Sample 154 is the 30th key-up sample: entries 2..30 are gap checks
    // up to sample 153, then the space, then that sample's gap check.
    EXPECT_EQ(decoder_calls[31].kind, 'S');
    EXPECT_EQ(decoder_calls[31].value, 11u);
    EXPECT_EQ(decoder_calls[32].kind, 'G');
    EXPECT_EQ(decoder_calls[32].value, 3u);
    EXPECT_EQ(decoder_calls[207].kind, 'G');
    EXPECT_EQ(decoder_calls[207].value, 29u - 11u);
    EXPECT_EQ(decoder_calls[208].kind, 'M');
    EXPECT_EQ(decoder_calls[208].value, 19u);
}

TEST_F(Detector, DisplayStepEveryEighthAnalysedSampleWhileRecording)
{
    m.analysis_suspended = true;
    feed(QUIET, 5); // not analysed: does not count
    m.analysis_suspended = false;
    feed(QUIET, 20); // analysed but waiting: counts, no step
    EXPECT_TRUE(values('D').empty());
    feed(LOUD, 3); // onset; 23 analysed samples
    EXPECT_TRUE(values('D').empty());
    feed(LOUD, 1);
    EXPECT_EQ(values('D'), V({1}));
    // Quiet samples 1..15 still down, the 16th up: steps at 8, 16 and 24.
    feed(QUIET, 24);
    EXPECT_EQ(values('D'), V({1, 1, 0, 0}));
}

TEST_F(Detector, MarkHeldAtStopEndsInTheNextMeasurementWithoutAnEntry)
{
    dot_then_quiet_until(330);
    feed(LOUD, 100); // mark accepted and still held
    m.recording_phase = RECORDING_STOPPED;
    m.analysis_suspended = true;
    log.clear();

    // Clear then start: only the clock, the key state and the onset count go back.
    timeline_reset(t);
    detector_measurement_reset(d);
    detector_clear(d);
    m.recording_phase = RECORDING_WAITING;
    m.analysis_suspended = false;
    EXPECT_TRUE(d.mark_accepted);
    EXPECT_EQ(d.hang_count, HANG_SAMPLES);

    // Up at the 16th quiet sample (counter 16, clock 1), accepted at clock 4,
    // counter 44.
    feed(QUIET, 43);
    EXPECT_TRUE(values('S').empty());
    feed(QUIET, 1);
    EXPECT_EQ(values('S').size(), 1u);
    EXPECT_EQ(t.timeline_count, 0);
    EXPECT_EQ(m.recording_phase, RECORDING_WAITING);

    // The next key-down starts the new recording normally.
    feed(LOUD, 40);
    EXPECT_EQ(m.recording_phase, RECORDING_ACTIVE);
    EXPECT_EQ(stored(), V({0}));
}

} // namespace
