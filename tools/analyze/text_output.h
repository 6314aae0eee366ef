// Printing a measurement for the operator: the decoded text and the
// statistics panel's texts (or the too-few texts), laid out in the panel's
// rows and columns, in code page 932 or converted to UTF-8.
#ifndef VENTROK_ANALYZE_TEXT_OUTPUT_H
#define VENTROK_ANALYZE_TEXT_OUTPUT_H

#include <cstdio>
#include <string>

#include "measure.h"
#include "recording_tone.h"

enum output_encoding { OUTPUT_UTF8, OUTPUT_CP932 };

// Code page 932 bytes as UTF-8; undecodable bytes become U+FFFD.
std::string cp932_to_utf8(const std::string &cp932);

// UTF-8 as code page 932; characters it has no code for become '?'.
std::string utf8_to_cp932(const std::string &utf8);

// The panel texts (or the three too-few texts) as lines of code page 932:
// one line per panel row, every text at the column of its x position
// (8 pixels per byte of the panel's fixed-pitch font, the panel's left
// column 120 as column 0), trailing blanks removed.
std::string panel_lines(const measurement_result &result);

// The decoded text as shown, code page 932.
std::string decoded_text(const measurement_result &result);

// One measurement for the terminal; number counts from 1.
void print_measurement(FILE *out, const measurement_result &result, int number,
                       output_encoding encoding);

// The tone filter's line, printed before the measurements.
void print_tone_filter(FILE *out, const tone_filter_setting &tone);

#endif
