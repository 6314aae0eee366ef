// Saving the keying data file at a stop.
#ifndef VENTROK_WIN32_REPLAY_KEYING_FILE_STORE_H
#define VENTROK_WIN32_REPLAY_KEYING_FILE_STORE_H

#include <string>

// Writes the file's bytes (already with CR LF line ends) to a temporary file
// in the same folder and renames it to path, replacing an earlier file only
// once the new one is complete: a failure or a crash during the write leaves
// the earlier file as it was. False when the file could not be saved (the
// folder cannot be written, the disk is full, a write or the close fails, or
// a file of that name cannot be replaced); the temporary file is removed.
bool save_keying_data_file(const char *path, const std::string &bytes);

#endif
