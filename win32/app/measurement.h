// The sequences behind the main window's buttons and menu commands.
#ifndef VENTROK_APP_MEASUREMENT_H
#define VENTROK_APP_MEASUREMENT_H

#include <windows.h>

void start_sequence(HWND hwnd);
void stop_sequence(HWND hwnd);
void clear_sequence(HWND hwnd);
void print_and_replay(HWND hwnd);
void device_selection(HWND hwnd);

#endif
