// One recording measured, run through the program's own core exactly as the
// main window runs it: 開始 pressed before the recording, every 110 samples
// one captured block, the meter cadence with its automatic stop checks after
// each block, the stop at the automatic stop or at the end of the recording,
// then the stop's evaluation. Around it, the job the measure command runs on
// a worker thread for each recording: the tone filter set, the recording
// measured, its keying data file written, and what the report needs kept.
// Nothing is printed; each job has its own record, so jobs run side by side
// without locks.
#ifndef VENTROK_ANALYZE_MEASURE_H
#define VENTROK_ANALYZE_MEASURE_H

#include <cstdint>
#include <string>
#include <vector>

#include "core/analysis/code_tables.h"
#include "core/analysis/statistics.h"
#include "core/app/settings.h"
#include "recording_input.h"

// One text the decoder showed: a character or a word space, with the clock at
// which it was shown and the units it was judged with.
struct decoded_character {
    entry_kind_t kind;
    std::string text; // code page 932
    uint32_t clock_ms;
    int32_t mark_unit_ms;
    int32_t space_unit_ms;
};

enum stop_cause { STOP_AUTOMATIC, STOP_END_OF_RECORDING };

// What one measurement (開始 to its stop) leaves behind.
struct measurement_result {
    uint64_t start_sample;      // capture sample at which 開始 took effect
    int64_t first_onset_sample; // capture sample of the first key-down, -1 if none
    uint64_t stop_sample;       // capture samples analysed when it stopped
    stop_cause cause;
    uint32_t measurement_clock_ms; // clock at the stop
    std::vector<uint16_t> timeline;
    std::vector<decoded_character> characters;
    std::vector<int> alphabet_switches_at; // index into characters of each switch
    bool evaluated;                        // 40 entries or more
    int measured_seconds;
    keying_statistics statistics; // valid when evaluated
    std::string keying_file;      // the keying data file's bytes (CR LF), when evaluated
};

struct measure_options {
    settings_record settings;
    bool continuous; // after each stop, クリア and 開始 at once until the recording ends
};

// Called after each measurement stops (already evaluated).
typedef void (*measurement_done_fn)(void *context, const measurement_result &result);

// Runs the recording; false with error set when the recording cannot be read.
// Several recordings may be measured at once, each on its own thread.
bool measure_recording(recording_input *input, const measure_options &options,
                       measurement_done_fn done, void *context, std::string &error);

// The tone filter as asked for on the command line.
enum tone_filter_choice { TONE_FILTER_OFF, TONE_FILTER_AUTO, TONE_FILTER_AT };

// The tone filter as it was set for a recording.
struct tone_filter_setting {
    bool on;
    double frequency_hz;
    bool estimated; // found in the recording (auto), not given
    bool clear;     // the tone stood out clearly (always true when given)
    int32_t level;  // the filtered tone's level found (tone_level.h); 0: none, or not asked
    double gain;    // that brings it to TONE_FILTER_LEVEL; 1 without
};

// How every recording of the command is measured.
struct job_settings {
    measure_options options;
    tone_filter_choice tone_filter;
    double tone_filter_hz;       // with TONE_FILTER_AT
    bool tone_level;             // the filtered tone brought to its level (no threshold given)
    bool keep_every_measurement; // the report shows them all, not just the file's
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
    std::string note;  // what the tone filter could not find, when it could not
    tone_filter_setting tone;
    recording_info info;
    int measurements; // measurements that stopped (more than one with --continuous)
    // The measurement the summary shows: the last evaluated one (the one in
    // the keying data file) or, when none was, the last one. Not set when
    // the recording could not be read.
    bool has_shown;
    measurement_result shown;
    std::vector<measurement_result> results; // every one, when kept; no file bytes
    bool file_written;
};

recording_job make_recording_job(const std::string &recording, const std::string &keying_file);

// Measures the recording and writes its keying data file.
void run_recording_job(const job_settings &settings, recording_job &job);

#endif
