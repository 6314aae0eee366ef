// The level meter with the detection threshold marker.
#ifndef VENTROK_WIN32_DISPLAY_LEVEL_METER_H
#define VENTROK_WIN32_DISPLAY_LEVEL_METER_H

#include <windows.h>

#include <cstdint>

// The meter frame and its bar on the screen and in the back buffer, the
// threshold marker on the screen only.
void draw_level_meter(HWND main_window, int32_t peak_level, int32_t detection_threshold);

// The same drawing on two given DCs (the window DC and a back-buffer DC).
void draw_level_meter_on(HDC window_dc, HDC back_buffer_dc, int32_t peak_level,
                         int32_t detection_threshold);

// The detection threshold trackbar moved: the next meter drawing whitens the
// old marker first.
void mark_threshold_moved();

#endif
