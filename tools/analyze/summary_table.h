// The summary of a batch: one row per recording with the statistics panel's
// figures, as an aligned table for the terminal and as CSV for a
// spreadsheet. Both are UTF-8.
#ifndef VENTROK_ANALYZE_SUMMARY_TABLE_H
#define VENTROK_ANALYZE_SUMMARY_TABLE_H

#include <string>
#include <vector>

#include "recording_job.h"

// Columns of options that were given: the measurement count with
// --continuous, the tone filter's frequency with --tone-filter.
struct summary_layout {
    bool measurements_column;
    bool tone_column;
};

// Cells of terminal width: one per character, two per wide (CJK,
// full-width) character.
size_t display_width(const std::string &utf8);

// The table: two heading lines (labels, units), then one line per job.
std::string summary_table_text(const std::vector<recording_job> &jobs,
                               const summary_layout &layout);

// The CSV: a UTF-8 byte order mark (so that Excel reads UTF-8), a heading
// line, one line per job, CR LF line ends.
std::string summary_csv_text(const std::vector<recording_job> &jobs, const summary_layout &layout);

// A text cell of the CSV: quoted when it holds a comma, a quote or a line
// end; an apostrophe before a leading = + - or @, which a spreadsheet would
// otherwise take for the start of a formula.
std::string csv_text_cell(const std::string &utf8);

#endif
