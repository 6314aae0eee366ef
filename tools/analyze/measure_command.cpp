#include "measure_command.h"

#include "json_output.h"
#include "paths.h"
#include "recording_file.h"
#include "summary_table.h"
#include "text_output.h"
#include "tools/common/file_output.h"

#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

namespace
{

// The count of recordings done, on stderr while the workers run, when stderr
// is a terminal; erased before anything else is printed.
struct batch_progress {
    bool active;
    size_t total;
    size_t done; // under lock
    std::mutex lock;
};

void show_progress(const batch_progress &progress)
{
    std::fprintf(stderr, "\rmeasured %zu of %zu recordings", progress.done, progress.total);
    std::fflush(stderr);
}

// The jobs, shared out among the workers: each takes the next job not yet
// taken until none is left, so long and short recordings share out by
// themselves.
struct job_pool {
    std::atomic<size_t> next_job;
    const job_settings *settings;
    std::vector<recording_job> *jobs;
    batch_progress *progress;
};

void *worker(void *context)
{
    job_pool &pool = *static_cast<job_pool *>(context);
    for (;;) {
        const size_t job = pool.next_job.fetch_add(1);
        if (job >= pool.jobs->size())
            return nullptr;
        run_recording_job(*pool.settings, (*pool.jobs)[job]);
        if (pool.progress->active) {
            std::lock_guard<std::mutex> hold(pool.progress->lock);
            pool.progress->done++;
            show_progress(*pool.progress);
        }
    }
}

// Runs every job on up to workers threads, the calling thread among them,
// and returns how many there were: a thread that cannot be started leaves
// its share to the others, and problem says why it could not.
int run_on_workers(job_pool &pool, int workers, std::string &problem)
{
    std::vector<pthread_t> threads;
    for (int i = 1; i < workers; ++i) {
        pthread_t thread;
        const int error = pthread_create(&thread, nullptr, worker, &pool);
        if (error != 0) {
            problem = system_error_text(error);
            break;
        }
        threads.push_back(thread);
    }
    worker(&pool);
    for (pthread_t thread : threads)
        pthread_join(thread, nullptr);
    return static_cast<int>(threads.size()) + 1;
}

// One per core this process may run on (the affinity mask, which taskset and
// container limits narrow), no more than asked for (0: no limit) and no more
// than there are recordings; at least 1.
int worker_count(size_t recordings, int asked)
{
    cpu_set_t cores;
    CPU_ZERO(&cores);
    size_t count = std::thread::hardware_concurrency();
    if (sched_getaffinity(0, sizeof cores, &cores) == 0 && CPU_COUNT(&cores) > 0)
        count = static_cast<size_t>(CPU_COUNT(&cores));
    if (asked > 0 && static_cast<size_t>(asked) < count)
        count = static_cast<size_t>(asked);
    if (recordings < count)
        count = recordings;
    return count > 0 ? static_cast<int>(count) : 1;
}

// Several recordings, a folder among them, an existing folder after -o, or
// --summary-csv: a table. One recording file with -o FILE (or none): the
// full report.
bool is_batch(const measure_arguments &a)
{
    if (a.recordings.size() > 1 || !a.summary_csv.empty())
        return true;
    if (a.output_given && is_folder(a.output))
        return true;
    return is_folder(a.recordings.front());
}

// Where the outputs go, checked before anything is measured; 0 or the exit
// code after the message.
int check_outputs(const measure_arguments &a, bool batch, const std::vector<std::string> &recordings,
                  const std::vector<std::string> &keying_files)
{
    if (batch && a.output_given && !path_exists(a.output))
        return failure("the output folder '" + a.output +
                       "' does not exist: with several recordings, a folder or --summary-csv, "
                       "-o names an existing folder");
    std::vector<std::string> outputs = keying_files;
    if (!a.summary_csv.empty()) {
        if (is_folder(a.summary_csv))
            return failure("cannot write the summary '" + a.summary_csv + "': it is a folder");
        for (const std::string &file : keying_files)
            if (same_file(file, a.summary_csv))
                return usage_error("the summary '" + a.summary_csv +
                                   "' would replace a keying data file");
        outputs.push_back(a.summary_csv);
    }
    std::string output;
    std::string input;
    if (output_replacing_input(outputs, recordings, output, input))
        return usage_error((output == a.summary_csv ? "the summary '" : "the keying data file '") +
                           output + "' would replace the recording '" + input + "'");

    // Reading a recording's beginning before the measurement takes a second
    // pass, which a stream does not give.
    const bool second_pass = a.tone_filter == TONE_FILTER_AUTO ||
                             (a.tone_filter == TONE_FILTER_AT && !a.threshold_given);
    for (const std::string &recording : recordings)
        if (second_pass && recording_is_stream(recording.c_str()))
            return usage_error("'" + recording +
                               "' is a stream (standard input or a pipe), read once as it comes, "
                               "but --tone-filter reads the beginning of a recording twice to find "
                               "the tone and its level: give both (--tone-filter HZ --threshold "
                               "N), or measure a file");

    std::string error;
    if (!folder_writable(batch ? (a.output_given ? a.output : ".") : folder_of(a.output), error))
        return failure(error);
    if (!a.summary_csv.empty() && !folder_writable(folder_of(a.summary_csv), error))
        return failure(error);
    return 0;
}

void print_messages(const std::vector<recording_job> &jobs, bool batch)
{
    for (const recording_job &job : jobs) {
        if (!job.note.empty())
            std::fprintf(stderr, "ventrok-analyze: %s%s%s\n", batch ? job.recording.c_str() : "",
                         batch ? ": " : "", job.note.c_str());
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

void print_report(const std::vector<recording_job> &jobs, const measure_arguments &a, bool batch)
{
    const settings_record &settings = a.options.settings;
    if (!batch) {
        // A recording that could not be read has nothing to report.
        if (!jobs.front().has_shown)
            return;
        if (a.json)
            std::fputs((recording_json(jobs.front(), settings) + "\n").c_str(), stdout);
        else
            print_recording_report(stdout, jobs.front(), a.encoding);
    } else if (a.json) {
        std::fputs(batch_json(jobs, settings).c_str(), stdout);
    } else {
        const summary_layout layout = {a.options.continuous, a.tone_filter != TONE_FILTER_OFF};
        std::string text = summary_table_text(jobs, layout) + footer(jobs, a);
        if (a.encoding == OUTPUT_CP932)
            text = utf8_to_cp932(text);
        std::fputs(text.c_str(), stdout);
    }
}

} // namespace

int run_measure(const measure_arguments &a)
{
    const bool batch = is_batch(a);
    if (batch && a.output_given && path_exists(a.output) && !is_folder(a.output))
        return usage_error("-o '" + a.output +
                           "' is a file: with several recordings, a folder or --summary-csv, "
                           "-o names the folder for the keying data files");
    std::string error;
    std::vector<std::string> recordings;
    if (!list_recordings(a.recordings, recordings, error))
        return failure(error);
    std::vector<std::string> keying_files(1, a.output);
    if (batch && !assign_keying_files(recordings, a.output_given ? a.output : std::string(),
                                      keying_files, error))
        return usage_error(error);
    if (const int code = check_outputs(a, batch, recordings, keying_files))
        return code;

    const job_settings settings = {a.options, a.tone_filter, a.tone_filter_hz,
                                   !a.threshold_given, !batch || a.json};
    std::vector<recording_job> jobs;
    for (size_t i = 0; i < recordings.size(); ++i)
        jobs.push_back(make_recording_job(recordings[i], keying_files[i]));

    batch_progress progress;
    progress.active = batch && a.progress && isatty(STDERR_FILENO);
    progress.total = jobs.size();
    progress.done = 0;
    if (progress.active)
        show_progress(progress);
    job_pool pool;
    pool.next_job = 0;
    pool.settings = &settings;
    pool.jobs = &jobs;
    pool.progress = &progress;
    std::string thread_problem;
    const int workers = run_on_workers(pool, worker_count(jobs.size(), a.jobs), thread_problem);
    if (progress.active)
        std::fprintf(stderr, "\r%60s\r", "");

    print_messages(jobs, batch);
    if (!thread_problem.empty())
        std::fprintf(stderr,
                     "ventrok-analyze: cannot start another worker thread (%s): the recordings "
                     "were measured on %d\n",
                     thread_problem.c_str(), workers);
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
    print_report(jobs, a, batch);
    return failed ? EXIT_FAILED : too_few ? EXIT_TOO_FEW : EXIT_DONE;
}
