// Printing a measurement for the operator: the decoded text and the
// statistics panel's texts (or the too-few texts), laid out in the panel's
// rows and columns, in code page 932 or converted to UTF-8.
#ifndef VENTROK_ANALYZE_TEXT_OUTPUT_H
#define VENTROK_ANALYZE_TEXT_OUTPUT_H

#include <cstdio>
#include <string>

#include "measure.h"

enum output_encoding { OUTPUT_UTF8, OUTPUT_CP932 };

// Code page 932 bytes as UTF-8; undecodable bytes become U+FFFD.
std::string cp932_to_utf8(const std::string &cp932);

// UTF-8 as code page 932; characters it has no code for become '?'.
std::string utf8_to_cp932(const std::string &utf8);

// Text that may hold any bytes (a file name) as valid UTF-8: every byte that
// is not part of a UTF-8 sequence becomes U+FFFD.
std::string valid_utf8(const std::string &text);

// Removes the blanks at the end of a line: ASCII spaces and, in code page
// 932 text, the ideographic space (0x81 0x40) a panel text carries only to
// erase what stood behind it on the screen.
void trim_trailing_blanks(std::string &line, output_encoding encoding);

// The panel texts (or the three too-few texts) as lines of code page 932:
// one line per panel row, every text at the column of its x position
// (8 pixels per byte of the panel's fixed-pitch font, the panel's left
// column 120 as column 0), trailing blanks removed. The last line says that
// 印字・再生 can replay the data only when the keying data file was saved,
// as the window's panel does.
std::string panel_lines(const measurement_result &result, bool keying_file_saved);

// The decoded text as shown, code page 932.
std::string decoded_text(const measurement_result &result);

// What the measure command prints for one recording: the tone filter's
// line, every measurement (its stop, the decoded text and the panel), then
// where the keying data file was written, or why none was.
void print_recording_report(FILE *out, const recording_job &job, output_encoding encoding);

#endif
