#include "win32/audio/block_log.h"

#ifdef VENTROK_BLOCK_LOG
#include <cstdio>
#include <cstdlib>

static FILE *log_file;
static LARGE_INTEGER frequency;
static LARGE_INTEGER first;

static void close_log()
{
    if (log_file)
        fclose(log_file);
}

static void open_log(const LARGE_INTEGER &now)
{
    if (log_file)
        return;
    QueryPerformanceFrequency(&frequency);
    first = now;
    log_file = fopen("ventrok_blocks.log", "w");
    atexit(close_log);
}

block_log_mark block_log_begin(const WAVEHDR *header)
{
    block_log_mark mark = {};
    QueryPerformanceCounter(&mark.start);
    open_log(mark.start);
    const short *samples = reinterpret_cast<const short *>(header->lpData);
    mark.samples = static_cast<int>(header->dwBytesRecorded / 2);
    for (int i = 0; i < mark.samples; i++) {
        if (samples[i] < mark.low)
            mark.low = samples[i];
        if (samples[i] > mark.high)
            mark.high = samples[i];
    }
    return mark;
}

void block_log_note(const char *text)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    open_log(now);
    if (!log_file)
        return;
    fprintf(log_file, "# %.3f %s\n", (now.QuadPart - first.QuadPart) * 1000.0 / frequency.QuadPart,
            text);
    fflush(log_file);
}

void block_log_end(const block_log_mark &mark)
{
    LARGE_INTEGER end;
    QueryPerformanceCounter(&end);
    if (!log_file)
        return;
    const double arrival_ms = (mark.start.QuadPart - first.QuadPart) * 1000.0 / frequency.QuadPart;
    const double handling_us = (end.QuadPart - mark.start.QuadPart) * 1e6 / frequency.QuadPart;
    fprintf(log_file, "%.3f %d %d %d %.1f\n", arrival_ms, mark.samples, mark.low, mark.high,
            handling_us);
    fflush(log_file);
}
#endif
