// The command lines of ventrok-analyze measure and replay: the recordings,
// the options of the window's controls, the outputs and the tone filter,
// checked and turned into what the commands run with. Every option takes its
// value as the next argument or as --option=value; "--" ends the options.
#ifndef VENTROK_ANALYZE_COMMAND_LINE_H
#define VENTROK_ANALYZE_COMMAND_LINE_H

#include <string>
#include <vector>

#include "measure.h"
#include "text_output.h"

// Exit codes of measure and replay: done; a recording could not be read or
// an output not written; bad arguments; measured, but too few keyings to
// evaluate (no keying data file).
constexpr int EXIT_DONE = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_TOO_FEW = 3;

// Prints the message and the hint to --help on stderr; returns EXIT_USAGE.
int usage_error(const std::string &message);

// Prints the message on stderr; returns EXIT_FAILED.
int failure(const std::string &message);

// Most worker threads --jobs takes.
constexpr long MAX_JOBS = 64;

struct measure_arguments {
    bool help = false;
    std::vector<std::string> recordings; // files or folders, in the order given
    std::string output;                  // -o, or the program's file name here
    bool output_given = false;
    std::string summary_csv; // --summary-csv FILE; empty without
    int jobs = 0;            // --jobs N; 0: one per core
    bool json = false;
    bool progress = true;
    output_encoding encoding = OUTPUT_UTF8;
    bool threshold_given = false;
    tone_filter_choice tone_filter = TONE_FILTER_OFF;
    double tone_filter_hz = 0.0; // with TONE_FILTER_AT
    measure_options options = {};
};

struct replay_arguments {
    bool help = false;
    std::string keying_file;
    std::string wav;
    int samples_per_ms = 0;
};

// Parse the command's arguments (argv without the command); return 0 or
// EXIT_USAGE after printing what is wrong. With --help anywhere among the
// options, only help is set.
int parse_measure(int argc, char **argv, measure_arguments &a);
int parse_replay(int argc, char **argv, replay_arguments &a);

#endif
