// The drawing context of one captured block: the window DC and the back
// buffer, both with OEM_FIXED_FONT selected, and the sweep and decoded-text
// rectangles. What the engine reports while it analyses the block is drawn
// through it.
#ifndef VENTROK_WIN32_DISPLAY_BLOCK_DRAWING_H
#define VENTROK_WIN32_DISPLAY_BLOCK_DRAWING_H

#include <windows.h>

#include "core/app/measurement_engine.h"

struct block_drawing {
    HWND hwnd;
    HDC window;
    HDC memory;
    RECT sweep_rect;
    RECT text_rect;
    bool double_speed_sweep;
    HGDIOBJ previous_window_font;
    HGDIOBJ previous_memory_font;
    HGDIOBJ previous_bitmap;

    block_drawing(HWND main_window, bool double_speed);
    ~block_drawing();
    block_drawing(const block_drawing &) = delete;
    block_drawing &operator=(const block_drawing &) = delete;
};

// The engine's display for this block: the status line blanked at the
// recording start, decoded characters and unit read-outs on both DCs, the
// 欧文/和文 radio buttons moved by the auto switch, and the sweep.
engine_display block_display(block_drawing &drawing);

#endif
