// The wave format of every device the program opens: PCM, mono, 11025
// samples per second, 16-bit for the capture and the monitor, 8-bit for the
// replay.
#ifndef VENTROK_WIN32_COMMON_WAVE_FORMAT_H
#define VENTROK_WIN32_COMMON_WAVE_FORMAT_H

#include <windows.h>
#include <mmsystem.h>

#include "core/audio/detector.h"

inline WAVEFORMATEX mono_pcm_format(WORD bits_per_sample)
{
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = SAMPLE_RATE_HZ;
    format.nBlockAlign = static_cast<WORD>(bits_per_sample / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    format.wBitsPerSample = bits_per_sample;
    format.cbSize = 0;
    return format;
}

#endif
