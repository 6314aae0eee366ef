// One recording of a batch, measured whole on the thread that runs it: the
// tone filter chosen, the recording read and measured, its keying data file
// written, and what the summary and the JSON need kept. Nothing is printed;
// each job has its own record, so jobs run side by side without locks.
#ifndef VENTROK_ANALYZE_RECORDING_JOB_H
#define VENTROK_ANALYZE_RECORDING_JOB_H

#include <string>

#include "measure.h"
#include "recording_tone.h"

// How every recording of the batch is measured.
struct job_settings {
    measure_options options;
    tone_filter_choice tone_filter;
    double tone_filter_hz; // with TONE_FILTER_AT
    bool json;             // keep the recording's JSON object
};

enum job_status {
    JOB_WAITING,  // not run yet
    JOB_MEASURED, // evaluated, keying data file written
    JOB_TOO_FEW,  // every measurement had fewer than 40 entries: no file
    JOB_FAILED,   // not readable, or its file could not be written
};

struct recording_job {
    std::string recording;   // path as listed
    std::string keying_file; // where its keying data file goes
    job_status status;
    std::string error; // JOB_FAILED: the reason
    std::string note;  // the tone search's note, when it found no clear tone
    tone_filter_setting tone;
    int measurements; // measurements that stopped (more than one with --continuous)
    // The measurement the row shows: the last evaluated one (the one in the
    // keying data file) or, when none was, the last one.
    bool has_shown;
    measurement_result shown;
    std::string json; // the object a single run with --json prints
};

recording_job make_recording_job(const std::string &recording, const std::string &keying_file);

// Measures the recording and writes its keying data file.
void run_recording_job(const job_settings &settings, recording_job &job);

#endif
