// Handling of one captured block (110 samples, about 10 ms).
#ifndef VENTROK_WIN32_AUDIO_BLOCK_PROCESSOR_H
#define VENTROK_WIN32_AUDIO_BLOCK_PROCESSOR_H

#include <windows.h>
#include <mmsystem.h>

#include "core/app/measurement_engine.h"

// MM_WIM_DATA: echo to the monitor, the engine's step with its drawing, the
// buffer back to the driver, and the meter update when it is due. Returns
// whether the stop request is raised (the stop sequence is to run next).
bool process_capture_block(HWND main_window, measurement_engine &engine, WAVEHDR *header);

#endif
