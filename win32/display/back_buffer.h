// The main window's back buffer: an off-screen bitmap of the client size that
// always holds the whole picture of the panels. Drawing goes to the screen and
// the back buffer at once, or to the back buffer alone, which reaches the
// screen at the next meter update; WM_PAINT restores from it.
#ifndef VENTROK_WIN32_DISPLAY_BACK_BUFFER_H
#define VENTROK_WIN32_DISPLAY_BACK_BUFFER_H

#include <windows.h>

#include "win32/common/gdi.h"

// Created once at WM_INITDIALOG, filled white, and kept for the whole run.
void create_back_buffer(HWND hwnd, int width, int height);
HBITMAP back_buffer();

// A memory DC with the back buffer selected, released when it goes out of
// scope. Only one can exist at a time: a bitmap is selected into one DC only.
struct back_buffer_dc : memory_dc {
    back_buffer_dc();
};

// The text at (x, y) on the screen and into the back buffer.
void status_text(HWND hwnd, int x, int y, const char *text);
// The text at (x, y) into the back buffer only; it reaches the screen with
// the next meter update.
void back_buffer_text(int x, int y, const char *text);

// Whitens the panel area and the decoded text line on the screen and in the
// back buffer.
void panel_clear(HWND hwnd);

#endif
