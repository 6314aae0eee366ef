#include "audio/block_processor.h"

#include "audio/block_log.h"
#include "audio/devices.h"

// Peak level since the last meter update; the meter and the rest of the
// analysis are not built yet.
static int peak_level;

void process_capture_block(HWND, WAVEHDR *header)
{
    const audio_devices &audio = devices();
    if (!audio.capture)
        return; // handed back by a reset after closing: not queued again
#ifdef VENTROK_BLOCK_LOG
    const block_log_mark mark = block_log_begin();
#endif
    const short *samples = reinterpret_cast<const short *>(header->lpData);
    const int count = static_cast<int>(header->dwBytesRecorded / 2);
    for (int i = 0; i < count; i++)
        if (samples[i] > peak_level)
            peak_level = samples[i];
#ifdef VENTROK_BLOCK_LOG
    block_log_end(mark, header);
#endif
    header->dwBytesRecorded = 0;
    waveInAddBuffer(audio.capture, header, sizeof *header);
}
