// The sweep: a trace of the keying rhythm in the band y 150..357, a black
// tick in every column during which the key was seen down.
#ifndef VENTROK_WIN32_DISPLAY_SWEEP_H
#define VENTROK_WIN32_DISPLAY_SWEEP_H

#include <windows.h>

#include <cstdint>

// The sweep band: the client width, y 150..357.
RECT sweep_band_rect(const RECT &client);

// The start and clear sequences: back to before the first row.
void reset_sweep();

// One display step while recording. Ticks go to the back buffer only; a row
// start past the fifth row scrolls the band on both DCs.
void sweep_step(bool key_down, uint32_t measurement_clock_ms, bool double_speed, HDC window_dc,
                HDC back_buffer_dc, const RECT &sweep_rect);

#endif
