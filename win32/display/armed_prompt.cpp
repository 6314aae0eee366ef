#include "win32/display/armed_prompt.h"

#include <cstring>

#include "core/cp932_literals.h"
#include "win32/common/gdi.h"
#include "win32/display/back_buffer.h"

constexpr int PROMPT_X = 180;
constexpr int PROMPT_Y = 260;
static const char prompt[] = "入力待ち    打鍵を始めてください";
static const char blanks_40[] = "                                        ";
static const char blanks_48[] = "                                                ";

void draw_armed_prompt()
{
    back_buffer_text(PROMPT_X, PROMPT_Y, blanks_40);
    back_buffer_text(PROMPT_X, PROMPT_Y, prompt);
    back_buffer_text(PROMPT_X, PROMPT_Y + 26, blanks_48);
}

void blank_armed_prompt(HDC back_buffer_dc)
{
    draw_text(back_buffer_dc, PROMPT_X, PROMPT_Y, blanks_40);
    selected_stock_object system_font(back_buffer_dc, SYSTEM_FONT);
    SIZE extent;
    GetTextExtentPoint32A(back_buffer_dc, prompt, static_cast<int>(std::strlen(prompt)), &extent);
    PatBlt(back_buffer_dc, PROMPT_X, PROMPT_Y, extent.cx, extent.cy, WHITENESS);
}
