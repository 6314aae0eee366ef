// The keying data file "打鍵データ.csv": one recorded keying (every mark and
// space in ms) with its statistics, as code page 932 CSV text. The writer
// takes the timeline and the keying statistics; the reader fills the replay
// record that the print and replay window plays.
#ifndef VENTROK_CORE_REPLAY_KEYING_FILE_H
#define VENTROK_CORE_REPLAY_KEYING_FILE_H

#include "core/analysis/statistics.h"

#include <cstdint>
#include <cstdio>
#include <string>

// Bare relative name: the file lives in the current working directory.
constexpr char KEYING_DATA_FILE_NAME[] = "打鍵データ.csv";

constexpr int REPLAY_CAPACITY = 10100;
// The durations plus the closing zero and one more zero entry behind them.
constexpr int MAX_REPLAY_DURATIONS = REPLAY_CAPACITY - 2;

// What the reader fills: entries[0..entry_count-1] are the durations in ms,
// entries[entry_count] the closing zero of the file, entries[entry_count+1]
// zero; the replay runs through both zero entries.
struct replay_record {
    uint16_t entries[REPLAY_CAPACITY];
    int entry_count;
    uint32_t record_seconds; // sum of the durations / 1000, truncated
};

enum load_result_t {
    LOAD_LOADED,  // replay record filled, measured seconds taken from the file
    LOAD_MISSING, // the file could not be opened; nothing changed
    LOAD_DAMAGED, // unreadable value or too many durations; replay record empty
};

// The whole file as the program writes it: code page 932 text with CR LF
// line ends (what a text-mode stream on Windows makes of the lines).
std::string format_keying_data_file(const uint16_t *entries, int timeline_count,
                                    int measured_seconds, const keying_statistics &stats);

// Reads a file as format_keying_data_file makes it. LOAD_LOADED fills the
// record and stores the file's 集計時間 in *measured_seconds; LOAD_DAMAGED
// leaves the record empty (all zero, count 0) and *measured_seconds
// unchanged. Never stores beyond the record.
load_result_t load_keying_data_file(FILE *file, replay_record &record, int *measured_seconds);

// Opens the named file in text mode and reads it; LOAD_MISSING when it
// cannot be opened.
load_result_t load_keying_data_file_named(const char *path, replay_record &record,
                                          int *measured_seconds);

#endif
