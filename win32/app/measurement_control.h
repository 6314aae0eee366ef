// The sequences behind the main window's buttons and menu commands, with the
// button states and status texts of every phase. The engine carries out the
// measurement's part; these draw, move the buttons and write the file.
#ifndef VENTROK_WIN32_APP_MEASUREMENT_CONTROL_H
#define VENTROK_WIN32_APP_MEASUREMENT_CONTROL_H

#include <windows.h>

#include "core/app/measurement_engine.h"

void start_sequence(HWND hwnd, measurement_engine &engine);
// 開始 for the measurement of a recording (engine_start_recording).
void start_recording_sequence(HWND hwnd, measurement_engine &engine);
void stop_sequence(HWND hwnd, measurement_engine &engine);
void clear_sequence(HWND hwnd, measurement_engine &engine);
void print_and_replay(HWND hwnd, measurement_engine &engine);
void device_selection(HWND hwnd, measurement_engine &engine);

#endif
