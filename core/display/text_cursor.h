// Where the decoded text line puts each character: the text cursor moves on
// by the character's byte length, wraps after a line and, when the last line
// is full, asks for the line area to scroll. Two layouts: normal and large
// (解読字大).
#ifndef VENTROK_CORE_DISPLAY_TEXT_CURSOR_H
#define VENTROK_CORE_DISPLAY_TEXT_CURSOR_H

// Pixel origin of text column 0, text row 0.
constexpr int TEXT_LEFT = 28;
constexpr int TEXT_TOP = 90;
// The scrolling rectangle of the line: the client width, y 90..144.
constexpr int TEXT_AREA_HEIGHT = 55;
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

const decoded_text_layout &normal_text_layout();
const decoded_text_layout &large_text_layout();

// Text column and row: pixel offsets of the next character from (28, 90).
struct text_cursor {
    const decoded_text_layout *layout;
    int column;
    int row;
};

// Where one text goes, and whether the line area scrolls after it is drawn.
struct text_placement {
    int x;
    int y;
    bool scroll; // scroll by the layout's step, then blank its new line
};

// Program start: the normal layout, column and row 0.
void text_cursor_init(text_cursor &c);
// The layout the 解読字大 check box selects; the cursor stays where it is.
void text_cursor_select_layout(text_cursor &c, bool large);
// The start and clear sequences: back to the start of the line.
void text_cursor_reset(text_cursor &c);
// Places a text of length bytes and moves the cursor on. The wrap test
// follows the drawing, so a line can hold one text more than its nominal
// length.
text_placement text_cursor_place(text_cursor &c, int length);

#endif
