// Output files that are either written whole or not at all: the bytes go to
// a temporary file in the destination's folder, which then replaces the
// destination by a rename.
#ifndef VENTROK_ANALYZE_OUTPUT_FILES_H
#define VENTROK_ANALYZE_OUTPUT_FILES_H

#include <cstdint>
#include <string>
#include <vector>

// The folder part of a path ("." when there is none, "/" for the root) and
// the name after the last slash.
std::string folder_of(const std::string &path);
std::string name_of(const std::string &path);

// False with error set when the file cannot be written; nothing is left
// behind then, and an earlier file of that name stays as it was.
bool write_file_whole(const std::string &path, const std::string &bytes, std::string &error);

// Whether files can be written into the folder: one is created and removed
// again. False with error set (the folder named) when not.
bool folder_writable(const std::string &folder, std::string &error);

#endif
