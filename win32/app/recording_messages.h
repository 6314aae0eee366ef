// What the operator is told when a recording cannot be measured: message box
// texts in code page 932, each naming the file and saying what to do.
#ifndef VENTROK_WIN32_APP_RECORDING_MESSAGES_H
#define VENTROK_WIN32_APP_RECORDING_MESSAGES_H

#include <windows.h>

#include <string>

#include "core/audio/wav_reader.h"

namespace recording_texts
{
extern const char *const caption;
extern const char *const busy;
extern const char *const one_at_a_time;
} // namespace recording_texts

// The file's path as the message shows it (code page 932).
std::string shown_path(const wchar_t *path);

// A folder was given instead of a file.
std::string folder_text(const std::string &path);

// The file could not be opened (the system's error code).
std::string open_failure_text(const std::string &path, DWORD error);

// The header's problem; csv_name: the file is named like a keying data file.
std::string header_problem_text(const std::string &path, wav_problem problem,
                                const wav_format &format, bool csv_name);

// Reading failed before the end: the measurement was dropped.
std::string read_failure_text(const std::string &path);

#endif
