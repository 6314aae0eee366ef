// The statistics panel shown when a measurement stops: the keying statistics
// as text, the ratio histograms (点長比分布) of mark and space lengths in
// multiples of the mean dot length, and the markers of the mean dot length,
// the mean dash length and the decision time under the live MARK axis.
#ifndef VENTROK_WIN32_DISPLAY_STATISTICS_PANEL_H
#define VENTROK_WIN32_DISPLAY_STATISTICS_PANEL_H

#include <windows.h>

#include <cstdint>

#include "core/analysis/statistics.h"

// Draws into dc (the back buffer at a stop): clears (0,152)-(1145,390), then
// the ratio axes and captions, the red ratio bars, the three markers and the
// texts. With the statistics failed flag set the ratios, the decision time,
// the means and the closing hints give way to the failure texts; when the
// keying data file could not be saved, the panel says so.
void draw_statistics_panel(HDC dc, const keying_statistics &stats, int32_t timeline_count,
                           int measured_seconds, bool keying_file_saved);

#endif
