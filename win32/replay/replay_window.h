// The print and replay window (template 110, caption "印字・再生"): loads the
// last saved keying, prints it as a strip and replays it as a 735 Hz tone on
// its own output at an adjustable speed and volume.
#ifndef VENTROK_WIN32_REPLAY_REPLAY_WINDOW_H
#define VENTROK_WIN32_REPLAY_REPLAY_WINDOW_H

#include <windows.h>

#include "core/app/measurement_engine.h"
#include "core/replay/keying_file.h"

// Runs the window modally, owned by owner; returns when it has been left.
// Shows only a message box when the keying data file is missing or
// unreadable. A loaded file's 集計時間 becomes the engine's measured seconds;
// leaving suspends the analysis.
void run_print_and_replay_window(HWND owner, measurement_engine &engine);

// Blackens the tick of every column of the record's strip in the picture
// selected into dc.
void print_strip(HDC dc, const replay_record &record, int row_pitch, int picture_height);

#endif
