#include "measure.h"

#include "core/analysis/code_tables.h"
#include "core/app/measurement_engine.h"
#include "tools/common/file_output.h"
#include "tools/tone_filter/tone_frequency.h"
#include "tools/tone_filter/tone_level.h"

#include <cstdio>
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

    begin_result(run);
    engine_start(e, true);

    std::vector<int16_t> block;
    block.reserve(CAPTURE_BLOCK_SAMPLES);
    bool ended = false;
    bool reported_any = false;
    while (!ended) {
        block.clear();
        if (!read_capture_samples(input, block, CAPTURE_BLOCK_SAMPLES, &ended, error))
            return false;
        if (block.empty())
            break;
        run.onset_in_block = false;
        const block_result result =
            engine_process_recording_block(e, block.data(), block.size(), display);
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
    }

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

namespace
{

// Capture samples read at a time by the passes before the measurement.
constexpr size_t PASS_READ_SAMPLES = 16384;

// Reads the recording from its start, through the tone filter at hz unless
// hz is 0, and hands the samples to take until it says it has seen enough or
// the recording ends. False with error set when the recording cannot be read.
template <typename Take>
bool read_from_start(const char *path, double hz, Take take, std::string &error)
{
    std::unique_ptr<recording_input, void (*)(recording_input *)> input(
        open_recording(path, hz, 1.0, error), close_recording);
    if (!input)
        return false;
    std::vector<int16_t> samples;
    samples.reserve(PASS_READ_SAMPLES);
    bool ended = false;
    while (!ended) {
        samples.clear();
        if (!read_capture_samples(input.get(), samples, PASS_READ_SAMPLES, &ended, error))
            return false;
        if (take(samples))
            break;
    }
    return true;
}

// The tone filter for a recording as asked for: off, at the frequency given,
// or at the one found in the recording (searched from the start until the
// keyed tone stands out clearly, or to the end when it never does); then,
// unless a threshold was given, the gain that brings the filtered tone to its
// level. note says what could not be found (empty when everything was).
bool choose_tone_filter(const char *path, const job_settings &settings,
                        tone_filter_setting &setting, std::string &note, std::string &error)
{
    setting = {settings.tone_filter != TONE_FILTER_OFF, settings.tone_filter_hz, false, true, 0,
               1.0};
    note.clear();
    if (!setting.on)
        return true;
    bool any_sound = true;
    if (settings.tone_filter == TONE_FILTER_AUTO) {
        std::unique_ptr<tone_search> search(new tone_search);
        tone_search_init(*search);
        if (!read_from_start(path, 0.0,
                             [&](const std::vector<int16_t> &samples) {
                                 return tone_search_add(*search, samples.data(), samples.size());
                             },
                             error))
            return false;
        const tone_search_result found = tone_search_outcome(*search);
        setting.estimated = true;
        setting.clear = found.found;
        setting.frequency_hz = tone_filter_frequency_for(found);
        any_sound = found.any_sound;
        char text[160];
        if (!found.any_sound)
            std::snprintf(text, sizeof text,
                          "no tone in the recording; the tone filter listens at %.1f Hz",
                          setting.frequency_hz);
        else
            std::snprintf(text, sizeof text,
                          "no clear keyed tone in the recording; the tone filter listens at the "
                          "strongest frequency, %.1f Hz",
                          setting.frequency_hz);
        if (!found.found)
            note = text;
    }
    if (!settings.tone_level)
        return true;
    std::unique_ptr<tone_level> level(new tone_level);
    tone_level_init(*level);
    if (!read_from_start(path, setting.frequency_hz,
                         [&](const std::vector<int16_t> &samples) {
                             return tone_level_add(*level, samples.data(), samples.size());
                         },
                         error))
        return false;
    setting.level = tone_level_found(*level);
    setting.gain = tone_level_gain(setting.level);
    if (setting.level == 0 && any_sound)
        note += std::string(note.empty() ? "" : "; ") +
                "no keyed tone stands out of the filtered recording; the tone filter leaves it "
                "at its level";
    return true;
}

struct job_run {
    recording_job *job;
    bool keep_every_measurement;
};

void on_measurement_done(void *context, const measurement_result &result)
{
    const job_run &run = *static_cast<job_run *>(context);
    recording_job &job = *run.job;
    job.measurements++;
    // The summary shows the last evaluated measurement, as each evaluated
    // stop of the program replaces the keying data file.
    if (result.evaluated || job.status != JOB_MEASURED)
        job.shown = result;
    if (result.evaluated)
        job.status = JOB_MEASURED;
    if (run.keep_every_measurement) {
        job.results.push_back(result);
        job.results.back().keying_file.clear();
    }
}

void fail(recording_job &job, const std::string &error)
{
    job.status = JOB_FAILED;
    job.error = error;
}

} // namespace

recording_job make_recording_job(const std::string &recording, const std::string &keying_file)
{
    recording_job job = {};
    job.recording = recording;
    job.keying_file = keying_file;
    job.status = JOB_WAITING;
    return job;
}

void run_recording_job(const job_settings &settings, recording_job &job)
{
    std::string error;
    if (!choose_tone_filter(job.recording.c_str(), settings, job.tone, job.note, error))
        return fail(job, error);
    std::unique_ptr<recording_input, void (*)(recording_input *)> input(
        open_recording(job.recording.c_str(), job.tone.on ? job.tone.frequency_hz : 0.0,
                       job.tone.gain, error),
        close_recording);
    if (!input)
        return fail(job, error);
    job.info = recording_description(input.get());
    job_run run = {&job, settings.keep_every_measurement};
    if (!measure_recording(input.get(), settings.options, on_measurement_done, &run, error)) {
        job.results.clear();
        return fail(job, error);
    }
    job.has_shown = job.measurements > 0;
    if (job.status != JOB_MEASURED) {
        // Too few keyings leave an earlier file alone.
        job.status = JOB_TOO_FEW;
        return;
    }
    job.file_written = write_file_whole(job.keying_file, job.shown.keying_file, error);
    if (!job.file_written)
        fail(job, error);
    // The bytes are on disk (or refused); a long batch need not keep them.
    job.shown.keying_file = std::string();
}
