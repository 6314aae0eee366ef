// The texts of the statistics panel, formatted from the keying statistics:
// the two time values and three counts, then either the ratios, the decision
// time, the means with their deviations and the two closing hints, or, when
// the statistics failed, the three failure texts. Platform-free, so that the
// window draws and the command-line analysis prints the very same texts.
#ifndef VENTROK_CORE_DISPLAY_STATISTICS_TEXTS_H
#define VENTROK_CORE_DISPLAY_STATISTICS_TEXTS_H

#include <cstdint>

#include "core/analysis/statistics.h"

// The panel's text buffer size, and the most texts one panel shows.
constexpr int PANEL_TEXT_BYTES = 300;
constexpr int MAX_PANEL_TEXTS = 13;

// One text of the panel: its top-left pixel in the main window's client area
// and the formatted code page 932 text.
struct panel_text {
    int x;
    int y;
    char text[PANEL_TEXT_BYTES];
};

// Fills texts with the panel's texts in drawing order and returns how many
// (13, or 8 when the statistics failed flag is set). When the keying data
// file could not be saved, "打鍵データ.csvを保存できませんでした" stands at
// (120, 370) in place of the replay hint, or after the failure texts (9).
int format_statistics_texts(const keying_statistics &stats, int32_t timeline_count,
                            int measured_seconds, bool keying_file_saved,
                            panel_text texts[MAX_PANEL_TEXTS]);

// Fills texts with what a stop with too few keyings writes on the panel,
// in drawing order, and returns how many (3). The last text is padded with
// full-width spaces so that it covers the longer text drawn there before.
int format_too_few_keyings_texts(panel_text texts[MAX_PANEL_TEXTS]);

#endif
