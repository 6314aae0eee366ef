// The decoded text line: each character in the decode font on a box of its
// entry kind's colour, at the place the text cursor gives, scrolling the line
// area up when the last line is full. Also the unit time read-outs.
#include "win32/display/decoded_text.h"

#include "core/cp932_literals.h"
#include "core/display/text_cursor.h"
#include "win32/common/gdi.h"
#include "win32/display/back_buffer.h"

static const char *const decode_font_face = "ＭＳ ゴシック";
static const char blanks[] = "                                                                "
                             "                                                                "
                             "                ";
static_assert(sizeof(blanks) - 1 >= 137, "the blank run must cover the longest blank line");

static text_cursor initial_cursor()
{
    text_cursor c;
    text_cursor_init(c);
    return c;
}

static text_cursor cursor = initial_cursor();

void load_decoded_text_layout(bool large)
{
    text_cursor_select_layout(cursor, large);
}

void reset_decoded_text_cursor()
{
    text_cursor_reset(cursor);
}

RECT decoded_text_scroll_rect(const RECT &client)
{
    RECT rect = client;
    rect.top += TEXT_TOP;
    rect.bottom = rect.top + TEXT_AREA_HEIGHT;
    return rect;
}

// Background colour of an entry kind: 1 error red, 2 prosign green, 3 kana
// with voicing mark yellow, anything else white.
static COLORREF kind_colour(entry_kind_t kind)
{
    switch (kind) {
    case ENTRY_ERROR:
        return COLOUR_RED;
    case ENTRY_PROSIGN:
        return COLOUR_GREEN;
    case ENTRY_VOICED_KANA:
        return COLOUR_YELLOW;
    default:
        return COLOUR_WHITE;
    }
}

static HFONT create_decode_font(int height)
{
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                       FIXED_PITCH | FF_MODERN, decode_font_face);
}

// The drawing state of one DC while a character is shown, put back afterwards.
struct saved_text_state {
    HGDIOBJ font;
    int background_mode;
    COLORREF text_colour;
};

static saved_text_state prepare_dc(HDC dc, HFONT font)
{
    saved_text_state saved;
    saved.font = SelectObject(dc, font);
    saved.background_mode = SetBkMode(dc, OPAQUE);
    saved.text_colour = SetTextColor(dc, COLOUR_BLACK);
    return saved;
}

static void restore_dc(HDC dc, const saved_text_state &saved)
{
    SetTextColor(dc, saved.text_colour);
    SetBkMode(dc, saved.background_mode);
    SelectObject(dc, saved.font);
}

// The line area moves up by one scroll step; the top pixel row is whitened
// and the new last line is blanked.
static void scroll_text_area(HDC dc, const RECT &scroll_rect, const decoded_text_layout &layout)
{
    ScrollDC(dc, 0, -layout.scroll_step, &scroll_rect, &scroll_rect, nullptr, nullptr);
    {
        selected_pen white(dc, COLOUR_WHITE);
        draw_line(dc, SCROLL_LINE_LEFT, TEXT_TOP, SCROLL_LINE_RIGHT, TEXT_TOP);
    }
    SetBkColor(dc, COLOUR_WHITE);
    TextOutA(dc, TEXT_LEFT, layout.blank_line_y, blanks, layout.blank_count);
}

void show_decoded_text(entry_kind_t kind, const char *text, int length, HDC window_dc,
                       HDC back_buffer_dc, const RECT &scroll_rect)
{
    const decoded_text_layout &layout = *cursor.layout;
    HFONT font = create_decode_font(layout.font_height);
    const saved_text_state window_saved = prepare_dc(window_dc, font);
    const saved_text_state back_saved = prepare_dc(back_buffer_dc, font);

    const COLORREF background = kind_colour(kind);
    const text_placement place = text_cursor_place(cursor, length);
    SetBkColor(window_dc, background);
    SetBkColor(back_buffer_dc, background);
    TextOutA(window_dc, place.x, place.y, text, length);
    TextOutA(back_buffer_dc, place.x, place.y, text, length);
    SetBkColor(window_dc, COLOUR_WHITE);
    SetBkColor(back_buffer_dc, COLOUR_WHITE);
    if (place.scroll) {
        scroll_text_area(window_dc, scroll_rect, layout);
        scroll_text_area(back_buffer_dc, scroll_rect, layout);
    }

    restore_dc(back_buffer_dc, back_saved);
    restore_dc(window_dc, window_saved);
    DeleteObject(font);
}

// Unit time read-outs, in OEM_FIXED_FONT: the labels start at x 1043 and
// the numbers follow the six characters "MARK :", at x 1091 where the font is
// 8 pixels a character. Where the fixed font is narrower (Wine gives 6) the
// numbers are placed after the label as drawn, so they never overwrite it.
constexpr int READOUT_LABEL_X = 1043;
constexpr int MARK_READOUT_Y = 33;
constexpr int SPACE_READOUT_Y = 51;

static const char *const mark_readout_format = "MARK :%3dms";
static const char *const space_readout_format = "SPACE:%3dms";
static const char *const unit_number_format = "%3d";
static const char *const readout_blanks = "           "; // the width of a read-out

// TextOutA of the text at (x, y) on the window DC and then on the back-buffer
// DC, in the font selected in each.
static void write_unit_readout(HDC window_dc, HDC back_buffer_dc, int x, int y, const char *text)
{
    draw_text(window_dc, x, y, text);
    draw_text(back_buffer_dc, x, y, text);
}

static int readout_number_x(HDC dc)
{
    SIZE label;
    GetTextExtentPoint32A(dc, "MARK :", 6, &label);
    return READOUT_LABEL_X + label.cx;
}

void write_unit_numbers(HDC window_dc, HDC back_buffer_dc, int32_t mark_unit_ms,
                        int32_t space_unit_ms)
{
    const int number_x = readout_number_x(back_buffer_dc);
    char number[16];
    wsprintfA(number, unit_number_format, static_cast<int>(mark_unit_ms));
    write_unit_readout(window_dc, back_buffer_dc, number_x, MARK_READOUT_Y, number);
    wsprintfA(number, unit_number_format, static_cast<int>(space_unit_ms));
    write_unit_readout(window_dc, back_buffer_dc, number_x, SPACE_READOUT_Y, number);
}

void show_unit_time_display(HDC window_dc, HDC back_buffer_dc, bool on, int32_t mark_unit_ms,
                            int32_t space_unit_ms)
{
    selected_stock_object window_font(window_dc, OEM_FIXED_FONT);
    selected_stock_object back_font(back_buffer_dc, OEM_FIXED_FONT);
    if (on) {
        char readout[32];
        wsprintfA(readout, mark_readout_format, static_cast<int>(mark_unit_ms));
        write_unit_readout(window_dc, back_buffer_dc, READOUT_LABEL_X, MARK_READOUT_Y, readout);
        wsprintfA(readout, space_readout_format, static_cast<int>(space_unit_ms));
        write_unit_readout(window_dc, back_buffer_dc, READOUT_LABEL_X, SPACE_READOUT_Y, readout);
    } else {
        write_unit_readout(window_dc, back_buffer_dc, READOUT_LABEL_X, MARK_READOUT_Y,
                           readout_blanks);
        write_unit_readout(window_dc, back_buffer_dc, READOUT_LABEL_X, SPACE_READOUT_Y,
                           readout_blanks);
    }
}

void show_unit_time_display(HWND main_window, bool on, int32_t mark_unit_ms, int32_t space_unit_ms)
{
    window_dc screen(main_window);
    back_buffer_dc memory;
    show_unit_time_display(screen.dc, memory.dc, on, mark_unit_ms, space_unit_ms);
}
