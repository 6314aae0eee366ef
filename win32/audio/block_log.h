// A record of every captured block, compiled only into the instrumented test
// build (VENTROK_BLOCK_LOG): arrival time, size, sample range and the time
// spent handling it. The tests use it to check what the program received.
#ifndef VENTROK_WIN32_AUDIO_BLOCK_LOG_H
#define VENTROK_WIN32_AUDIO_BLOCK_LOG_H

#include <windows.h>
#include <mmsystem.h>

#ifdef VENTROK_BLOCK_LOG
struct block_log_mark {
    LARGE_INTEGER start;
    int samples;
    int low;
    int high;
};
block_log_mark block_log_begin(const WAVEHDR *header);

// A line of its own in the record: "# <ms since the first block> <text>",
// for the measurement of a recording (its start and its end).
void block_log_note(const char *text);
void block_log_end(const block_log_mark &mark);
#endif

#endif
