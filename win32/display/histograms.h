// The live histograms (時間分布): how often each mark and space duration
// occurred, 0 to 500 ms, redrawn at every meter update while a measurement
// is waiting or recording.
#ifndef VENTROK_WIN32_DISPLAY_HISTOGRAMS_H
#define VENTROK_WIN32_DISPLAY_HISTOGRAMS_H

#include <windows.h>

#include <cstdint>

#include "core/analysis/timeline.h"

// Draws into dc (the back buffer; the caller copies the panel band to the
// screen afterwards): clears the band (0,370)-(1145,675) and draws the MARK
// and SPACE axes with their ticks and scale labels; with_bars (recording)
// adds the blue bars of t's mark and space histograms and the elapsed-time
// line from measurement_clock_ms and the timeline count.
void draw_live_histograms(HDC dc, const keying_timeline &t, uint32_t measurement_clock_ms,
                          bool with_bars);

#endif
