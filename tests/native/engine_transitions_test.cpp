// The measurement engine's transitions: 開始, the stop and its evaluation,
// クリア, the device selection, 印字・再生 and the operator's controls.
#include "core/app/measurement_engine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

struct EngineTransitions : ::testing::Test {
    std::unique_ptr<measurement_engine> engine = std::make_unique<measurement_engine>();
    measurement_engine &e = *engine;

    void SetUp() override
    {
        build_morse_tables();
        engine_init(e, initial_settings());
    }

    // Ten dots of 60 ms and ten dashes of 180 ms with 60 ms gaps, as a stop
    // would find them in the timeline, with the clock at 12.345 s.
    void record_keying(int entries)
    {
        timeline_reset(e.timeline);
        for (int i = 0; i < entries; i++) {
            if (i % 2 == 0)
                timeline_append_space(e.timeline, i == 0 ? 0 : 60);
            else
                timeline_append_mark(e.timeline, i < 20 ? 60 : 180);
        }
        e.detector.measurement_clock = 12345;
    }

    // (analysis suspended, recording phase): Idle (true, 0), Armed (false,
    // 0), Recording (false, 1), Stopped (true, 2).
    void expect_phase(bool suspended, recording_phase_t phase)
    {
        EXPECT_EQ(e.measurement.analysis_suspended, suspended);
        EXPECT_EQ(e.measurement.recording_phase, phase);
    }
};

TEST_F(EngineTransitions, ProgramStartsWithTheAnalysisOnAndNothingRecorded)
{
    expect_phase(false, RECORDING_WAITING);
    EXPECT_FALSE(e.measurement.stop_request);
    EXPECT_EQ(e.decoder.mark_unit_ms, 50);
    EXPECT_EQ(e.decoder.character_state, WORD_SPACE_SHOWN);
    EXPECT_EQ(e.detector.key_down_onsets, 0);
    EXPECT_EQ(e.timeline.timeline_count, 0);
    // The first paint suspends it: Idle.
    engine_suspend_analysis(e);
    expect_phase(true, RECORDING_WAITING);
}

TEST_F(EngineTransitions, StartArmsAfterResettingTheMeasurement)
{
    engine_suspend_analysis(e);
    e.decoder.mark_unit_ms = 7;
    e.decoder.space_unit_ms = 12;
    e.decoder.character_state = CHARACTER_IN_PROGRESS;
    e.decoder.element_count = 3;
    e.measurement.statistics_redrawn = true;
    e.measurement.device_selection_pending = true;
    e.detector.sample_counter = 5000;
    e.detector.measurement_clock = 454;
    e.detector.key_down = true;
    e.detector.key_down_onsets = 9;
    e.detector.mark_start_time = 400;
    record_keying(50);

    ASSERT_TRUE(engine_start(e, true));
    expect_phase(false, RECORDING_WAITING); // Armed
    EXPECT_EQ(e.decoder.mark_unit_ms, 10);
    EXPECT_EQ(e.decoder.space_unit_ms, 12);
    EXPECT_EQ(e.decoder.character_state, WORD_SPACE_SHOWN);
    EXPECT_EQ(e.decoder.element_count, 0);
    EXPECT_EQ(e.timeline.timeline_count, 0);
    EXPECT_EQ(e.timeline.entries[10], 0);
    EXPECT_EQ(e.timeline.mark_histogram[60], 0);
    EXPECT_FALSE(e.measurement.statistics_redrawn);
    EXPECT_FALSE(e.measurement.device_selection_pending);
    EXPECT_EQ(e.detector.sample_counter, 0u);
    EXPECT_EQ(e.detector.measurement_clock, 0u);
    EXPECT_FALSE(e.detector.key_down);
    // Only the clear sequence forgets the onsets; start times carry over.
    EXPECT_EQ(e.detector.key_down_onsets, 9);
    EXPECT_EQ(e.detector.mark_start_time, 400u);
}

TEST_F(EngineTransitions, StartWithoutAnInputDeviceOnlyRaisesUnitsAndSuspends)
{
    e.decoder.mark_unit_ms = 3;
    e.decoder.character_state = CHARACTER_IN_PROGRESS;
    e.detector.measurement_clock = 454;
    record_keying(50);
    EXPECT_FALSE(engine_start(e, false));
    expect_phase(true, RECORDING_WAITING);
    EXPECT_EQ(e.decoder.mark_unit_ms, 10);
    EXPECT_EQ(e.timeline.timeline_count, 0);
    EXPECT_EQ(e.decoder.character_state, CHARACTER_IN_PROGRESS);
    EXPECT_EQ(e.detector.measurement_clock, 12345u);
}

TEST_F(EngineTransitions, FortyEntriesAreEvaluatedThirtyNineAreTooFew)
{
    e.measurement.recording_phase = RECORDING_ACTIVE;
    record_keying(39);
    EXPECT_EQ(engine_stop(e), STOP_TOO_FEW_KEYINGS);
    expect_phase(true, RECORDING_STOPPED);
    EXPECT_TRUE(e.measurement.too_few_keyings);
    EXPECT_EQ(e.measurement.measured_seconds, 0);
    EXPECT_EQ(e.statistics.dot_count, 0);

    record_keying(40);
    EXPECT_EQ(engine_stop(e), STOP_EVALUATED);
    expect_phase(true, RECORDING_STOPPED);
    EXPECT_FALSE(e.measurement.too_few_keyings);
    EXPECT_EQ(e.measurement.measured_seconds, 12);
    EXPECT_EQ(e.statistics.decision_time_ms, 140);
    EXPECT_EQ(e.statistics.dot_count, 10);
    EXPECT_EQ(e.statistics.dash_count, 10);
}

TEST_F(EngineTransitions, FileCarriesTheMeasuredSecondsAndEveryEntryWithCrLf)
{
    record_keying(40);
    ASSERT_EQ(engine_stop(e), STOP_EVALUATED);
    const std::string text = engine_keying_data_file(e);
    EXPECT_EQ(text.find("打鍵データ(CSV形式)\r\n集計時間[秒],12\r\n"), 0u);
    EXPECT_NE(text.find("\r\n総打点数[点],20,総データー数[個],40\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n0,60,60,60,"), std::string::npos);
    const std::string ending = ",180,0\r\n打鍵終了\r\n";
    ASSERT_GE(text.size(), ending.size());
    EXPECT_EQ(text.substr(text.size() - ending.size()), ending);
    // Every line ends with CR LF.
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '\n') {
            EXPECT_EQ(text[i - 1], '\r') << "at " << i;
        }
    }
}

TEST_F(EngineTransitions, ClearReturnsToIdleAndForgetsTheOnsets)
{
    record_keying(44);
    e.measurement.recording_phase = RECORDING_ACTIVE;
    e.detector.key_down_onsets = 22;
    e.detector.measurement_clock = 5000;
    e.decoder.element_count = 2;
    e.decoder.character_state = CHARACTER_IN_PROGRESS;
    engine_stop(e);

    EXPECT_FALSE(engine_clear(e));
    expect_phase(true, RECORDING_WAITING); // Idle
    EXPECT_EQ(e.timeline.timeline_count, 0);
    EXPECT_EQ(e.timeline.mark_histogram_peak, 0);
    EXPECT_EQ(e.detector.key_down_onsets, 0);
    EXPECT_EQ(e.detector.measurement_clock, 0u);
    EXPECT_EQ(e.decoder.element_count, 0);
    EXPECT_EQ(e.decoder.character_state, WORD_SPACE_SHOWN);
    // The statistics of the last evaluation stay (an empty class keeps them).
    EXPECT_EQ(e.statistics.decision_time_ms, 140);
}

TEST_F(EngineTransitions, DeviceSelectionRunsAtTheNextClearOnly)
{
    engine_request_device_selection(e);
    EXPECT_TRUE(engine_clear(e));
    EXPECT_FALSE(e.measurement.device_selection_pending);
    EXPECT_FALSE(engine_clear(e));
    // A start in between forgets the request.
    engine_request_device_selection(e);
    engine_start(e, true);
    EXPECT_FALSE(engine_clear(e));
}

TEST_F(EngineTransitions, ReplayWindowTakesTheFilesSecondsAndSuspends)
{
    record_keying(40);
    engine_stop(e);
    ASSERT_EQ(e.measurement.measured_seconds, 12);
    engine_suspend_analysis(e);
    engine_take_file_measured_seconds(e, 31);
    e.measurement.analysis_suspended = false;
    e.measurement.device_selection_pending = true;
    engine_replay_window_left(e);
    EXPECT_EQ(e.measurement.measured_seconds, 31);
    EXPECT_TRUE(e.measurement.analysis_suspended);
    EXPECT_FALSE(e.measurement.device_selection_pending);
    EXPECT_EQ(e.measurement.recording_phase, RECORDING_STOPPED);
}

TEST_F(EngineTransitions, ControlsChangeTheirSettings)
{
    engine_select_alphabet(e, ALPHABET_WABUN);
    EXPECT_EQ(e.settings.decode_alphabet, ALPHABET_WABUN);
    engine_select_code_interval(e, INTERVAL_WIDE);
    EXPECT_EQ(e.settings.code_interval, INTERVAL_WIDE);

    e.decoder.switch_to_wabun_count = 1;
    e.decoder.switch_to_european_count = 1;
    engine_toggle_alphabet_auto_switch(e);
    EXPECT_TRUE(e.settings.alphabet_auto_switch);
    EXPECT_EQ(e.decoder.switch_to_wabun_count, 0);
    EXPECT_EQ(e.decoder.switch_to_european_count, 0);
    engine_toggle_alphabet_auto_switch(e);
    EXPECT_FALSE(e.settings.alphabet_auto_switch);

    const struct {
        void (*toggle)(measurement_engine &);
        bool settings_record::*flag;
    } toggles[] = {
        {engine_toggle_double_speed_sweep, &settings_record::double_speed_sweep},
        {engine_toggle_unit_time_display, &settings_record::unit_time_display},
        {engine_toggle_large_decoded_text, &settings_record::large_decoded_text},
        {engine_toggle_monitor, &settings_record::monitor},
    };
    for (const auto &t : toggles) {
        t.toggle(e);
        EXPECT_TRUE(e.settings.*t.flag);
        t.toggle(e);
        EXPECT_FALSE(e.settings.*t.flag);
    }
    engine_toggle_clipping(e);
    EXPECT_EQ(e.settings.clipping_mode, CLIPPING_ON);
    engine_toggle_clipping(e);
    EXPECT_EQ(e.settings.clipping_mode, CLIPPING_OFF);

    engine_set_key_delay(e, 100);
    EXPECT_EQ(e.settings.mark_delay_ms, 100u);
    EXPECT_EQ(e.settings.space_delay_ms, 100u);
    engine_set_threshold_position(e, 0);
    EXPECT_EQ(e.settings.detection_threshold, 510);
    engine_set_threshold_position(e, 37);
    EXPECT_EQ(e.settings.detection_threshold, 11982);
    engine_select_devices(e, 2, DEFAULT_WAVE_DEVICE);
    EXPECT_EQ(e.settings.selected_input_device, 2u);
    EXPECT_EQ(e.settings.selected_output_device, DEFAULT_WAVE_DEVICE);
}

// Ten S (dots of 60 ms, 60 ms apart, 180 ms between letters) after 0.1 s of
// silence, then 11 s of silence for the automatic stop.
std::vector<int16_t> keyed_signal()
{
    std::vector<int16_t> signal(1100, 0);
    for (int dot = 0; dot < 30; dot++) {
        signal.insert(signal.end(), 660, 20000);
        signal.insert(signal.end(), dot % 3 == 2 ? 1980 : 660, 0);
    }
    signal.resize(signal.size() + 11 * 11025, 0);
    return signal;
}

// The signal in captured blocks until the stop request, which is then
// carried out; as a recording, a block of input goes to the meter after each.
// Returns the decoded text.
std::string measure_until_stop(measurement_engine &engine, bool as_recording)
{
    std::string text;
    engine_display shown = {};
    shown.context = &text;
    shown.show_decoded_text = [](void *c, entry_kind_t, const char *t, int n) {
        static_cast<std::string *>(c)->append(t, static_cast<size_t>(n));
    };
    std::vector<int16_t> signal = keyed_signal();
    const std::vector<int16_t> input(CAPTURE_BLOCK_SAMPLES, 3000);
    for (size_t at = 0; at < signal.size(); at += CAPTURE_BLOCK_SAMPLES) {
        const size_t n = std::min<size_t>(CAPTURE_BLOCK_SAMPLES, signal.size() - at);
        if (as_recording)
            engine_meter_live_block(engine, input.data(), input.size());
        if ((as_recording ? engine_process_recording_block(engine, &signal[at], n, shown)
                          : engine_process_block(engine, &signal[at], n, shown)).stop_requested)
            break;
    }
    EXPECT_TRUE(engine_take_stop_request(engine));
    engine_stop(engine);
    return text;
}

TEST_F(EngineTransitions, RecordingIsMeasuredFromProgramStartAndLeavesTheLiveStateAlone)
{
    // What a fresh program measures, as ventrok-analyze does.
    std::unique_ptr<measurement_engine> fresh = std::make_unique<measurement_engine>();
    engine_init(*fresh, initial_settings());
    engine_suspend_analysis(*fresh);
    engine_start(*fresh, true);
    ASSERT_EQ(measure_until_stop(*fresh, false), "SSSSSSSSSS ");

    // A window whose live detector and decoder have been through keying.
    engine_suspend_analysis(e);
    e.decoder.mark_unit_ms = 123;
    e.detector.key_down_onsets = 5;
    e.detector.hang_count = 7;
    e.detector.mark_accepted = true;
    engine_clear(e);
    engine_start_recording(e);
    EXPECT_EQ(measure_until_stop(e, true), "SSSSSSSSSS ");
    EXPECT_EQ(engine_keying_data_file(e), engine_keying_data_file(*fresh));
    EXPECT_EQ(e.measurement.measured_seconds, fresh->measurement.measured_seconds);
    expect_phase(true, RECORDING_STOPPED);
    // The live state is back (the input's metering: the test below).
    EXPECT_FALSE(e.measuring_recording);
    EXPECT_EQ(e.decoder.mark_unit_ms, 123);
    EXPECT_EQ(e.detector.key_down_onsets, 0); // the clear before the recording
    EXPECT_EQ(e.detector.hang_count, 7);
    EXPECT_TRUE(e.detector.mark_accepted);

    // A clear while a recording is measured puts the live state back too.
    engine_start_recording(e);
    EXPECT_EQ(e.decoder.mark_unit_ms, 50);
    engine_clear(e);
    EXPECT_FALSE(e.measuring_recording);
    EXPECT_EQ(e.decoder.mark_unit_ms, 123);
}

TEST_F(EngineTransitions, RecordingBlocksAreClippedAndTheInputOnlyMetered)
{
    engine_start_recording(e);
    engine_toggle_clipping(e);
    std::vector<int16_t> block = {1000, 100, -32768};
    engine_process_recording_block(e, block.data(), block.size(), engine_display{});
    EXPECT_EQ(block, (std::vector<int16_t>{1199, 119, -31774}));
    EXPECT_EQ(e.detector.key_down_onsets, 1); // the loud sample, in the recording's detector

    // The input's meter update comes after more than 100 ms of its own clock:
    // at the 11th block (1210 samples, clock 110).
    const std::vector<int16_t> input(CAPTURE_BLOCK_SAMPLES, 2500);
    std::vector<int> due;
    for (int i = 1; i <= 12; i++) {
        const meter_update m = engine_meter_live_block(e, input.data(), input.size());
        if (m.due)
            due.push_back(i * 10000 + m.peak_level);
    }
    EXPECT_EQ(due, std::vector<int>{112500});
    EXPECT_EQ(e.detector.sample_counter, 0u); // restarted at the onset, untouched since
}

} // namespace
