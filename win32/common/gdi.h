// GDI helpers shared by every window: the colours of the panels, the white
// brush of the dialogs, device contexts and pens that put back what they
// changed when they go out of scope, and text and line drawing.
#ifndef VENTROK_WIN32_COMMON_GDI_H
#define VENTROK_WIN32_COMMON_GDI_H

#include <windows.h>

#include "core/display/panel_geometry.h"

// Colours (COLORREF is 0x00BBGGRR).
constexpr COLORREF COLOUR_WHITE = RGB(255, 255, 255);
constexpr COLORREF COLOUR_BLACK = RGB(0, 0, 0);
constexpr COLORREF COLOUR_RED = RGB(255, 0, 0);
constexpr COLORREF COLOUR_GREEN = RGB(0, 255, 0);
constexpr COLORREF COLOUR_YELLOW = RGB(255, 255, 0);
constexpr COLORREF COLOUR_BLUE = RGB(0, 0, 255);
// Captions of static texts, check boxes and radio buttons: dark red.
constexpr COLORREF COLOUR_CAPTION = RGB(200, 0, 0);

// The solid white brush the dialogs stand on; created before the entry
// function runs and kept for the whole run.
HBRUSH white_brush();

// Static texts, check boxes and radio buttons of the windows: caption colour
// on a transparent background; returns the white brush they stand on.
HBRUSH caption_colours(HDC dc);

// A bitmap compatible with the window's DC, of the given size, all white.
HBITMAP create_white_bitmap(HWND hwnd, int width, int height);

// A window DC, released when it goes out of scope.
struct window_dc {
    HWND hwnd;
    HDC dc;
    explicit window_dc(HWND window);
    ~window_dc();
    window_dc(const window_dc &) = delete;
    window_dc &operator=(const window_dc &) = delete;
};

// A memory DC with a bitmap selected, deleted when it goes out of scope.
struct memory_dc {
    HDC dc;
    HGDIOBJ previous;
    memory_dc(HDC compatible_with, HBITMAP bitmap);
    ~memory_dc();
    memory_dc(const memory_dc &) = delete;
    memory_dc &operator=(const memory_dc &) = delete;
};

// A solid pen of width 1 selected into a DC; the previous pen comes back and
// the pen is deleted when it goes out of scope.
struct selected_pen {
    HDC dc;
    HPEN pen;
    HGDIOBJ previous;
    selected_pen(HDC target, COLORREF colour);
    ~selected_pen();
    selected_pen(const selected_pen &) = delete;
    selected_pen &operator=(const selected_pen &) = delete;
};

// A stock object (brush, font) selected into a DC, put back when it goes out
// of scope.
struct selected_stock_object {
    HDC dc;
    HGDIOBJ previous;
    selected_stock_object(HDC target, int stock_object);
    ~selected_stock_object();
    selected_stock_object(const selected_stock_object &) = delete;
    selected_stock_object &operator=(const selected_stock_object &) = delete;
};

// A line from (x0, y0) to (x1, y1), the end point excluded, with the
// selected pen.
void draw_line(HDC dc, int x0, int y0, int x1, int y1);

// TextOutA of a code page 932 string at its full byte length.
void draw_text(HDC dc, int x, int y, const char *text);

// Rectangle() of a panel area with the selected pen and brush.
void draw_rectangle(HDC dc, const panel_rect &area);

#endif
