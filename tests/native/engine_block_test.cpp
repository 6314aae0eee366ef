// The measurement engine's step for captured blocks: what reaches the
// timeline, the decoder and the display while a measurement is armed and
// recording, and what the meter cadence reports in each phase. 11 samples
// make one clock millisecond; the first onset after a clear is sample
// counter 0. Expected values are worked out by hand in the comments.
#include "core/app/measurement_engine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

constexpr int16_t LOUD = 8000;
constexpr int16_t QUIET = 0;

// What the display was told: R recording started, T text (with its kind and
// the clock), U unit read-outs, A alphabet switch, W sweep step.
struct shown {
    char kind;
    std::string text;
    int value;
    uint32_t clock;
};

struct display_log {
    const measurement_engine *engine;
    std::vector<shown> items;
};

void note(void *context, char kind, std::string text, int value)
{
    display_log *log = static_cast<display_log *>(context);
    log->items.push_back({kind, std::move(text), value, log->engine->detector.measurement_clock});
}

class EngineBlock : public ::testing::Test
{
  protected:
    std::unique_ptr<measurement_engine> engine = std::make_unique<measurement_engine>();
    measurement_engine &e = *engine;
    display_log log{engine.get(), {}};
    engine_display display{};
    std::vector<block_result> results;

    void SetUp() override
    {
        build_morse_tables();
        settings_record s = initial_settings();
        s.detection_threshold = 1000;
        engine_init(e, s);
        display.context = &log;
        display.recording_started = [](void *c) { note(c, 'R', "", 0); };
        display.show_decoded_text = [](void *c, entry_kind_t kind, const char *text, int length) {
            note(c, 'T', std::string(text, static_cast<size_t>(length)), kind);
        };
        display.write_unit_readouts = [](void *c, int32_t mark, int32_t space) {
            note(c, 'U', "", mark * 1000 + space);
        };
        display.alphabet_switched = [](void *c, decode_alphabet_t a) { note(c, 'A', "", a); };
        display.sweep_step = [](void *c, bool down, uint32_t) { note(c, 'W', "", down); };
        ASSERT_TRUE(engine_start(e, true));
    }

    // The samples in blocks of 110 (the last one shorter).
    void feed(int16_t amplitude, int samples)
    {
        std::vector<int16_t> signal(static_cast<size_t>(samples), amplitude);
        feed_signal(signal);
    }
    void feed_signal(const std::vector<int16_t> &signal)
    {
        for (size_t at = 0; at < signal.size(); at += 110) {
            const size_t count = std::min<size_t>(110, signal.size() - at);
            results.push_back(engine_process_block(e, signal.data() + at, count, display));
        }
    }

    std::vector<uint32_t> stored() const
    {
        return std::vector<uint32_t>(e.timeline.entries,
                                     e.timeline.entries + e.timeline.timeline_count);
    }

    std::vector<shown> of_kind(char kind) const
    {
        std::vector<shown> out;
        for (const shown &s : log.items)
            if (s.kind == kind)
                out.push_back(s);
        return out;
    }

    std::string texts() const
    {
        std::string out;
        for (const shown &s : of_kind('T'))
            out += s.text;
        return out;
    }

    // Keys a mark of mark_ms and a space of space_ms exactly (11 samples a
    // ms, the hang's 15 quiet samples counted in the mark).
    void key(int mark_ms, int space_ms)
    {
        feed(LOUD, 11 * mark_ms - 15);
        feed(QUIET, 15 + 11 * space_ms);
    }
};

using V = std::vector<uint32_t>;

TEST_F(EngineBlock, RecordingStartsAtTheFirstOnsetWithEntryZero)
{
    feed(QUIET, 500);
    EXPECT_EQ(e.measurement.recording_phase, RECORDING_WAITING);
    EXPECT_TRUE(of_kind('R').empty());
    feed(LOUD, 1);
    EXPECT_EQ(e.measurement.recording_phase, RECORDING_ACTIVE);
    EXPECT_EQ(e.detector.measurement_clock, 0u);
    ASSERT_EQ(of_kind('R').size(), 1u);
    feed(LOUD, 109);
    feed(QUIET, 11025 - 110);
    // A dot of 11 ms then silence: entries 0 and the dot.
    EXPECT_EQ(stored(), V({0, 11}));
    EXPECT_EQ(e.timeline.space_histogram[0], 1);
    EXPECT_EQ(e.timeline.mark_histogram[8], 1);
    EXPECT_EQ(of_kind('R').size(), 1u);
}

TEST_F(EngineBlock, FirstEntryIsTheTimeFromARejectedClickToTheFirstMark)
{
    // Click at sample 0, key up at sample 16 (clock 1): rejected. The real
    // mark begins at sample 5500 (clock 500) and is accepted at clock 503.
    feed(LOUD, 1);
    feed(QUIET, 5499);
    EXPECT_EQ(e.timeline.timeline_count, 0);
    feed(LOUD, 110);
    EXPECT_EQ(stored(), V({500}));
    EXPECT_EQ(e.timeline.space_histogram[500], 1);
    EXPECT_EQ(e.timeline.space_histogram_peak, 1);
}

TEST_F(EngineBlock, StoppedWhileKeyHeldAfterAcceptedMarkGivesOddCount)
{
    // Second onset at sample 330 (clock 30), accepted at clock 33: space
    // 30 - 11. The mark in progress is never stored.
    feed(LOUD, 110);
    feed(QUIET, 220);
    feed(LOUD, 2000);
    EXPECT_EQ(engine_stop(e), STOP_TOO_FEW_KEYINGS);
    EXPECT_EQ(stored(), V({0, 11, 19}));
}

TEST_F(EngineBlock, ChatteringNeverOverrunsTheTimelineAndAsksForAStop)
{
    // Key delay 0: 11 loud and 27 quiet samples are a mark of 26 samples and
    // a space of 12, both crossing a clock tick, so two entries every 38
    // samples (about 120 per 100 ms).
    engine_set_key_delay(e, 0);
    std::vector<int16_t> signal;
    for (int cycle = 0; cycle < 5600; cycle++) {
        signal.insert(signal.end(), 11, LOUD);
        signal.insert(signal.end(), 27, QUIET);
    }
    bool was_full = false;
    for (size_t at = 0; at + 110 <= signal.size(); at += 110) {
        const block_result r = engine_process_block(e, signal.data() + at, 110, display);
        const keying_timeline &t = e.timeline;
        ASSERT_LE(t.timeline_count, TIMELINE_MAX_ENTRIES);
        // Before the timeline is full only the meter's limit of 10000
        // entries may ask for the stop.
        if (t.timeline_count < TIMELINE_MAX_ENTRIES && t.timeline_count <= STOP_ENTRY_LIMIT) {
            EXPECT_FALSE(r.stop_requested) << "at " << at;
        }
        if (t.timeline_count == TIMELINE_MAX_ENTRIES) {
            EXPECT_TRUE(r.stop_requested) << "at " << at;
        }
        EXPECT_EQ(r.stop_requested, e.measurement.stop_request);
        was_full = was_full || t.timeline_count == TIMELINE_MAX_ENTRIES;
        engine_take_stop_request(e); // keep analysing past the request
    }
    EXPECT_TRUE(was_full);
    EXPECT_EQ(e.timeline.entries[TIMELINE_MAX_ENTRIES], 0);
    EXPECT_EQ(e.timeline.entries[TIMELINE_SLOTS - 1], 0);
    // Half the stored entries are spaces, half marks.
    int marks = 0;
    for (int32_t c : e.timeline.mark_histogram)
        marks += c;
    EXPECT_EQ(marks, TIMELINE_MAX_ENTRIES / 2);
}

TEST_F(EngineBlock, SweepStepsOnlyWhileRecording)
{
    feed(QUIET, 20); // analysed but waiting: counts, no step
    EXPECT_TRUE(of_kind('W').empty());
    feed(LOUD, 3); // onset; 23 analysed samples
    EXPECT_TRUE(of_kind('W').empty());
    feed(LOUD, 1);
    ASSERT_EQ(of_kind('W').size(), 1u);
    EXPECT_EQ(of_kind('W')[0].value, 1);
    feed(QUIET, 24);
    ASSERT_EQ(of_kind('W').size(), 4u);
    EXPECT_EQ(of_kind('W')[3].value, 0);
}

TEST_F(EngineBlock, SuspendedBlocksAreOnlyCountedAndMetered)
{
    engine_suspend_analysis(e);
    feed(LOUD, 2000);
    EXPECT_EQ(e.detector.sample_counter, 2000u);
    EXPECT_FALSE(e.detector.key_down);
    EXPECT_EQ(e.measurement.recording_phase, RECORDING_WAITING);
    EXPECT_TRUE(log.items.empty());
    ASSERT_FALSE(results.empty());
    // Clock 100 after 1100 samples: the first meter update comes at 1111.
    int due = 0;
    for (const block_result &r : results)
        due += r.meter.due;
    EXPECT_EQ(due, 1);
    EXPECT_EQ(results[10].meter.due, true); // samples 1100..1209
    EXPECT_EQ(results[10].meter.peak_level, LOUD);
}

TEST_F(EngineBlock, DecodedCharacterAndWordSpaceComeAtTheirGaps)
{
    // "A" from the first onset: the first mark (space before it 0) takes
    // both units from 50 to (350 + 0) / 8 = 43; the dot of 50 keeps the mark
    // unit at (301 + 50) / 8 = 43, the gap of 50 both at 43, the dash of 150
    // moves the mark unit to (301 + 150) / 10 = 45. The character ends when
    // the key-up passes 43 x 4 / 2 = 86 ms, the word space when it passes
    // 6 x 43 = 258 ms.
    key(50, 50);
    key(150, 0);
    const uint32_t key_up_start = 50 + 50 + 150; // clock of the last key-up
    feed(QUIET, 11 * 400);
    const std::vector<shown> t = of_kind('T');
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].text, "A");
    EXPECT_EQ(t[0].value, ENTRY_PLAIN);
    EXPECT_EQ(t[0].clock, key_up_start + 87);
    EXPECT_EQ(t[1].text, " ");
    EXPECT_EQ(t[1].clock, key_up_start + 259);
    EXPECT_EQ(e.decoder.mark_unit_ms, 45);
    EXPECT_EQ(e.decoder.space_unit_ms, 43);
    EXPECT_TRUE(of_kind('U').empty()) << "read-outs only with the unit time display on";
}

TEST_F(EngineBlock, UnitReadoutsAtEveryCharacterEndWhenShown)
{
    // "A" as above (units 45 and 43 at its end), then "E" after a word
    // space: its dot of 50 keeps the mark unit at (315 + 50) / 8 = 45.
    engine_toggle_unit_time_display(e);
    key(50, 50);
    key(150, 300);
    key(50, 400);
    const std::vector<shown> u = of_kind('U');
    ASSERT_EQ(u.size(), 2u);
    EXPECT_EQ(u[0].value, 45 * 1000 + 43);
    EXPECT_EQ(u[1].value, 45 * 1000 + 43);
    EXPECT_EQ(texts(), "A E ");
    // Each read-out comes just before its character.
    std::string after_readouts;
    for (size_t i = 0; i + 1 < log.items.size(); i++)
        if (log.items[i].kind == 'U')
            after_readouts += log.items[i + 1].text;
    EXPECT_EQ(after_readouts, "AE");
}

TEST_F(EngineBlock, SpaceIsCountedBeforeTheGapCheckOfItsOwnSample)
{
    // A first mark starts the recording and its character ends.
    key(60, 1000);
    log.items.clear();
    // With both units at 1 ms the character gap is 1 x 4 / 2 = 2 ms, and the
    // space after a dash of 30 ms is accepted at a key-up of 3 ms (delay 2):
    // in that very sample the gap check ends the character. Counted first,
    // the dash is part of it ("T"); checked first, an empty character would
    // end and the dash would wait for the next one. The long space before
    // the mark teaches the units nothing, and a mark of ten units or more
    // leaves the mark unit as it is.
    e.decoder.mark_unit_ms = 1;
    e.decoder.space_unit_ms = 1;
    key(30, 20);
    EXPECT_EQ(texts(), "T ");
}

TEST_F(EngineBlock, AutoSwitchChangesTheAlphabetForTheNextCharacterAtOnce)
{
    // ﾎﾚ (-..---) twice switches to Wabun; the next character, in the same
    // block, is looked up in the Wabun table (.- is ｲ there, A in European).
    key(60, 1000); // starts the recording
    log.items.clear();
    engine_toggle_alphabet_auto_switch(e);
    engine_set_key_delay(e, 0);
    // Units of 2 ms: dots of 2 ms, dashes of 6, element gaps of 2 keep them
    // at 2 ((14 + 2) / 8, (14 + 6) / 10). A character ends when the key-up
    // passes 2 x 4 / 2 = 4 ms; character gaps of 6 ms (the key-up must reach 5
    // before the next onset) are too long to teach
    // the units anything and too short for a word space (over 12 ms).
    e.decoder.mark_unit_ms = 2;
    e.decoder.space_unit_ms = 2;
    std::vector<int16_t> signal;
    auto element = [&](int mark_ms, int space_ms) {
        signal.insert(signal.end(), static_cast<size_t>(11 * mark_ms - 15), LOUD);
        signal.insert(signal.end(), static_cast<size_t>(15 + 11 * space_ms), QUIET);
    };
    auto character = [&](const char *code) {
        for (const char *c = code; *c; c++)
            element(*c == '-' ? 6 : 2, c[1] ? 2 : 6);
    };
    character("-..---");
    character("-..---");
    character(".-");
    signal.insert(signal.end(), 1100, QUIET);
    engine_process_block(e, signal.data(), signal.size(), display); // one block
    EXPECT_EQ(texts(), "ﾎﾚﾎﾚｲ ");
    ASSERT_EQ(of_kind('A').size(), 1u);
    EXPECT_EQ(of_kind('A')[0].value, ALPHABET_WABUN);
    EXPECT_EQ(e.settings.decode_alphabet, ALPHABET_WABUN);
}

TEST_F(EngineBlock, MeterUpdateShowsTheHistogramsOfEachPhase)
{
    auto last_update = [&]() {
        for (auto r = results.rbegin(); r != results.rend(); ++r)
            if (r->meter.due)
                return r->meter;
        return meter_update{false, 0, LIVE_HISTOGRAMS_FROZEN, false};
    };
    feed(QUIET, 1200);
    EXPECT_TRUE(last_update().due);
    EXPECT_EQ(last_update().histograms, LIVE_HISTOGRAMS_AXES);
    for (int i = 0; i < 20; i++)
        key(60, 60);
    EXPECT_EQ(last_update().histograms, LIVE_HISTOGRAMS_BARS);
    EXPECT_FALSE(last_update().redraw_statistics);

    ASSERT_EQ(engine_stop(e), STOP_EVALUATED);
    results.clear();
    feed(QUIET, 1200);
    // The first update after the stop computes and draws the statistics once
    // more; later ones draw nothing.
    int redraws = 0, due = 0;
    for (const block_result &r : results) {
        due += r.meter.due;
        redraws += r.meter.redraw_statistics;
        if (r.meter.due) {
            EXPECT_EQ(r.meter.histograms, LIVE_HISTOGRAMS_FROZEN);
        }
    }
    EXPECT_GE(due, 1);
    EXPECT_EQ(redraws, 1);
    EXPECT_TRUE(e.measurement.statistics_redrawn);
}

TEST_F(EngineBlock, NoStatisticsRedrawAfterTooFewKeyings)
{
    for (int i = 0; i < 19; i++)
        key(60, 60);
    ASSERT_EQ(engine_stop(e), STOP_TOO_FEW_KEYINGS);
    results.clear();
    feed(QUIET, 2400);
    for (const block_result &r : results)
        EXPECT_FALSE(r.meter.redraw_statistics);
    EXPECT_TRUE(e.measurement.statistics_redrawn);
}

TEST_F(EngineBlock, HeldKeyStopsTheRecordingAfterTenSeconds)
{
    // Onset at sample 0; the mark start time stays 0 while the key is held.
    // The first meter update with the clock past 10000 raises the request:
    // updates come at clocks 101, 202, ..., so at 10100.
    feed(LOUD, 11 * 10000);
    EXPECT_FALSE(e.measurement.stop_request);
    feed(LOUD, 11 * 100);
    EXPECT_TRUE(e.measurement.stop_request);
    EXPECT_TRUE(results.back().stop_requested);
    EXPECT_TRUE(engine_take_stop_request(e));
    EXPECT_FALSE(engine_take_stop_request(e));
}

TEST_F(EngineBlock, WaitingForAKeyNeverStopsByItself)
{
    feed(QUIET, 11 * 12000);
    EXPECT_FALSE(e.measurement.stop_request);
    EXPECT_EQ(e.measurement.recording_phase, RECORDING_WAITING);
}

TEST_F(EngineBlock, MarkHeldAtStopEndsInTheNextMeasurementWithoutAnEntry)
{
    feed(LOUD, 110);
    feed(QUIET, 220);
    feed(LOUD, 100); // mark accepted and still held
    engine_stop(e);
    engine_clear(e);
    ASSERT_TRUE(engine_start(e, true));
    EXPECT_TRUE(e.detector.mark_accepted);

    // Up at the 16th quiet sample, accepted at clock 4 (counter 44): the
    // decoder counts it, the timeline does not, and the sweep, waiting for
    // the first key-down, takes no step meanwhile.
    const int32_t elements_before = e.decoder.element_count;
    log.items.clear();
    feed(QUIET, 44);
    EXPECT_TRUE(of_kind('W').empty());
    EXPECT_EQ(e.timeline.timeline_count, 0);
    EXPECT_EQ(e.decoder.element_count, elements_before + 1);
    EXPECT_EQ(e.measurement.recording_phase, RECORDING_WAITING);

    // The next key-down starts the new recording normally.
    feed(LOUD, 40);
    EXPECT_EQ(e.measurement.recording_phase, RECORDING_ACTIVE);
    EXPECT_EQ(stored(), V({0}));
}

} // namespace

TEST(EngineWithoutDisplay, NullHooksAreSkippedAndTheSwitchStillApplies)
{
    // The command-line tools pass no display at all.
    build_morse_tables();
    auto engine = std::make_unique<measurement_engine>();
    measurement_engine &e = *engine;
    settings_record s = initial_settings();
    s.detection_threshold = 1000;
    s.alphabet_auto_switch = true;
    s.unit_time_display = true;
    engine_init(e, s);
    ASSERT_TRUE(engine_start(e, true));
    std::vector<int16_t> signal;
    auto key = [&](int mark_ms, int space_ms) {
        signal.insert(signal.end(), static_cast<size_t>(11 * mark_ms - 15), LOUD);
        signal.insert(signal.end(), static_cast<size_t>(15 + 11 * space_ms), QUIET);
    };
    // ﾎﾚ twice at 50 ms units after a first "E" that starts the recording.
    key(50, 400);
    for (int i = 0; i < 2; i++) {
        const char *code = "-..---";
        for (const char *c = code; *c; c++)
            key(*c == '-' ? 150 : 50, c[1] ? 50 : 400);
    }
    engine_process_block(e, signal.data(), signal.size(), engine_display{});
    EXPECT_EQ(e.settings.decode_alphabet, ALPHABET_WABUN);
    // 13 marks, each with the space before it (entry 0 for the first).
    EXPECT_EQ(e.timeline.timeline_count, 26);
}

TEST_F(EngineBlock, KeyDownHeldAcrossAClearIsAcceptedWithoutAnEntry)
{
    // A key-down younger than the mark delay when the measurement stops: its
    // onset was taken, so after クリア and 開始 no new onset starts a
    // recording. Its start time (clock 0, where that first onset restarted
    // the clock) stands, so it is accepted at clock 3 of the restarted clock
    // and reaches the decoder, but not the timeline.
    feed(LOUD, 1);
    ASSERT_EQ(e.measurement.recording_phase, RECORDING_ACTIVE);
    ASSERT_FALSE(e.detector.mark_accepted);
    engine_stop(e);
    engine_clear(e);
    ASSERT_TRUE(engine_start(e, true));
    feed(LOUD, 40);
    EXPECT_TRUE(e.detector.mark_accepted);
    EXPECT_EQ(e.decoder.character_state, CHARACTER_IN_PROGRESS);
    EXPECT_EQ(e.measurement.recording_phase, RECORDING_WAITING);
    feed(QUIET, 15 + 11 * 50);
    EXPECT_EQ(e.timeline.timeline_count, 0);
    // The next onset starts the recording with entry 0.
    feed(LOUD, 40);
    EXPECT_EQ(e.measurement.recording_phase, RECORDING_ACTIVE);
    EXPECT_EQ(stored(), V({0}));
}

namespace
{

// A keyed tone with noise around the threshold, so that the hang runs out
// and starts again at every kind of moment: marks and spaces of all lengths,
// one sample in a hundred just above the threshold of 1000, the rest below.
std::vector<int16_t> ragged_keying(uint32_t seed, size_t samples)
{
    std::vector<int16_t> signal;
    signal.reserve(samples);
    uint32_t state = seed;
    auto next = [&state](uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    };
    bool down = false;
    while (signal.size() < samples) {
        // Marks of 1..120 ms; key-ups mostly short, a third long enough to
        // end a character or a word.
        const size_t ms = down ? 1 + next(120) : (next(3) == 0 ? 150 + next(400) : 1 + next(60));
        const size_t length = 11 * ms + next(11);
        for (size_t k = 0; k < length && signal.size() < samples; k++) {
            const int32_t noise = static_cast<int32_t>(next(2041)) - 1020;
            const int32_t tone = down ? ((k % 15) < 7 ? 9000 : -9000) : 0;
            signal.push_back(static_cast<int16_t>(tone + noise));
        }
        down = !down;
    }
    return signal;
}

bool same_detector(const detector_state &a, const detector_state &b)
{
    return a.sample_counter == b.sample_counter && a.measurement_clock == b.measurement_clock &&
           a.peak_level == b.peak_level && a.hang_count == b.hang_count &&
           a.key_down == b.key_down && a.key_down_onsets == b.key_down_onsets &&
           a.key_down_noted == b.key_down_noted && a.mark_start_time == b.mark_start_time &&
           a.mark_accepted == b.mark_accepted && a.space_start_noted == b.space_start_noted &&
           a.space_start_time == b.space_start_time && a.space_accepted == b.space_accepted &&
           a.display_step_counter == b.display_step_counter;
}

struct shown_log {
    std::vector<std::pair<bool, uint32_t>> steps;
    std::vector<std::pair<std::string, uint32_t>> texts; // with the clock shown at
    const detector_state *detector;
};

} // namespace

// The engine hurries through runs of samples in which nothing happens, and
// checks the gap only when the key-up has grown; the detector and the
// decoder driven sample by sample, with a gap check at every key-up sample,
// are the reference. After every block the engine's detector must be where
// the reference's is, the meter must have read the same peak, the sweep must
// have stepped at the same samples with the same key state, and the same
// texts and unit read-outs must have been shown at the same clock. Between
// blocks the operator changes a setting now and then (code interval, key
// delay, threshold, unit display, alphabet): a gap that has not grown can
// end a character under the new settings at the first sample of a block.
TEST(EngineQuickPath, AgreesWithTheDetectorAndDecoderSampleBySample)
{
    build_morse_tables();
    for (uint32_t key_delay : {0u, 2u, 7u}) {
        for (size_t block : {1u, 7u, 110u, 4096u}) {
            for (bool sweep : {false, true}) {
                SCOPED_TRACE(testing::Message() << "delay " << key_delay << " block " << block
                                                << " sweep " << sweep);
                const std::vector<int16_t> signal = ragged_keying(key_delay * 31 + 7, 11025 * 20);
                auto engine = std::make_unique<measurement_engine>();
                measurement_engine &e = *engine;
                settings_record s = initial_settings();
                s.detection_threshold = 1000;
                engine_init(e, s);
                engine_set_key_delay(e, static_cast<int>(key_delay));
                ASSERT_TRUE(engine_start(e, true));
                shown_log shown = {{}, {}, &e.detector};
                engine_display display = {};
                display.context = &shown;
                display.show_decoded_text = [](void *c, entry_kind_t, const char *text, int n) {
                    shown_log &log = *static_cast<shown_log *>(c);
                    log.texts.push_back({std::string(text, static_cast<size_t>(n)),
                                         log.detector->measurement_clock});
                };
                display.write_unit_readouts = [](void *c, int32_t, int32_t) {
                    shown_log &log = *static_cast<shown_log *>(c);
                    log.texts.push_back({"units", log.detector->measurement_clock});
                };
                if (sweep) {
                    display.sweep_step = [](void *c, bool down, uint32_t clock) {
                        static_cast<shown_log *>(c)->steps.push_back({down, clock});
                    };
                }

                detector_state reference = e.detector;
                decoder_state reference_decoder = e.decoder;
                detector_settings detecting = detector_settings_of(e.settings);
                decoder_settings decoding = decoder_settings_of(e.settings);
                bool recording = false;
                std::vector<std::pair<bool, uint32_t>> expected_steps;
                std::vector<std::pair<std::string, uint32_t>> expected_texts;
                // A change about every 50 ms, each kind in turn.
                const size_t change_every = std::max<size_t>(1, 550 / block);
                for (size_t at = 0, n = 1; at < signal.size(); at += block, n++) {
                    if (n % change_every == 0) {
                        const size_t change = n / change_every;
                        const int turn = static_cast<int>(change / 5);
                        switch (change % 5) {
                        case 0:
                            engine_select_code_interval(e, static_cast<code_interval_t>(turn % 3));
                            break;
                        case 1:
                            engine_set_key_delay(e, static_cast<int>(key_delay) + turn % 3);
                            break;
                        case 2:
                            engine_set_threshold_position(e, 3 + turn % 2); // 971, 1295
                            break;
                        case 3:
                            engine_toggle_unit_time_display(e);
                            break;
                        default:
                            engine_select_alphabet(e, turn % 2 ? ALPHABET_WABUN : ALPHABET_EUROPEAN);
                        }
                        detecting = detector_settings_of(e.settings);
                        decoding = decoder_settings_of(e.settings);
                    }
                    const size_t count = std::min(block, signal.size() - at);
                    for (size_t k = 0; k < count; k++) {
                        const uint32_t events =
                            detector_analyse_sample(reference, signal[at + k], detecting);
                        recording = recording || (events & DETECTOR_FIRST_ONSET);
                        if (events & DETECTOR_MARK_ACCEPTED)
                            decode_on_mark_accepted(reference_decoder,
                                                    detector_space_before_mark_ms(reference));
                        if (events & DETECTOR_SPACE_ACCEPTED)
                            decode_on_space_accepted(reference_decoder,
                                                     detector_accepted_mark_ms(reference));
                        if (!reference.key_down) {
                            const decoder_report r = decode_gap_check(
                                reference_decoder, decoding, detector_key_up_ms(reference));
                            if (r.unit_readouts)
                                expected_texts.push_back({"units", reference.measurement_clock});
                            if (r.character)
                                expected_texts.push_back(
                                    {r.character->text, reference.measurement_clock});
                            if (r.word_space)
                                expected_texts.push_back({" ", reference.measurement_clock});
                        }
                        if ((events & DETECTOR_DISPLAY_STEP) && recording)
                            expected_steps.push_back(
                                {reference.key_down, reference.measurement_clock});
                    }
                    const block_result r =
                        engine_process_block(e, signal.data() + at, count, display);
                    if (r.meter.due) {
                        // The meter read the peak since the last reading.
                        EXPECT_EQ(r.meter.peak_level, reference.peak_level) << "at " << at;
                        reference.peak_level = 0;
                        reference.last_meter_time = reference.measurement_clock;
                    }
                    ASSERT_TRUE(same_detector(e.detector, reference)) << "after sample " << at;
                    engine_take_stop_request(e);
                }
                EXPECT_EQ(shown.texts, expected_texts);
                // With no key delay every noise burst is a mark of its own and
                // hardly a character ends; with a delay the run decodes.
                if (key_delay > 0) {
                    EXPECT_GT(expected_texts.size(), 50u);
                }
                if (sweep) {
                    EXPECT_EQ(shown.steps, expected_steps);
                    EXPECT_GT(expected_steps.size(), 20000u);
                }
                EXPECT_GT(e.timeline.timeline_count, 100);
            }
        }
    }
}
