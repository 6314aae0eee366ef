#include "batch_command.h"

#include "json_output.h"
#include "output_files.h"
#include "progress.h"
#include "recording_job.h"
#include "recording_list.h"
#include "summary_table.h"
#include "text_output.h"
#include "worker_pool.h"

#include <sys/stat.h>

#include <cstdio>

namespace
{

bool exists(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

bool same_inode(const std::string &a, const std::string &b)
{
    struct stat info_a;
    struct stat info_b;
    return stat(a.c_str(), &info_a) == 0 && stat(b.c_str(), &info_b) == 0 &&
           info_a.st_dev == info_b.st_dev && info_a.st_ino == info_b.st_ino;
}

// Whether two paths name one file, written differently or not yet there:
// "rec/a.wav" and "./rec/a.wav", "out/a.csv" and "out//a.csv".
bool same_file(const std::string &a, const std::string &b)
{
    if (same_inode(a, b))
        return true;
    return name_of(a) == name_of(b) && same_inode(folder_of(a), folder_of(b));
}

struct batch_run {
    const job_settings *settings;
    std::vector<recording_job> *jobs;
    batch_progress *progress;
};

void run_job(void *context, size_t item)
{
    batch_run *run = static_cast<batch_run *>(context);
    run_recording_job(*run->settings, (*run->jobs)[item]);
    batch_progress_step(*run->progress);
}

// Where the outputs go, checked before anything is measured; 0 or the exit
// code after the message.
int check_outputs(const measure_arguments &a, const std::string &output_folder,
                  const std::vector<std::string> &recordings,
                  const std::vector<std::string> &keying_files)
{
    std::string error;
    if (!output_folder.empty() && !exists(output_folder))
        return failure("the output folder '" + output_folder +
                       "' does not exist: with several recordings, a folder or --summary-csv, "
                       "-o names an existing folder");
    if (!folder_writable(output_folder.empty() ? "." : output_folder, error))
        return failure(error);
    if (a.summary_csv.empty())
        return 0;
    if (is_folder(a.summary_csv))
        return failure("cannot write the summary '" + a.summary_csv + "': it is a folder");
    for (const std::string &file : keying_files)
        if (same_file(file, a.summary_csv))
            return usage_error("the summary '" + a.summary_csv +
                               "' would replace a keying data file");
    for (const std::string &recording : recordings)
        if (same_file(recording, a.summary_csv))
            return usage_error("the summary '" + a.summary_csv + "' would replace the recording '" +
                               recording + "'");
    if (!folder_writable(folder_of(a.summary_csv), error))
        return failure(error);
    return 0;
}

void print_messages(const std::vector<recording_job> &jobs)
{
    for (const recording_job &job : jobs) {
        if (!job.note.empty())
            std::fprintf(stderr, "ventrok-analyze: %s: %s\n", job.recording.c_str(),
                         job.note.c_str());
        if (job.status == JOB_FAILED)
            std::fprintf(stderr, "ventrok-analyze: %s\n", job.error.c_str());
    }
}

std::string footer(const std::vector<recording_job> &jobs, const measure_arguments &a)
{
    size_t counts[4] = {};
    for (const recording_job &job : jobs)
        counts[job.status]++;
    std::string text = "\n" + std::to_string(jobs.size()) + " recordings: " +
                       std::to_string(counts[JOB_MEASURED]) + " measured, " +
                       std::to_string(counts[JOB_TOO_FEW]) + " with too few keyings, " +
                       std::to_string(counts[JOB_FAILED]) + " failed\n";
    text += "keying data files in " +
            (a.output_given ? "'" + a.output + "'" : std::string("the current folder")) + "\n";
    if (!a.summary_csv.empty())
        text += "summary: " + a.summary_csv + "\n";
    return text;
}

} // namespace

bool is_batch(const measure_arguments &a)
{
    if (a.recordings.size() > 1 || !a.summary_csv.empty())
        return true;
    if (a.output_given && is_folder(a.output))
        return true;
    return is_folder(a.recordings.front());
}

int run_batch(const measure_arguments &a)
{
    const std::string output_folder = a.output_given ? a.output : std::string();
    if (a.output_given && exists(a.output) && !is_folder(a.output))
        return usage_error("-o '" + a.output +
                           "' is a file: with several recordings, a folder or --summary-csv, "
                           "-o names the folder for the keying data files");

    std::string error;
    std::vector<std::string> recordings;
    if (!list_recordings(a.recordings, recordings, error))
        return failure(error);
    std::vector<std::string> keying_files;
    if (!assign_keying_files(recordings, output_folder, keying_files, error))
        return usage_error(error);
    if (const int code = check_outputs(a, output_folder, recordings, keying_files))
        return code;

    job_settings settings = {a.options, a.tone_filter, a.tone_filter_hz, a.json};
    settings.options.progress = false; // one line for the batch instead
    std::vector<recording_job> jobs;
    for (size_t i = 0; i < recordings.size(); ++i)
        jobs.push_back(make_recording_job(recordings[i], keying_files[i]));

    batch_progress progress;
    batch_progress_start(progress, a.options.progress, jobs.size());
    batch_run run = {&settings, &jobs, &progress};
    run_on_workers(jobs.size(), worker_count(jobs.size(), a.jobs), run_job, &run);
    batch_progress_finish(progress);

    print_messages(jobs);
    bool failed = false;
    bool too_few = false;
    for (const recording_job &job : jobs) {
        failed = failed || job.status == JOB_FAILED;
        too_few = too_few || job.status == JOB_TOO_FEW;
    }

    const summary_layout layout = {a.options.continuous, a.tone_filter != TONE_FILTER_OFF};
    if (!a.summary_csv.empty() &&
        !write_file_whole(a.summary_csv, summary_csv_text(jobs, layout), error)) {
        failure(error);
        failed = true;
    }
    if (a.json) {
        std::fputs(batch_json(jobs).c_str(), stdout);
    } else {
        std::string text = summary_table_text(jobs, layout) + footer(jobs, a);
        if (a.encoding == OUTPUT_CP932)
            text = utf8_to_cp932(text);
        std::fputs(text.c_str(), stdout);
    }
    return failed ? EXIT_FAILED : too_few ? EXIT_TOO_FEW : EXIT_DONE;
}
