// The drawing context of one captured block: the window DC and the back
// buffer, both with OEM_FIXED_FONT selected, and the sweep and decoded-text
// rectangles. The decoder and the sweep draw through it while the block is
// analysed.
#ifndef VENTROK_DISPLAY_BLOCK_DRAWING_H
#define VENTROK_DISPLAY_BLOCK_DRAWING_H

#include <windows.h>

#include <cstdint>

struct block_drawing {
    HWND hwnd;
    HDC window;
    HDC memory;
    RECT sweep_rect;
    RECT text_rect;
    HGDIOBJ previous_window_font;
    HGDIOBJ previous_memory_font;
    HGDIOBJ previous_bitmap;

    explicit block_drawing(HWND main_window);
    ~block_drawing();
    block_drawing(const block_drawing &) = delete;
    block_drawing &operator=(const block_drawing &) = delete;
};

// Sends the decoder's characters and unit read-outs to this block's DCs
// (null: the decoder's output goes nowhere).
void set_decoder_drawing(const block_drawing *drawing);

void sweep_step_for_block(const block_drawing &drawing, bool key_down, uint32_t measurement_clock);

#endif
