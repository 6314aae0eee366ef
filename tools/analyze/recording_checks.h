// Checks of a recording's file before it is read: libsndfile reads a WAV
// whose data chunk was cut short as if it were complete, so a recording that
// lost its end (a copy that broke off, a full disk) is caught here.
#ifndef VENTROK_ANALYZE_RECORDING_CHECKS_H
#define VENTROK_ANALYZE_RECORDING_CHECKS_H

#include <string>

// False with error set when the file is a RIFF WAV whose data chunk announces
// more bytes than the file holds. Other files, and WAV files written as a
// stream with an unknown length (0xFFFFFFFF), pass.
bool wav_data_complete(const char *path, std::string &error);

#endif
