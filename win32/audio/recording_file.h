// A recording file opened for reading by the window's measurement of a
// recording: a byte source for the core's reader, over a Windows file handle.
#ifndef VENTROK_WIN32_AUDIO_RECORDING_FILE_H
#define VENTROK_WIN32_AUDIO_RECORDING_FILE_H

#include <windows.h>

#include "core/audio/wav_reader.h"

struct recording_file {
    HANDLE handle; // INVALID_HANDLE_VALUE while closed
    uint64_t size;
};

// Opens the file for reading (others may read it too); false with the
// system's error code (GetLastError) in *error when it cannot be opened.
bool open_recording_file(recording_file &file, const wchar_t *path, DWORD *error);

// The byte source that reads the open file.
byte_source recording_file_source(recording_file &file);

void close_recording_file(recording_file &file);

#endif
