#include "win32/display/back_buffer.h"

#include "win32/common/gdi.h"

static HBITMAP back_buffer_bitmap;

void create_back_buffer(HWND hwnd, int width, int height)
{
    back_buffer_bitmap = create_white_bitmap(hwnd, width, height);
}

HBITMAP back_buffer()
{
    return back_buffer_bitmap;
}

back_buffer_dc::back_buffer_dc() : memory_dc(nullptr, back_buffer_bitmap)
{
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

// A white 1-pixel pen and the DC's default white brush.
static void clear_panels_on(HDC dc)
{
    selected_pen white(dc, COLOUR_WHITE);
    draw_rectangle(dc, PANEL_AREA);
    draw_rectangle(dc, DECODED_TEXT_AREA);
}

void panel_clear(HWND hwnd)
{
    window_dc screen(hwnd);
    clear_panels_on(screen.dc);
    back_buffer_dc memory;
    clear_panels_on(memory.dc);
}
