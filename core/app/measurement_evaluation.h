// What a stop does with the keying, apart from the window: the check for
// enough keying, the statistics and the keying data file. Used by the stop
// sequence of the main window and by the command-line analysis.
#ifndef VENTROK_APP_MEASUREMENT_EVALUATION_H
#define VENTROK_APP_MEASUREMENT_EVALUATION_H

// A measurement needs 20 keyings, each a space and a mark.
constexpr int MIN_TIMELINE_ENTRIES = 40;

// With 40 timeline entries or more: clears too few keyings, takes the
// measured seconds from the clock and computes the keying statistics, and
// returns true. With fewer: sets too few keyings and returns false.
bool evaluate_stopped_measurement();

// Writes the keying data file (text mode) from the timeline, the measured
// seconds and the statistics just computed; false when it cannot be created.
bool save_keying_data_file(const char *path);

#endif
