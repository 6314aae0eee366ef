// The summary of a batch: one row per recording with the statistics panel's
// figures, as an aligned table for the terminal and as CSV for a
// spreadsheet. Both are UTF-8.
#ifndef VENTROK_ANALYZE_SUMMARY_TABLE_H
#define VENTROK_ANALYZE_SUMMARY_TABLE_H

#include <string>
#include <vector>

#include "measure.h"

// Columns of options that were given: the measurement count with
// --continuous, the tone filter's frequency with --tone-filter.
struct summary_layout {
    bool measurements_column;
    bool tone_column;
};

// The table: two heading lines (labels, units), then one line per job.
std::string summary_table_text(const std::vector<recording_job> &jobs,
                               const summary_layout &layout);

// The CSV: a UTF-8 byte order mark (so that Excel reads UTF-8), a heading
// line, one line per job, CR LF line ends. A text cell is valid UTF-8 (the
// bytes of a file name that are not become U+FFFD), quoted when it holds a
// comma, a quote or a line end, with an apostrophe before a leading = + - or
// @, which a spreadsheet would otherwise take for the start of a formula.
std::string summary_csv_text(const std::vector<recording_job> &jobs, const summary_layout &layout);

#endif
