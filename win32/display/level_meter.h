// The level meter with the detection threshold marker.
#ifndef VENTROK_DISPLAY_LEVEL_METER_H
#define VENTROK_DISPLAY_LEVEL_METER_H

#include <windows.h>

// The meter frame and its bar (1 pixel per 512 sample units) on the screen
// and in the back buffer; the threshold marker on the screen only.
void draw_level_meter(HWND main_window, int peak_level);

// The same drawing on two given DCs (the window DC and a back-buffer DC).
void draw_level_meter_on(HDC window_dc, HDC back_buffer_dc, int peak_level);

// The detection threshold trackbar moved: the next meter drawing whitens the
// old marker first.
void mark_threshold_moved();

#endif
