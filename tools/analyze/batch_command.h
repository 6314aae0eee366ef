// ventrok-analyze measure with several recordings or a folder: every
// recording measured on its own worker thread with the same options, one
// keying data file per recording in the output folder, and a summary table
// (and CSV) with a row per recording. A recording that cannot be read gets
// its row with the reason; the others go on.
#ifndef VENTROK_ANALYZE_BATCH_COMMAND_H
#define VENTROK_ANALYZE_BATCH_COMMAND_H

#include "command_line.h"

// A batch is asked for by more than one recording, a folder among them, an
// existing folder after -o, or --summary-csv. One recording file with -o
// FILE (or none) is measured alone, as before.
bool is_batch(const measure_arguments &a);

// Returns the exit code: 0 every recording measured and its file written;
// 1 a recording could not be read or a file not written (or the output
// folder, the folder list or the summary cannot be used); 2 bad arguments;
// 3 none failed but some had too few keyings.
int run_batch(const measure_arguments &a);

#endif
