// ventrok-analyze measure: one recording or many, measured the same way.
// Every recording is measured on a worker thread with the same options and
// its keying data file written; one recording file alone (no folder, no -o
// folder, no summary) is reported in full, measurement by measurement, with
// its file at -o or under the program's name here; several get a table
// (and a summary CSV) with one row per recording. A recording that cannot
// be read gets its row with the reason; the others go on. Every output is
// checked before anything is measured: none may replace an input.
#ifndef VENTROK_ANALYZE_MEASURE_COMMAND_H
#define VENTROK_ANALYZE_MEASURE_COMMAND_H

#include "command_line.h"

// Returns the exit code: 0 every recording measured and its file written;
// 1 a recording could not be read or a file not written (or the output
// folder, the folder list or the summary cannot be used); 2 bad arguments,
// or an output that would replace an input; 3 none failed but some had too
// few keyings.
int run_measure(const measure_arguments &a);

#endif
