// The decoded text line and the unit read-outs drawn into memory DCs and
// read back pixel by pixel.
#include "win32/display/decoded_text.h"

#include "tests/windows/test_canvas.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>

namespace
{

constexpr int SURFACE_WIDTH = 1200;
constexpr int SURFACE_HEIGHT = 900;

// A 1200 x 900 surface filled with grey, so that everything drawn on it
// (white included) can be told from the untouched surface.
struct surface : canvas {
    surface() : canvas(GREY, SURFACE_WIDTH, SURFACE_HEIGHT) {}
};

int count_colour(const surface &s, int left, int top, int right, int bottom, COLORREF colour)
{
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            count += s.at(x, y) == colour;
    return count;
}

// A character box of the colour has its top left corner at (x, y): the
// 3 x 2 pixels from there (above any glyph) are the colour, the row above and
// the column to the left are not.
bool box_starts_at(const surface &s, int x, int y, COLORREF colour)
{
    return count_colour(s, x, y, x + 3, y + 2, colour) == 6 &&
           count_colour(s, x, y - 1, x + 3, y, colour) == 0 &&
           count_colour(s, x - 1, y, x, y + 2, colour) == 0;
}

// First and last row of the colour in column x between y 80 and 160.
struct row_span {
    int first;
    int last;
};
row_span colour_rows(const surface &s, int x, COLORREF colour)
{
    row_span span = {-1, -1};
    for (int y = 80; y < 160; ++y) {
        if (s.at(x, y) != colour)
            continue;
        if (span.first < 0)
            span.first = y;
        span.last = y;
    }
    return span;
}

// The window DC and the back buffer of one drawing, each a fresh surface.
struct text_line {
    surface window;
    surface back;
    RECT scroll_rect;
    text_line()
    {
        const RECT client = {0, 0, SURFACE_WIDTH, SURFACE_HEIGHT};
        scroll_rect = decoded_text_scroll_rect(client);
    }
    void show(int kind, const char *text)
    {
        show_decoded_text(static_cast<entry_kind_t>(kind), text,
                          static_cast<int>(std::strlen(text)), window.dc, back.dc, scroll_rect);
    }
    void show_blanks(int count)
    {
        for (int i = 0; i < count; ++i)
            show(0, " ");
    }
};

void use_layout(bool large)
{
    load_decoded_text_layout(large);
    reset_decoded_text_cursor();
}

class DecodedText : public ::testing::Test
{
  protected:
    void SetUp() override { use_layout(false); }
    void TearDown() override
    {
        load_decoded_text_layout(false);
        reset_decoded_text_cursor();
    }
};

TEST_F(DecodedText, BackgroundFollowsEntryKind)
{
    struct case_t {
        int kind;
        const char *text;
        COLORREF background;
    };
    const case_t cases[] = {
        {1, "*", RED},   {2, "AR", GREEN}, {3, "ｶﾞ", YELLOW},
        {0, "A", WHITE}, {0, " ", WHITE},  {7, "E", WHITE},
    };
    text_line line;
    int column = 0;
    for (const case_t &c : cases) {
        SCOPED_TRACE(c.kind);
        SCOPED_TRACE(c.text);
        line.show(c.kind, c.text);
        const int x = 28 + column;
        const int bytes = static_cast<int>(std::strlen(c.text));
        for (const surface *s : {&line.window, &line.back}) {
            EXPECT_TRUE(box_starts_at(*s, x, 90, c.background));
            // The text is drawn over the box, so the box colour is most of it.
            const int area = 8 * bytes * 16;
            EXPECT_GT(count_colour(*s, x, 90, x + 8 * bytes, 106, c.background), area / 2);
        }
        column += 9 * bytes;
    }
    // Afterwards the DCs draw on white again.
    EXPECT_EQ(GetBkColor(line.window.dc), WHITE);
    EXPECT_EQ(GetBkColor(line.back.dc), WHITE);
}

// A line holds one character more than its nominal length, because the wrap
// test follows the drawing.
TEST_F(DecodedText, LineWrapsAfterOneCharacterBeyondItsLength)
{
    struct case_t {
        bool large;
        int characters_on_line;
        int last_x;
        int next_line_y;
    };
    const case_t cases[] = {
        {false, 121, 28 + 120 * 9, 90 + 19},
        {true, 78, 28 + 77 * 14, 90 + 24},
    };
    for (const case_t &c : cases) {
        SCOPED_TRACE(c.large ? "large" : "normal");
        text_line line;
        use_layout(c.large);
        for (int i = 0; i < c.characters_on_line - 1; ++i)
            line.show(1, " ");
        line.show(3, " ");
        line.show(2, " ");
        for (const surface *s : {&line.window, &line.back}) {
            EXPECT_TRUE(box_starts_at(*s, c.last_x, 90, YELLOW));
            EXPECT_TRUE(box_starts_at(*s, 28, c.next_line_y, GREEN));
            // Nothing beyond the last character of the first line.
            EXPECT_EQ(count_colour(*s, c.last_x + 16, 90, c.last_x + 40, 100, GREEN), 0);
        }
    }
}

// When the last line before scrolling wraps, the area moves up by the scroll
// step, its top row is whitened, the new last line is blanked and the next
// character goes onto it.
TEST_F(DecodedText, LastLineWrapScrollsTheArea)
{
    struct case_t {
        bool large;
        int characters_on_line;
        int lines_before_scrolling;
        int line_height;
        int scroll_step;
        int blank_line_y;
        int next_line_y;
    };
    const case_t cases[] = {
        {false, 121, 3, 19, 18, 128, 128},
        {true, 78, 2, 24, 25, 120, 117},
    };
    for (const case_t &c : cases) {
        SCOPED_TRACE(c.large ? "large" : "normal");
        text_line line;
        use_layout(c.large);

        // Every line is blanks on white; the last line starts with a yellow
        // box, and the one before it (if any is left after scrolling) with a
        // red one.
        for (int row = 0; row < c.lines_before_scrolling; ++row) {
            const bool last = row == c.lines_before_scrolling - 1;
            const bool before_last = row == c.lines_before_scrolling - 2;
            line.show(last ? 3 : before_last ? 1 : 0, " ");
            line.show_blanks(c.characters_on_line - (last ? 2 : 1));
        }
        const int last_line_y = 90 + (c.lines_before_scrolling - 1) * c.line_height;
        const row_span yellow_before = colour_rows(line.window, 30, YELLOW);
        ASSERT_EQ(yellow_before.first, last_line_y);

        line.show(0, " "); // the wrap that scrolls

        for (const surface *s : {&line.window, &line.back}) {
            // The yellow box moved up by the scroll step; the row at y 90 is
            // whitened from x 15 to 1124.
            const row_span yellow_after = colour_rows(*s, 30, YELLOW);
            EXPECT_EQ(yellow_after.last, yellow_before.last - c.scroll_step);
            EXPECT_EQ(yellow_after.first, std::max(last_line_y - c.scroll_step, 91));
            if (c.lines_before_scrolling == 3) {
                EXPECT_TRUE(box_starts_at(*s, 28, 90 + c.line_height - c.scroll_step, RED));
            }
            EXPECT_EQ(s->at(15, 90), WHITE);
            EXPECT_EQ(s->at(600, 90), WHITE);
            EXPECT_EQ(s->at(1124, 90), WHITE);
            EXPECT_EQ(s->at(14, 90), GREY);
            EXPECT_EQ(s->at(1125, 90), GREY);
            // The blank line whitens the old last line from x 28 on, the
            // gaps between its character boxes included (up to x 1000: how
            // far it reaches depends on the width of a blank in the font).
            EXPECT_EQ(s->at(30, c.blank_line_y + 2), WHITE);
            EXPECT_EQ(count_colour(*s, 28, c.blank_line_y + 2, 1000, c.blank_line_y + 3, WHITE),
                      1000 - 28);
            EXPECT_EQ(s->at(27, c.blank_line_y + 2), GREY);
        }

        line.show(2, " ");
        for (const surface *s : {&line.window, &line.back})
            EXPECT_TRUE(box_starts_at(*s, 28, c.next_line_y, GREEN));
    }
}

TEST_F(DecodedText, ResetCursorReturnsToLineStart)
{
    text_line line;
    line.show_blanks(130); // onto the second line
    reset_decoded_text_cursor();
    line.show(1, " ");
    EXPECT_TRUE(box_starts_at(line.window, 28, 90, RED));
}

// The read-outs in OEM_FIXED_FONT, compared with the expected strings drawn
// directly on a reference surface.
class UnitReadouts : public ::testing::Test
{
  protected:
    surface window;
    surface back;
    surface reference;

    void SetUp() override
    {
        for (const surface *s : {&window, &back, &reference})
            SelectObject(s->dc, GetStockObject(OEM_FIXED_FONT));
    }
    void expect_reference(int x, int y, const char *text)
    {
        TextOutA(reference.dc, x, y, text, static_cast<int>(std::strlen(text)));
    }
    void expect_same_as_reference()
    {
        for (const surface *s : {&window, &back}) {
            int differences = 0;
            for (int y = 20; y < 80; ++y)
                for (int x = 1000; x < 1180; ++x)
                    differences += s->at(x, y) != reference.at(x, y);
            EXPECT_EQ(differences, 0);
        }
    }
};

TEST_F(UnitReadouts, ToggleOnWritesLabelsWithUnits)
{
    show_unit_time_display(window.dc, back.dc, true, 50, 7);
    expect_reference(1043, 33, "MARK : 50ms");
    expect_reference(1043, 51, "SPACE:  7ms");
    expect_same_as_reference();
}

TEST_F(UnitReadouts, ToggleOffBlanksElevenCharacters)
{
    show_unit_time_display(window.dc, back.dc, true, 200, 123);
    show_unit_time_display(window.dc, back.dc, false, 200, 123);
    expect_reference(1043, 33, "           ");
    expect_reference(1043, 51, "           ");
    expect_same_as_reference();
}

// The numbers replace the digits of the labels drawn before (x 1091 where
// the font is 8 pixels a character), leaving the labels whole.
TEST_F(UnitReadouts, NumbersReplaceTheDigitsOfTheReadouts)
{
    show_unit_time_display(window.dc, back.dc, true, 50, 50);
    SelectObject(window.dc, GetStockObject(OEM_FIXED_FONT));
    SelectObject(back.dc, GetStockObject(OEM_FIXED_FONT));
    write_unit_numbers(window.dc, back.dc, 12, 150);
    expect_reference(1043, 33, "MARK : 12ms");
    expect_reference(1043, 51, "SPACE:150ms");
    expect_same_as_reference();
}

} // namespace
