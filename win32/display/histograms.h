// The live histograms (時間分布): how often each mark and space duration
// occurred, 0 to 500 ms, redrawn at every meter update while a measurement
// is waiting or recording.
#ifndef VENTROK_DISPLAY_HISTOGRAMS_H
#define VENTROK_DISPLAY_HISTOGRAMS_H

#include <windows.h>

#include <cstdint>

#include "core/analysis/timeline.h"
#include "core/app/measurement_state.h"

// Meter update drawing into dc (the back buffer; the caller copies the band
// (0,150)-(1145,825) to the screen afterwards).
// - Waiting (recording phase 0): clears the band (0,370)-(1145,675) and draws
//   the MARK and SPACE axes with their ticks and scale labels.
// - Recording (phase 1): the same, then the blue bars of t's mark and space
//   histograms and the elapsed-time line from measurement_clock_ms and the
//   timeline count.
// - Stopped (phase 2): the first call after a start recomputes the keying
//   statistics from t and redraws the statistics panel with m's measured
//   seconds (unless the measurement had too few keyings), then sets m's
//   statistics redrawn flag; every later call draws nothing, so the last
//   bars stay on screen.
void draw_live_histograms(HDC dc, const keying_timeline &t, uint32_t measurement_clock_ms,
                          measurement_state &m);

#endif
