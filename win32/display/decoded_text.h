// The decoded text line under "解読" and the unit time read-outs beside the
// level meter.
#ifndef VENTROK_WIN32_DISPLAY_DECODED_TEXT_H
#define VENTROK_WIN32_DISPLAY_DECODED_TEXT_H

#include <windows.h>

#include <cstdint>

#include "core/analysis/code_tables.h"

// The large layout when large is set, the normal one otherwise (解読字大).
void load_decoded_text_layout(bool large);

// Text column and text row back to the start of the line (start and clear
// sequences).
void reset_decoded_text_cursor();

// The scrolling rectangle of the decoded text line: the client width, y 90..144.
RECT decoded_text_scroll_rect(const RECT &client);

// One decoded character (length bytes of code page 932) in its kind's
// background colour on both DCs, then the wrap and, on the last line, the
// scroll of scroll_rect.
void show_decoded_text(entry_kind_t kind, const char *text, int length, HDC window_dc,
                       HDC back_buffer_dc, const RECT &scroll_rect);

// The two unit numbers ("%3d") after the labels; the decoder's character end
// while the unit time display is on.
void write_unit_numbers(HDC window_dc, HDC back_buffer_dc, int32_t mark_unit_ms,
                        int32_t space_unit_ms);

// The 単位時間表示 toggle: selects OEM_FIXED_FONT into both DCs, then writes
// "MARK :%3dms" and "SPACE:%3dms" at x 1043 when on, or 11 blanks there when
// off.
void show_unit_time_display(HDC window_dc, HDC back_buffer_dc, bool on, int32_t mark_unit_ms,
                            int32_t space_unit_ms);
// The same on the main window's screen and the back buffer.
void show_unit_time_display(HWND main_window, bool on, int32_t mark_unit_ms, int32_t space_unit_ms);

#endif
