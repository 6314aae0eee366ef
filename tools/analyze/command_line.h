// The command line of ventrok-analyze measure: the options of the window's
// controls, the output and the tone filter, checked and turned into the
// settings the measurement runs with.
#ifndef VENTROK_ANALYZE_COMMAND_LINE_H
#define VENTROK_ANALYZE_COMMAND_LINE_H

#include <string>

#include "measure.h"
#include "text_output.h"

// Exit code of bad arguments.
constexpr int EXIT_USAGE = 2;

// Prints the message and the hint to --help on stderr; returns EXIT_USAGE.
int usage_error(const std::string &message);

// A whole number or a number within low..high, the whole text.
bool parse_long(const char *text, long low, long high, long &value);
bool parse_double(const char *text, double low, double high, double &value);

// The tone filter as asked for on the command line.
enum tone_filter_choice { TONE_FILTER_OFF, TONE_FILTER_AUTO, TONE_FILTER_AT };

struct measure_arguments {
    std::string recording;
    std::string output;
    bool json = false;
    output_encoding encoding = OUTPUT_UTF8;
    tone_filter_choice tone_filter = TONE_FILTER_OFF;
    double tone_filter_hz = 0.0; // with TONE_FILTER_AT
    measure_options options = {};
};

// Parses the measure options (argv without the command); returns 0 or
// EXIT_USAGE after printing what is wrong.
int parse_measure(int argc, char **argv, measure_arguments &a);

#endif
