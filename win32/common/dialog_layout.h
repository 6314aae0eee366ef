// Helpers for the dialogs' controls and size.
#ifndef VENTROK_WIN32_COMMON_DIALOG_LAYOUT_H
#define VENTROK_WIN32_COMMON_DIALOG_LAYOUT_H

#include <windows.h>

// Range and position of trackbar id of the dialog.
void set_trackbar(HWND dialog, int id, int low, int high, int position);
int trackbar_position(HWND trackbar);

// The windows draw at fixed pixels. Where the template's dialog units give a
// smaller client area (other fonts or DPI), the window is enlarged until the
// client area holds min_width x min_height; it is never made smaller.
void ensure_client_size(HWND hwnd, int min_width, int min_height);

#endif
