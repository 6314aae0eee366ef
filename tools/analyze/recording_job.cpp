#include "recording_job.h"

#include "json_output.h"
#include "output_files.h"

#include <memory>
#include <vector>

namespace
{

struct job_collector {
    bool keep_all; // for the JSON
    std::vector<measurement_result> results;
    int count;
    bool have_kept;
    measurement_result kept; // the last evaluated one
    measurement_result last;
};

void on_measurement_done(void *context, const measurement_result &result)
{
    job_collector *c = static_cast<job_collector *>(context);
    c->count++;
    if (result.evaluated) {
        c->kept = result;
        c->have_kept = true;
    }
    c->last = result;
    if (c->keep_all)
        c->results.push_back(result);
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
    if (!choose_tone_filter(job.recording.c_str(), settings.tone_filter, settings.tone_filter_hz,
                            job.tone, job.note, error))
        return fail(job, error);
    std::unique_ptr<recording_input, void (*)(recording_input *)> input(
        open_recording(job.recording.c_str(), job.tone.on ? job.tone.frequency_hz : 0.0, error),
        close_recording);
    if (!input)
        return fail(job, error);

    std::unique_ptr<job_collector> c(new job_collector());
    c->keep_all = settings.json;
    if (!measure_recording(input.get(), settings.options, on_measurement_done, c.get(), error))
        return fail(job, error);

    job.measurements = c->count;
    job.has_shown = c->count > 0;
    job.shown = c->have_kept ? c->kept : c->last;
    job.status = c->have_kept ? JOB_MEASURED : JOB_TOO_FEW;
    // As each evaluated stop of the program replaces the file, it keeps the
    // last evaluated measurement; too few keyings leave an earlier file alone.
    bool written = false;
    if (c->have_kept) {
        written = write_file_whole(job.keying_file, c->kept.keying_file, error);
        if (!written)
            fail(job, error);
        // The bytes are on disk (or refused); a long batch need not keep them.
        job.shown.keying_file = std::string();
    }
    if (settings.json)
        job.json = measurements_json(recording_description(input.get()), settings.options.settings,
                                     job.tone, c->results, written ? job.keying_file : "");
}
