// The print and replay window (template 110, caption "印字・再生"): loads the
// last saved keying, prints it as a strip and replays it as a 735 Hz tone on
// its own output stream at an adjustable speed and volume.
#ifndef VENTROK_REPLAY_REPLAY_WINDOW_H
#define VENTROK_REPLAY_REPLAY_WINDOW_H

#include <windows.h>

#include <cstddef>

// Runs the window modally; returns when it has been left. Shows only a
// message box when the keying data file is missing or unreadable.
void run_print_and_replay_window(HWND owner);

// Speed trackbar position (5 .. 33, right is faster) to samples per recorded
// millisecond: 38 - position.
int samples_per_ms_for_speed(int speed_position);

// The speed read-out for a trackbar position: "x%3.2f" of 11 / samples per ms.
void format_speed_readout(int speed_position, char *text, size_t size);

// True while the replay output stream is open (a replay running or ending).
bool replay_output_open();

#endif
