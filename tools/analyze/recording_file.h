// The bytes of a recording handed to libsndfile, read once: a plain file,
// checked first for a WAV data chunk cut short (which libsndfile would read
// as whole), or a stream (standard input, a pipe) through a virtual file
// that keeps the stream's first bytes, so that libsndfile can read them
// again after it has recognised the format.
#ifndef VENTROK_ANALYZE_RECORDING_FILE_H
#define VENTROK_ANALYZE_RECORDING_FILE_H

#include <sndfile.h>

#include <string>

struct stream_source;

struct recording_file {
    SNDFILE *sound;
    SF_INFO info;
    std::string format;    // libsndfile's name of the major format
    stream_source *stream; // null for a plain file
};

// Whether the recording can be read only once: standard input ("-") or a
// pipe, anything but a plain file.
bool recording_is_stream(const char *path);

// Opens the recording ("-": standard input); false with error set when it is
// missing, unreadable, not a recording libsndfile reads, or a WAV cut short.
bool open_recording_file(const char *path, recording_file &file, std::string &error);

void close_recording_file(recording_file &file);

#endif
