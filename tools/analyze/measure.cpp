#include "measure.h"

#include "core/analysis/code_tables.h"
#include "core/analysis/decoder.h"
#include "core/analysis/timeline.h"
#include "core/app/measurement_evaluation.h"
#include "core/app/measurement_state.h"
#include "core/audio/clipping.h"
#include "core/audio/detector.h"
#include "progress.h"
#include "core/replay/keying_file.h"

#include <cstdio>
#include <cstdlib>

namespace
{

struct run_state {
    measurement_result result;
    uint64_t samples_fed; // capture samples handed to the detector so far
    bool onset_in_block;
};

void on_show_decoded_text(void *context, int kind, const char *text, int length)
{
    run_state *run = static_cast<run_state *>(context);
    run->result.characters.push_back({kind, std::string(text, static_cast<size_t>(length)),
                                      detector().measurement_clock, decoder().mark_unit_ms,
                                      decoder().space_unit_ms});
}

void on_alphabet_switched(void *context, int)
{
    run_state *run = static_cast<run_state *>(context);
    run->result.alphabet_switches_at.push_back(static_cast<int>(run->result.characters.size()) - 1);
}

void on_recording_started(void *context)
{
    static_cast<run_state *>(context)->onset_in_block = true;
}

void on_mark_accepted(void *, uint32_t space_before_ms)
{
    decode_on_mark_accepted(space_before_ms);
}

void on_space_accepted(void *, uint32_t mark_ms)
{
    decode_on_space_accepted(mark_ms);
}

void on_gap_check(void *, uint32_t elapsed_ms)
{
    decode_gap_check(elapsed_ms);
}

// The program's state at start-up, with the operator's settings in place.
void program_start(const settings_record &operator_settings)
{
    detector_init(detector_for_update());
    init_decoder();
    build_morse_tables();
    reset_measurement_state();
    measurement_for_update().analysis_suspended = true;
    timeline_reset(timeline_for_update());
    reset_keying_statistics();
    settings_for_update() = operator_settings;
}

// What the start and clear sequences put back besides the timeline (the
// decoded text cursor and the sweep have no counterpart here).
void measurement_reset()
{
    timeline_reset(timeline_for_update());
    detector_measurement_reset(detector_for_update());
    reset_decoder();
}

// 開始: the units raised, the timeline zeroed, then the reset, and the
// analysis switched on (Armed).
void start_sequence()
{
    measurement_state &m = measurement_for_update();
    raise_decoder_units_for_start();
    timeline_reset(timeline_for_update());
    m.statistics_redrawn = false;
    m.device_selection_pending = false;
    m.analysis_suspended = true;
    measurement_reset();
    m.analysis_suspended = false;
}

// クリア: back to Idle, ready for the next 開始.
void clear_sequence()
{
    measurement_state &m = measurement_for_update();
    m.analysis_suspended = true;
    measurement_reset();
    m.device_selection_pending = false;
    timeline_reset(timeline_for_update());
    detector_clear(detector_for_update());
    m.recording_phase = RECORDING_WAITING;
}

// The keying data file as the program writes it in text mode: every line
// end becomes CR LF.
std::string keying_file_bytes()
{
    char *buffer = nullptr;
    size_t size = 0;
    FILE *memory = open_memstream(&buffer, &size);
    if (!memory)
        return std::string();
    const keying_timeline &t = timeline();
    write_keying_data_file(memory, t.entries, t.timeline_count, measurement().measured_seconds,
                           keying_stats());
    std::fclose(memory);
    std::string bytes;
    bytes.reserve(size + 16);
    for (size_t i = 0; i < size; ++i) {
        if (buffer[i] == '\n')
            bytes.push_back('\r');
        bytes.push_back(buffer[i]);
    }
    std::free(buffer);
    return bytes;
}

// The stop sequence: Stopped, then the evaluation shared with the window.
void stop_sequence(run_state &run, stop_cause cause)
{
    measurement_state &m = measurement_for_update();
    m.recording_phase = RECORDING_STOPPED;
    m.analysis_suspended = true;

    measurement_result &r = run.result;
    r.stop_sample = run.samples_fed;
    r.cause = cause;
    r.measurement_clock_ms = detector().measurement_clock;
    const keying_timeline &t = timeline();
    r.timeline.assign(t.entries, t.entries + t.timeline_count);
    r.evaluated = evaluate_stopped_measurement();
    r.measured_seconds = m.measured_seconds;
    if (r.evaluated) {
        r.statistics = keying_stats();
        r.keying_file = keying_file_bytes();
    }
}

void begin_result(run_state &run)
{
    run.result = measurement_result();
    run.result.start_sample = run.samples_fed;
    run.result.first_onset_sample = -1;
}

} // namespace

bool measure_recording(recording_input *input, const measure_options &options,
                       measurement_done_fn done, void *context, std::string &error)
{
    run_state run = {};
    program_start(options.settings);
    const decoder_output output = {&run, on_show_decoded_text, nullptr, on_alphabet_switched};
    set_decoder_output(output);
    const detector_hooks hooks = {
        &run, on_recording_started, on_mark_accepted, on_space_accepted, on_gap_check, nullptr};

    progress_meter progress =
        progress_start(options.progress, recording_description(input).seconds);
    begin_result(run);
    start_sequence();

    std::vector<int16_t> block;
    block.reserve(CAPTURE_BLOCK_SAMPLES);
    bool ended = false;
    bool reported_any = false;
    while (!ended) {
        block.clear();
        if (!read_capture_samples(input, block, CAPTURE_BLOCK_SAMPLES, &ended, error)) {
            progress_finish(progress);
            return false;
        }
        if (block.empty())
            break;
        if (settings().clipping_mode == CLIPPING_ON)
            apply_clipping(block.data(), block.size());

        run.onset_in_block = false;
        detector_analyse_block(detector_for_update(), timeline_for_update(),
                               measurement_for_update(), settings(), block.data(), block.size(),
                               hooks);
        run.samples_fed += block.size();
        if (run.onset_in_block) {
            // The counter restarted at the onset sample and has counted every
            // sample of the block behind it.
            run.result.first_onset_sample =
                static_cast<int64_t>(run.samples_fed) - 1 - detector().sample_counter;
        }

        int32_t peak_level = 0;
        if (detector_meter_due(detector_for_update(), peak_level))
            detector_check_automatic_stop(detector(), timeline(), measurement_for_update());

        if (measurement().stop_request) {
            measurement_for_update().stop_request = false;
            stop_sequence(run, STOP_AUTOMATIC);
            done(context, run.result);
            reported_any = true;
            if (!options.continuous)
                break;
            clear_sequence();
            begin_result(run);
            start_sequence();
        }
        progress_update(progress, recording_seconds_read(input));
    }
    progress_finish(progress);

    // The recording has ended: the operator presses the stop button, unless
    // the measurement has stopped already. A further measurement that never
    // saw a key-down is not reported when another one was.
    if (measurement().recording_phase != RECORDING_STOPPED) {
        const bool untouched = measurement().recording_phase == RECORDING_WAITING;
        stop_sequence(run, STOP_END_OF_RECORDING);
        if (!(untouched && reported_any))
            done(context, run.result);
    }
    set_decoder_output(decoder_output{nullptr, nullptr, nullptr, nullptr});
    return true;
}
