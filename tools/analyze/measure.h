// The measurement of a recording, run through the program's own core exactly
// as the main window runs it: 開始 pressed before the recording, every 110
// samples one captured block, the meter cadence with its automatic stop
// checks after each block, the stop at the automatic stop or at the end of
// the recording, then the stop's evaluation.
#ifndef VENTROK_ANALYZE_MEASURE_H
#define VENTROK_ANALYZE_MEASURE_H

#include <cstdint>
#include <string>
#include <vector>

#include "core/analysis/code_tables.h"
#include "core/analysis/statistics.h"
#include "core/app/settings.h"
#include "core/audio/detector.h"
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
    bool progress;   // progress on stderr
};

// Called after each measurement stops (already evaluated).
typedef void (*measurement_done_fn)(void *context, const measurement_result &result);

// Runs the recording; false with error set when the recording cannot be read.
// Several recordings may be measured at once, each on its own thread.
bool measure_recording(recording_input *input, const measure_options &options,
                       measurement_done_fn done, void *context, std::string &error);

#endif
