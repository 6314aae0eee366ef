#include "win32/display/drawing.h"

#include <cstring>

static HBITMAP back_buffer_bitmap;

void create_back_buffer(HWND hwnd, int width, int height)
{
    window_dc screen(hwnd);
    back_buffer_bitmap = CreateCompatibleBitmap(screen.dc, width, height);
    back_buffer_dc memory;
    PatBlt(memory.dc, 0, 0, width, height, WHITENESS);
}

HBITMAP back_buffer()
{
    return back_buffer_bitmap;
}

back_buffer_dc::back_buffer_dc()
{
    dc = CreateCompatibleDC(nullptr);
    previous = SelectObject(dc, back_buffer_bitmap);
}

back_buffer_dc::~back_buffer_dc()
{
    SelectObject(dc, previous);
    DeleteDC(dc);
}

window_dc::window_dc(HWND window) : hwnd(window), dc(GetDC(window)) {}

window_dc::~window_dc()
{
    ReleaseDC(hwnd, dc);
}

void draw_line(HDC dc, int x0, int y0, int x1, int y1)
{
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

void draw_text(HDC dc, int x, int y, const char *text)
{
    TextOutA(dc, x, y, text, static_cast<int>(std::strlen(text)));
}

void status_text(HWND hwnd, int x, int y, const char *text)
{
    window_dc screen(hwnd);
    draw_text(screen.dc, x, y, text);
    back_buffer_text(x, y, text);
}

void back_buffer_text(int x, int y, const char *text)
{
    back_buffer_dc memory;
    draw_text(memory.dc, x, y, text);
}

static void clear_panels_on(HDC dc)
{
    HPEN white_pen = CreatePen(PS_SOLID, 1, COLOUR_WHITE);
    HGDIOBJ old_pen = SelectObject(dc, white_pen);
    Rectangle(dc, 0, 150, 1145, 675);
    Rectangle(dc, 15, 89, 1134, 147);
    SelectObject(dc, old_pen);
    DeleteObject(white_pen);
}

void panel_clear(HWND hwnd)
{
    window_dc screen(hwnd);
    clear_panels_on(screen.dc);
    back_buffer_dc memory;
    clear_panels_on(memory.dc);
}
