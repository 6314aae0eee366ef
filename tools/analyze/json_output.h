// The measurement as JSON for tools and spreadsheets: the recording, the
// settings, and for every measurement the timeline, the decoded characters
// with their kinds and the units at each character end, the statistics and
// the panel texts. Strings are UTF-8, as JSON requires: a file name's bytes
// that are not UTF-8 become U+FFFD. Numbers are written in the shortest form
// that reads back as the same double.
#ifndef VENTROK_ANALYZE_JSON_OUTPUT_H
#define VENTROK_ANALYZE_JSON_OUTPUT_H

#include <string>
#include <vector>

#include "measure.h"

// The object of one recording: its measurements (the job's results), the
// settings it was measured with, the tone filter's only when it was on. The
// object ends at its closing brace, without a newline.
std::string recording_json(const recording_job &job, const settings_record &settings);

// Several recordings: a list with one object per recording, in their order:
// "path", "status" ("measured", "too few", "failed"), "error" (null unless
// failed) and "result", the object of that recording (null when the
// recording could not be read).
std::string batch_json(const std::vector<recording_job> &jobs, const settings_record &settings);

#endif
