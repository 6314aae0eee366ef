// Files the tools write, whole or not at all: the bytes go to a temporary
// file in the destination's folder, are flushed to the disk, and the
// temporary file then replaces the destination by a rename, which is flushed
// too (the folder), as the program's own write-through rename. A crash or a
// power loss leaves the old file or the new one, never a part.
#ifndef VENTROK_TOOLS_COMMON_FILE_OUTPUT_H
#define VENTROK_TOOLS_COMMON_FILE_OUTPUT_H

#include <string>

// The folder part of a path ("." when there is none, "/" for the root) and
// the name after the last slash.
std::string folder_of(const std::string &path);
std::string name_of(const std::string &path);

// False with error set when the file cannot be written; nothing is left
// behind then, and an earlier file of that name stays as it was.
bool write_file_whole(const std::string &path, const std::string &bytes, std::string &error);

// The text of a system error number, safe to call from several threads at
// once (std::strerror may share one buffer between them).
std::string system_error_text(int error_number);

#endif
