#include "win32/display/block_drawing.h"

#include "core/analysis/decoder.h"
#include "core/app/settings.h"
#include "win32/display/decoded_text.h"
#include "win32/display/drawing.h"
#include "win32/display/sweep.h"
#include "win32/resources/resource_ids.h"

block_drawing::block_drawing(HWND main_window) : hwnd(main_window)
{
    window = GetDC(hwnd);
    memory = CreateCompatibleDC(window);
    previous_bitmap = SelectObject(memory, back_buffer());
    RECT client;
    GetClientRect(hwnd, &client);
    sweep_rect = sweep_band_rect(client);
    text_rect = decoded_text_scroll_rect(client);
    HGDIOBJ oem_font = GetStockObject(OEM_FIXED_FONT);
    previous_window_font = SelectObject(window, oem_font);
    previous_memory_font = SelectObject(memory, oem_font);
}

block_drawing::~block_drawing()
{
    SelectObject(window, previous_window_font);
    SelectObject(memory, previous_memory_font);
    SelectObject(memory, previous_bitmap);
    DeleteDC(memory);
    ReleaseDC(hwnd, window);
}

static void show_text(void *context, int kind, const char *text, int length)
{
    const block_drawing *drawing = static_cast<const block_drawing *>(context);
    if (drawing)
        show_decoded_text(kind, text, length, drawing->window, drawing->memory, drawing->text_rect);
}

static void write_units(void *context, int32_t mark_unit_ms, int32_t space_unit_ms)
{
    const block_drawing *drawing = static_cast<const block_drawing *>(context);
    if (drawing)
        write_unit_numbers(drawing->window, drawing->memory, mark_unit_ms, space_unit_ms);
}

static void alphabet_switched(void *context, int new_alphabet)
{
    const block_drawing *drawing = static_cast<const block_drawing *>(context);
    if (drawing)
        CheckRadioButton(drawing->hwnd, IDC_EUROPEAN, IDC_WABUN, IDC_EUROPEAN + new_alphabet);
}

void set_decoder_drawing(const block_drawing *drawing)
{
    decoder_output output = {const_cast<block_drawing *>(drawing), show_text, write_units,
                             alphabet_switched};
    set_decoder_output(output);
}

void sweep_step_for_block(const block_drawing &drawing, bool key_down, uint32_t measurement_clock)
{
    sweep_step(key_down, measurement_clock, settings().double_speed_sweep, drawing.window,
               drawing.memory, drawing.sweep_rect);
}
