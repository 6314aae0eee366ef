// The level meter with the detection threshold marker.
#ifndef VENTROK_DISPLAY_LEVEL_METER_H
#define VENTROK_DISPLAY_LEVEL_METER_H

#include <windows.h>

void draw_level_meter(HWND main_window, int peak_level);

#endif
