// Handling of one captured block (110 samples, about 10 ms).
#ifndef VENTROK_AUDIO_BLOCK_PROCESSOR_H
#define VENTROK_AUDIO_BLOCK_PROCESSOR_H

#include <windows.h>
#include <mmsystem.h>

void process_capture_block(HWND main_window, WAVEHDR *header);

#endif
