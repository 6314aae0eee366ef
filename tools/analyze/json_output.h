// The measurement as JSON for tools and spreadsheets: the recording, the
// settings, and for every measurement the timeline, the decoded characters
// with their kinds and the units at each character end, the statistics and
// the panel texts. Strings are UTF-8, as JSON requires.
#ifndef VENTROK_ANALYZE_JSON_OUTPUT_H
#define VENTROK_ANALYZE_JSON_OUTPUT_H

#include <string>
#include <vector>

#include "measure.h"
#include "recording_job.h"
#include "recording_tone.h"

// The settings carry "tone_filter" only when the tone filter is on. The
// object ends at its closing brace, without a newline.
std::string measurements_json(const recording_info &recording, const settings_record &settings,
                              const tone_filter_setting &tone,
                              const std::vector<measurement_result> &results,
                              const std::string &keying_file_path);

// A batch: a list with one object per recording, in the batch's order:
// "path", "status" ("measured", "too few", "failed"), "error" (null unless
// failed) and "result", the object a single run prints (null when the
// recording could not be measured).
std::string batch_json(const std::vector<recording_job> &jobs);

#endif
