// The sweep: a trace of the keying rhythm in the band y 150..357, one column
// per 9 ms of measurement clock (4.5 ms at double speed), one row per 10 s
// (5 s), a 3-pixel black tick in every column during which the key was seen
// down.
#ifndef VENTROK_DISPLAY_SWEEP_H
#define VENTROK_DISPLAY_SWEEP_H

#include <windows.h>

#include <cstdint>

// The sweep band: the client width, y 150..357.
RECT sweep_band_rect(const RECT &client);

// The start and clear sequences: sweep y 120 (the first row lands on 163),
// sweep x and the last column's x 0, flags clear. The last column's y keeps
// its value.
void reset_sweep();

// One display step while recording. Ticks go to the back buffer only; a row
// start past the fifth row scrolls the band on both DCs.
void sweep_step(bool key_down, uint32_t measurement_clock_ms, bool double_speed, HDC window_dc,
                HDC back_buffer_dc, const RECT &sweep_rect);

#endif
