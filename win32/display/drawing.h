// Drawing helpers shared by the main window's panels: the back buffer, the
// status text, the panel clear and CP932 text output.
#ifndef VENTROK_DISPLAY_DRAWING_H
#define VENTROK_DISPLAY_DRAWING_H

#include <windows.h>

// Colours of the panels (COLORREF is 0x00BBGGRR).
constexpr COLORREF COLOUR_WHITE = RGB(255, 255, 255);
constexpr COLORREF COLOUR_BLACK = RGB(0, 0, 0);
constexpr COLORREF COLOUR_CAPTION = RGB(200, 0, 0);

// The back buffer holds the whole picture of the panels; it is created once
// at WM_INITDIALOG and lives for the whole run.
void create_back_buffer(HWND hwnd, int width, int height);
HBITMAP back_buffer();

// A memory DC with the back buffer selected, released when it goes out of
// scope.
struct back_buffer_dc {
    HDC dc;
    HGDIOBJ previous;
    back_buffer_dc();
    ~back_buffer_dc();
    back_buffer_dc(const back_buffer_dc &) = delete;
    back_buffer_dc &operator=(const back_buffer_dc &) = delete;
};

// A window DC, released when it goes out of scope.
struct window_dc {
    HWND hwnd;
    HDC dc;
    explicit window_dc(HWND window);
    ~window_dc();
    window_dc(const window_dc &) = delete;
    window_dc &operator=(const window_dc &) = delete;
};

// A line from (x0, y0) to (x1, y1), the end point excluded, with the
// selected pen.
void draw_line(HDC dc, int x0, int y0, int x1, int y1);

// TextOutA of a CP932 string at its full byte length.
void draw_text(HDC dc, int x, int y, const char *text);

// The text at (x, y) on the screen and into the back buffer.
void status_text(HWND hwnd, int x, int y, const char *text);
// The text at (x, y) into the back buffer only; it reaches the screen with
// the next meter update.
void back_buffer_text(int x, int y, const char *text);

// Whitens the panel area and the decoded text line on the screen and in the
// back buffer.
void panel_clear(HWND hwnd);

#endif
