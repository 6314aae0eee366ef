// The Armed prompt of the status line: drawn by 開始, blanked by the first
// key-down of the recording.
#ifndef VENTROK_WIN32_DISPLAY_ARMED_PROMPT_H
#define VENTROK_WIN32_DISPLAY_ARMED_PROMPT_H

#include <windows.h>

// "入力待ち    打鍵を始めてください" at (180, 260) into the back buffer, over
// 40 blanks, with 48 blanks on the line below.
void draw_armed_prompt();

// The 40 blanks at (180, 260) in the DC's font (the block's OEM_FIXED_FONT),
// and the prompt's own box whitened as well: the prompt was drawn in the
// back buffer's default font, which under Wine is larger than the OEM font,
// so that the blanks alone would leave parts of it.
void blank_armed_prompt(HDC back_buffer_dc);

#endif
