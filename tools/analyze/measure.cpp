#include "measure.h"

#include "core/analysis/code_tables.h"
#include "core/app/measurement_engine.h"
#include "core/audio/clipping.h"
#include "progress.h"

#include <memory>
#include <mutex>

namespace
{

struct run_state {
    measurement_engine *engine;
    measurement_result result;
    uint64_t samples_fed; // capture samples handed to the engine so far
    bool onset_in_block;
};

void on_show_decoded_text(void *context, entry_kind_t kind, const char *text, int length)
{
    run_state *run = static_cast<run_state *>(context);
    const measurement_engine &e = *run->engine;
    run->result.characters.push_back({kind, std::string(text, static_cast<size_t>(length)),
                                      e.detector.measurement_clock, e.decoder.mark_unit_ms,
                                      e.decoder.space_unit_ms});
}

void on_alphabet_switched(void *context, decode_alphabet_t)
{
    run_state *run = static_cast<run_state *>(context);
    run->result.alphabet_switches_at.push_back(static_cast<int>(run->result.characters.size()) - 1);
}

void on_recording_started(void *context)
{
    static_cast<run_state *>(context)->onset_in_block = true;
}

// The stop: Stopped, then the evaluation, as the window's stop sequence.
void stop_measurement(run_state &run, stop_cause cause)
{
    measurement_engine &e = *run.engine;
    measurement_result &r = run.result;
    r.evaluated = engine_stop(e) == STOP_EVALUATED;
    r.stop_sample = run.samples_fed;
    r.cause = cause;
    r.measurement_clock_ms = e.detector.measurement_clock;
    r.timeline.assign(e.timeline.entries, e.timeline.entries + e.timeline.timeline_count);
    r.measured_seconds = e.measurement.measured_seconds;
    if (r.evaluated) {
        r.statistics = e.statistics;
        r.keying_file = engine_keying_data_file(e);
    }
}

void begin_result(run_state &run)
{
    run.result = measurement_result();
    run.result.start_sample = run.samples_fed;
    run.result.first_onset_sample = -1;
}

// The tables are static and read by every decoder: filled once per process,
// never while another thread decodes; later calls wait for the first.
void prepare_code_tables()
{
    static std::once_flag filled;
    std::call_once(filled, build_morse_tables);
}

} // namespace

bool measure_recording(recording_input *input, const measure_options &options,
                       measurement_done_fn done, void *context, std::string &error)
{
    // The program after its first paint, with the operator's settings, and
    // 開始 pressed before the recording.
    prepare_code_tables();
    std::unique_ptr<measurement_engine> engine(new measurement_engine());
    measurement_engine &e = *engine;
    engine_init(e, options.settings);
    engine_suspend_analysis(e);
    run_state run = {engine.get(), measurement_result(), 0, false};
    engine_display display = {};
    display.context = &run;
    display.recording_started = on_recording_started;
    display.show_decoded_text = on_show_decoded_text;
    display.alphabet_switched = on_alphabet_switched;

    progress_meter progress =
        progress_start(options.progress, recording_description(input).seconds);
    begin_result(run);
    engine_start(e, true);

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
        // The window clips the block for the monitor echo before analysing
        // it; with a free monitor buffer, as here, always.
        if (e.settings.clipping_mode == CLIPPING_ON)
            apply_clipping(block.data(), block.size());

        run.onset_in_block = false;
        const block_result result = engine_process_block(e, block.data(), block.size(), display);
        run.samples_fed += block.size();
        if (run.onset_in_block) {
            // The counter restarted at the onset sample and has counted every
            // sample of the block behind it.
            run.result.first_onset_sample =
                static_cast<int64_t>(run.samples_fed) - 1 - e.detector.sample_counter;
        }

        if (result.stop_requested) {
            engine_take_stop_request(e);
            stop_measurement(run, STOP_AUTOMATIC);
            done(context, run.result);
            reported_any = true;
            if (!options.continuous)
                break;
            engine_clear(e);
            begin_result(run);
            engine_start(e, true);
        }
        progress_update(progress, recording_seconds_read(input));
    }
    progress_finish(progress);

    // The recording has ended: the operator presses the stop button, unless
    // the measurement has stopped already. A further measurement that never
    // saw a key-down is not reported when another one was.
    if (e.measurement.recording_phase != RECORDING_STOPPED) {
        const bool untouched = e.measurement.recording_phase == RECORDING_WAITING;
        stop_measurement(run, STOP_END_OF_RECORDING);
        if (!(untouched && reported_any))
            done(context, run.result);
    }
    return true;
}
