// Saving the keying data file at a stop.
#ifndef VENTROK_WIN32_REPLAY_KEYING_FILE_STORE_H
#define VENTROK_WIN32_REPLAY_KEYING_FILE_STORE_H

#include <string>

// Writes the file's bytes (already with CR LF line ends) to path, replacing
// an earlier file; false when it cannot be written.
bool save_keying_data_file(const char *path, const std::string &bytes);

#endif
