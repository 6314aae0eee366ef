// The recordings of a batch: the files given, and the recordings in every
// folder given, each with the keying data file it gets in the output folder.
#ifndef VENTROK_ANALYZE_RECORDING_LIST_H
#define VENTROK_ANALYZE_RECORDING_LIST_H

#include <string>
#include <vector>

// The extensions of the files a folder's recordings are taken from, as the
// messages name them.
extern const char RECORDING_EXTENSIONS_TEXT[];

bool is_folder(const std::string &path);

// Whether a file of a folder counts as a recording: a name that does not
// start with a dot (hidden files, and the temporary files of unfinished
// writes) and ends in one of the recording extensions, in any case.
bool named_as_recording(const std::string &name);

// The name of a recording's keying data file: the recording's name without
// its folder and its last extension, and ".csv" ("take 1.flac" gives
// "take 1.csv", "a.b.wav" gives "a.b.csv", "rec" gives "rec.csv").
std::string keying_file_name(const std::string &recording_path);

// The arguments in their order, every folder replaced by its recordings
// sorted by name (byte order; subfolders are not entered). Anything else is
// taken as a recording, so that one that cannot be read gets its own row.
// False with error set when a folder cannot be read or holds no recordings.
bool list_recordings(const std::vector<std::string> &arguments,
                     std::vector<std::string> &recordings, std::string &error);

// The keying data file of each recording in the output folder (the current
// folder when output_folder is empty). False with error set, naming both,
// when two recordings would write the same file.
bool assign_keying_files(const std::vector<std::string> &recordings,
                         const std::string &output_folder, std::vector<std::string> &keying_files,
                         std::string &error);

#endif
