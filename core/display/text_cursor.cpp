#include "core/display/text_cursor.h"

namespace
{

// The normal layout's scroll step and row after scrolling follow from its
// line height: one pixel less than a line, and two lines.
decoded_text_layout derive_normal_layout()
{
    decoded_text_layout layout = {16, 9, 120, 19, 3, 0, 0, 137, 128};
    layout.scroll_step = layout.line_height - 1;
    layout.row_after_scrolling = 2 * layout.line_height;
    return layout;
}

const decoded_text_layout normal_layout = derive_normal_layout();
const decoded_text_layout large_layout = {24, 14, 77, 24, 2, 25, 27, 92, 120};

} // namespace

const decoded_text_layout &normal_text_layout()
{
    return normal_layout;
}

const decoded_text_layout &large_text_layout()
{
    return large_layout;
}

void text_cursor_init(text_cursor &c)
{
    c = text_cursor{&normal_layout, 0, 0};
}

void text_cursor_select_layout(text_cursor &c, bool large)
{
    c.layout = large ? &large_layout : &normal_layout;
}

void text_cursor_reset(text_cursor &c)
{
    c.column = 0;
    c.row = 0;
}

text_placement text_cursor_place(text_cursor &c, int length)
{
    const decoded_text_layout &layout = *c.layout;
    text_placement placement = {TEXT_LEFT + c.column, TEXT_TOP + c.row, false};
    c.column += layout.advance_per_byte * length;
    if (c.column > layout.advance_per_byte * layout.characters_per_line) {
        c.column = 0;
        c.row += layout.line_height;
        if (c.row >= layout.line_height * layout.lines_before_scrolling) {
            placement.scroll = true;
            c.row = layout.row_after_scrolling;
        }
    }
    return placement;
}
