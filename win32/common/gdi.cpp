#include "win32/common/gdi.h"

#include <cstring>

// Created during static initialisation, before the entry function runs.
static const HBRUSH white_brush_handle = CreateSolidBrush(COLOUR_WHITE);

HBRUSH white_brush()
{
    return white_brush_handle;
}

window_dc::window_dc(HWND window) : hwnd(window), dc(GetDC(window)) {}

window_dc::~window_dc()
{
    ReleaseDC(hwnd, dc);
}

memory_dc::memory_dc(HDC compatible_with, HBITMAP bitmap)
    : dc(CreateCompatibleDC(compatible_with)), previous(SelectObject(dc, bitmap))
{
}

memory_dc::~memory_dc()
{
    SelectObject(dc, previous);
    DeleteDC(dc);
}

selected_pen::selected_pen(HDC target, COLORREF colour)
    : dc(target), pen(CreatePen(PS_SOLID, 1, colour)), previous(SelectObject(target, pen))
{
}

selected_pen::~selected_pen()
{
    SelectObject(dc, previous);
    DeleteObject(pen);
}

selected_stock_object::selected_stock_object(HDC target, int stock_object)
    : dc(target), previous(SelectObject(target, GetStockObject(stock_object)))
{
}

selected_stock_object::~selected_stock_object()
{
    SelectObject(dc, previous);
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

void draw_rectangle(HDC dc, const panel_rect &area)
{
    Rectangle(dc, area.left, area.top, area.right, area.bottom);
}

HBRUSH caption_colours(HDC dc)
{
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, COLOUR_CAPTION);
    return white_brush();
}

HBITMAP create_white_bitmap(HWND hwnd, int width, int height)
{
    window_dc screen(hwnd);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen.dc, width, height);
    memory_dc memory(screen.dc, bitmap);
    PatBlt(memory.dc, 0, 0, width, height, WHITENESS);
    return bitmap;
}
