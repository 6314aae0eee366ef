// The decoded text line: each character in the decode font on a box of its
// entry kind's colour, wrapping after a line and scrolling the line area up
// when the last line is full. Also the unit time read-outs.
#include "win32/display/decoded_text.h"

#include "core/app/settings.h"
#include "win32/display/drawing.h"

static_assert(sizeof("ゴ") == 3 && "ゴ"[0] == '\x83' && "ゴ"[1] == '\x53',
              "string literals must be compiled to code page 932 (-fexec-charset=CP932)");

// Pixel origin of text column 0, text row 0.
constexpr int TEXT_LEFT = 28;
constexpr int TEXT_TOP = 90;
constexpr int TEXT_AREA_HEIGHT = 55; // the scrolling rectangle, y 90..144
// The white line drawn over the top row of the area after a scroll.
constexpr int SCROLL_LINE_LEFT = 15;
constexpr int SCROLL_LINE_RIGHT = 1125; // line end, not drawn

struct decoded_text_layout {
    int font_height;
    int advance_per_byte; // pixels
    int characters_per_line;
    int line_height; // pixels
    int lines_before_scrolling;
    int scroll_step;         // pixels
    int row_after_scrolling; // pixels
    int blank_count;         // blanks written to clear the new line
    int blank_line_y;
};

// The normal layout's scroll step and row after scrolling follow from its
// line height: one pixel less than a line, and two lines.
static decoded_text_layout derive_normal_layout()
{
    decoded_text_layout layout = {16, 9, 120, 19, 3, 0, 0, 137, 128};
    layout.scroll_step = layout.line_height - 1;
    layout.row_after_scrolling = 2 * layout.line_height;
    return layout;
}

static const decoded_text_layout normal_layout = derive_normal_layout();
static const decoded_text_layout large_layout = {24, 14, 77, 24, 2, 25, 27, 92, 120};

static const char *const decode_font_face = "ＭＳ ゴシック";
static const char blanks[] = "                                                                "
                             "                                                                "
                             "                ";
static_assert(sizeof(blanks) - 1 >= 137, "the blank run must cover the longest blank line");

// Text cursor: pixel offsets of the next character from (28, 90).
struct text_cursor {
    const decoded_text_layout *layout;
    int column;
    int row;
};

static text_cursor cursor = {&normal_layout, 0, 0};

void load_decoded_text_layout(bool large)
{
    cursor.layout = large ? &large_layout : &normal_layout;
}

void load_decoded_text_layout()
{
    load_decoded_text_layout(settings().large_decoded_text);
}

void reset_decoded_text_cursor()
{
    cursor.column = 0;
    cursor.row = 0;
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
static COLORREF kind_colour(int kind)
{
    switch (kind) {
    case 1:
        return RGB(255, 0, 0);
    case 2:
        return RGB(0, 255, 0);
    case 3:
        return RGB(255, 255, 0);
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
static void scroll_text_area(HDC dc, const RECT &scroll_rect, HPEN white_pen)
{
    const decoded_text_layout &layout = *cursor.layout;
    ScrollDC(dc, 0, -layout.scroll_step, &scroll_rect, &scroll_rect, nullptr, nullptr);
    HGDIOBJ old_pen = SelectObject(dc, white_pen);
    MoveToEx(dc, SCROLL_LINE_LEFT, TEXT_TOP, nullptr);
    LineTo(dc, SCROLL_LINE_RIGHT, TEXT_TOP);
    SelectObject(dc, old_pen);
    SetBkColor(dc, COLOUR_WHITE);
    TextOutA(dc, TEXT_LEFT, layout.blank_line_y, blanks, layout.blank_count);
}

void show_decoded_text(int kind, const char *text, int length, HDC window_dc, HDC back_buffer_dc,
                       const RECT &scroll_rect)
{
    const decoded_text_layout &layout = *cursor.layout;
    HFONT font = create_decode_font(layout.font_height);
    const saved_text_state window_saved = prepare_dc(window_dc, font);
    const saved_text_state back_saved = prepare_dc(back_buffer_dc, font);

    const COLORREF background = kind_colour(kind);
    const int x = TEXT_LEFT + cursor.column;
    const int y = TEXT_TOP + cursor.row;
    SetBkColor(window_dc, background);
    SetBkColor(back_buffer_dc, background);
    TextOutA(window_dc, x, y, text, length);
    TextOutA(back_buffer_dc, x, y, text, length);
    SetBkColor(window_dc, COLOUR_WHITE);
    SetBkColor(back_buffer_dc, COLOUR_WHITE);

    // The wrap test follows the drawing, so a line can hold one text more
    // than its nominal length.
    cursor.column += layout.advance_per_byte * length;
    if (cursor.column > layout.advance_per_byte * layout.characters_per_line) {
        cursor.column = 0;
        cursor.row += layout.line_height;
        if (cursor.row >= layout.line_height * layout.lines_before_scrolling) {
            HPEN white_pen = CreatePen(PS_SOLID, 1, COLOUR_WHITE);
            scroll_text_area(window_dc, scroll_rect, white_pen);
            scroll_text_area(back_buffer_dc, scroll_rect, white_pen);
            DeleteObject(white_pen);
            cursor.row = layout.row_after_scrolling;
        }
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

void write_unit_readout(HDC window_dc, HDC back_buffer_dc, int x, int y, const char *text)
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
    const int READOUT_NUMBER_X = readout_number_x(back_buffer_dc);
    char number[16];
    wsprintfA(number, unit_number_format, static_cast<int>(mark_unit_ms));
    write_unit_readout(window_dc, back_buffer_dc, READOUT_NUMBER_X, MARK_READOUT_Y, number);
    wsprintfA(number, unit_number_format, static_cast<int>(space_unit_ms));
    write_unit_readout(window_dc, back_buffer_dc, READOUT_NUMBER_X, SPACE_READOUT_Y, number);
}

void show_unit_time_display(HDC window_dc, HDC back_buffer_dc, bool on, int32_t mark_unit_ms,
                            int32_t space_unit_ms)
{
    HGDIOBJ fixed_font = GetStockObject(OEM_FIXED_FONT);
    HGDIOBJ window_font = SelectObject(window_dc, fixed_font);
    HGDIOBJ back_font = SelectObject(back_buffer_dc, fixed_font);
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
    SelectObject(back_buffer_dc, back_font);
    SelectObject(window_dc, window_font);
}

void show_unit_time_display(HWND main_window, bool on, int32_t mark_unit_ms, int32_t space_unit_ms)
{
    window_dc screen(main_window);
    back_buffer_dc memory;
    show_unit_time_display(screen.dc, memory.dc, on, mark_unit_ms, space_unit_ms);
}
