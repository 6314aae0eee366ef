// The meter update of a captured block, about every 100 ms of clock.
#ifndef VENTROK_WIN32_DISPLAY_METER_UPDATE_H
#define VENTROK_WIN32_DISPLAY_METER_UPDATE_H

#include "core/app/measurement_engine.h"
#include "win32/display/block_drawing.h"

// The level meter, the live histograms (or, once after a stop, the
// statistics panel again), then the panel band copied to the screen, all
// through the block's DCs: the back buffer is selected into the block's
// memory DC, and a bitmap can be selected into one DC only.
void draw_meter_update(const block_drawing &drawing, const measurement_engine &engine,
                       const meter_update &meter);

// The update's panels alone, into the back buffer: the live histograms or
// the statistics panel again (a recording's blocks, whose level is not the
// input's and which reach the screen a slice at a time).
void draw_meter_panels(HDC back_buffer_dc, const measurement_engine &engine,
                       const meter_update &meter);

// Copies the panel band from the back buffer to the screen.
void show_panel_band(HDC window_dc, HDC back_buffer_dc);

#endif
