// The paths of the measure command: the recordings a folder holds, the
// keying data file each recording gets, and what the checks before the
// measurement need to know of the outputs: whether a folder takes files, and
// whether an output would replace an input.
#ifndef VENTROK_ANALYZE_PATHS_H
#define VENTROK_ANALYZE_PATHS_H

#include <string>
#include <vector>

bool is_folder(const std::string &path);
bool path_exists(const std::string &path);

// Whether two paths name one file, written differently or not yet there:
// "rec/a.wav" and "./rec/a.wav", "out/a.csv" and "out//a.csv", a hard link.
bool same_file(const std::string &a, const std::string &b);

// The first of outputs that is an existing file given among inputs (the same
// device and inode; "-" is standard input), with that input; false when
// none is.
bool output_replacing_input(const std::vector<std::string> &outputs,
                            const std::vector<std::string> &inputs, std::string &output,
                            std::string &input);

// Whether files can be written into the folder: one is created and removed
// again. False with error set (the folder named) when not.
bool folder_writable(const std::string &folder, std::string &error);

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
