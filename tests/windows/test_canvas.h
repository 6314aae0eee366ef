// A memory DC over a top-down 32-bit DIB section for the drawing tests: the
// code under test draws into `dc`, the test reads the pixels back.
#ifndef VENTROK_TESTS_WINDOWS_TEST_CANVAS_H
#define VENTROK_TESTS_WINDOWS_TEST_CANVAS_H

#include <windows.h>

#include <cstdint>
#include <vector>

// The colours the drawings must produce, written out independently of the
// program's own constants, and the background fills the tests use to tell
// untouched pixels from drawn ones.
constexpr COLORREF WHITE = RGB(255, 255, 255);
constexpr COLORREF BLACK = RGB(0, 0, 0);
constexpr COLORREF RED = RGB(255, 0, 0);
constexpr COLORREF GREEN = RGB(0, 255, 0);
constexpr COLORREF YELLOW = RGB(255, 255, 0);
constexpr COLORREF BLUE = RGB(0, 0, 255);
constexpr COLORREF GREY = RGB(128, 128, 128);     // untouched background
constexpr COLORREF DARK_GREEN = RGB(0, 160, 0); // untouched background

struct canvas {
    int width;
    int height;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
    uint32_t *bits;

    explicit canvas(COLORREF fill_colour, int canvas_width = 1200, int canvas_height = 720)
        : width(canvas_width), height(canvas_height)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void *memory = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
        bits = static_cast<uint32_t *>(memory);
        previous = SelectObject(dc, bitmap);
        fill(fill_colour);
    }
    ~canvas()
    {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    canvas(const canvas &) = delete;
    canvas &operator=(const canvas &) = delete;

    void fill(COLORREF colour)
    {
        HBRUSH brush = CreateSolidBrush(colour);
        const RECT all = {0, 0, width, height};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        GdiFlush();
    }
    COLORREF pixel(int x, int y) const
    {
        GdiFlush();
        const uint32_t v = bits[y * width + x];
        return RGB((v >> 16) & 0xff, (v >> 8) & 0xff, v & 0xff);
    }
    COLORREF at(int x, int y) const { return pixel(x, y); }
    // Pixels of the colour in column x between y0 and y1 inclusive.
    int count_in_column(int x, int y0, int y1, COLORREF colour) const
    {
        int n = 0;
        for (int y = y0; y <= y1; ++y)
            n += pixel(x, y) == colour;
        return n;
    }
    int count_in_area(int x0, int y0, int x1, int y1, COLORREF colour) const
    {
        int n = 0;
        for (int x = x0; x <= x1; ++x)
            n += count_in_column(x, y0, y1, colour);
        return n;
    }
    std::vector<uint32_t> snapshot() const
    {
        GdiFlush();
        return std::vector<uint32_t>(bits, bits + width * height);
    }
};

#endif
