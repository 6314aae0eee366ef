#include "win32/display/block_drawing.h"

#include "win32/display/armed_prompt.h"
#include "win32/display/back_buffer.h"
#include "win32/display/decoded_text.h"
#include "win32/display/sweep.h"
#include "win32/resources/resource_ids.h"

block_drawing::block_drawing(HWND main_window, bool double_speed)
    : hwnd(main_window), screen(main_window), back(), window_font(screen.dc, OEM_FIXED_FONT),
      memory_font(back.dc, OEM_FIXED_FONT), window(screen.dc), memory(back.dc),
      double_speed_sweep(double_speed)
{
    RECT client;
    GetClientRect(hwnd, &client);
    sweep_rect = sweep_band_rect(client);
    text_rect = decoded_text_scroll_rect(client);
}

namespace
{

const block_drawing &drawing_of(void *context)
{
    return *static_cast<const block_drawing *>(context);
}

void blank_status_line(void *context)
{
    blank_armed_prompt(drawing_of(context).memory);
}

void show_text(void *context, entry_kind_t kind, const char *text, int length)
{
    const block_drawing &d = drawing_of(context);
    show_decoded_text(kind, text, length, d.window, d.memory, d.text_rect);
}

void write_units(void *context, int32_t mark_unit_ms, int32_t space_unit_ms)
{
    const block_drawing &d = drawing_of(context);
    write_unit_numbers(d.window, d.memory, mark_unit_ms, space_unit_ms);
}

void move_alphabet_radios(void *context, decode_alphabet_t alphabet)
{
    CheckRadioButton(drawing_of(context).hwnd, IDC_EUROPEAN, IDC_WABUN, IDC_EUROPEAN + alphabet);
}

void step_sweep(void *context, bool key_down, uint32_t measurement_clock_ms)
{
    const block_drawing &d = drawing_of(context);
    sweep_step(key_down, measurement_clock_ms, d.double_speed_sweep, d.window, d.memory,
               d.sweep_rect);
}

} // namespace

engine_display block_display(block_drawing &drawing)
{
    return engine_display{&drawing, blank_status_line, show_text, write_units,
                          move_alphabet_radios, step_sweep};
}
