// The tone filter's automatic frequency: the recording's capture samples are
// searched from the start until the keyed tone stands out clearly, or to the
// end when it never does (then the strongest frequency is the best guess).
#ifndef VENTROK_ANALYZE_RECORDING_TONE_H
#define VENTROK_ANALYZE_RECORDING_TONE_H

#include <string>

#include "tools/tone_filter/tone_frequency.h"

// The tone filter as asked for on the command line.
enum tone_filter_choice { TONE_FILTER_OFF, TONE_FILTER_AUTO, TONE_FILTER_AT };

// The tone filter as it was set for a recording.
struct tone_filter_setting {
    bool on;
    double frequency_hz;
    bool estimated; // found in the recording (auto), not given
    bool clear;     // the tone stood out clearly (always true when given)
};

// False with error set when the recording cannot be read.
bool find_recording_tone(const char *path, tone_search_result &result, std::string &error);

// The tone filter for a recording as asked for: off, at the frequency given,
// or at the one found in the recording. When the search finds no clear tone,
// note says what the filter listens at instead (empty otherwise). False with
// error set when the recording cannot be read.
bool choose_tone_filter(const char *path, tone_filter_choice choice, double given_hz,
                        tone_filter_setting &setting, std::string &note, std::string &error);

#endif
