// The drawing context of one captured block: the window DC and the back
// buffer, both with OEM_FIXED_FONT selected, and the sweep and decoded-text
// rectangles. What the engine reports while it analyses the block is drawn
// through it.
#ifndef VENTROK_WIN32_DISPLAY_BLOCK_DRAWING_H
#define VENTROK_WIN32_DISPLAY_BLOCK_DRAWING_H

#include <windows.h>

#include "core/app/measurement_engine.h"
#include "win32/common/gdi.h"
#include "win32/display/back_buffer.h"

struct block_drawing {
    HWND hwnd;
    window_dc screen;
    back_buffer_dc back;
    selected_stock_object window_font;
    selected_stock_object memory_font;
    HDC window; // screen.dc
    HDC memory; // back.dc
    RECT sweep_rect;
    RECT text_rect;
    bool double_speed_sweep;

    block_drawing(HWND main_window, bool double_speed);
};

// The engine's display for this block: the status line blanked at the
// recording start, decoded characters and unit read-outs on both DCs, the
// 欧文/和文 radio buttons moved by the auto switch, and the sweep.
engine_display block_display(block_drawing &drawing);

#endif
