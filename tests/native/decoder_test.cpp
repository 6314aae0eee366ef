#include "core/analysis/code_tables.h"
#include "core/analysis/decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

struct shown_text {
    int kind;
    std::string text;
    bool operator==(const shown_text &o) const { return kind == o.kind && text == o.text; }
};

// What the decoder reported, report by report.
struct recorder {
    std::vector<shown_text> shown;
    std::vector<std::pair<int32_t, int32_t>> readouts;
    std::vector<int> switches;
};

const decoder_settings initial_decoding = {ALPHABET_EUROPEAN, INTERVAL_MEDIUM, false, false};

class Decoder : public ::testing::Test
{
  protected:
    decoder_state d{};
    decoder_settings s = initial_decoding;
    recorder out;

    void SetUp() override
    {
        build_morse_tables();
        decoder_init(d);
    }

    // One gap check; its report goes into out in the order it happened, and
    // an alphabet switch applies to the following look-ups, as the
    // measurement engine applies it.
    void gap_check(uint32_t elapsed_ms)
    {
        const decoder_report r = decode_gap_check(d, s, elapsed_ms);
        if (r.unit_readouts)
            out.readouts.push_back({d.mark_unit_ms, d.space_unit_ms});
        if (r.character)
            out.shown.push_back({r.character->kind, r.character->text});
        if (r.alphabet_switched) {
            out.switches.push_back(r.switched_to);
            s.alphabet = r.switched_to;
        }
        if (r.word_space)
            out.shown.push_back({word_space_entry().kind, word_space_entry().text});
    }

    // Keys one character at a steady 50 ms unit (dots 50, dashes 150, element
    // gaps 50, none of which moves the units) after a long key-up, then lets
    // the key-up run on, checking the gap every millisecond.
    void key_character(const char *code, uint32_t key_up_ms = 301)
    {
        for (int i = 0; code[i] != '\0'; ++i) {
            decode_on_mark_accepted(d, i == 0 ? 1000 : 50);
            decode_on_space_accepted(d, code[i] == '-' ? 150 : 50);
        }
        for (uint32_t e = 1; e <= key_up_ms; ++e)
            gap_check(e);
    }

    // The texts shown so far without the word spaces.
    std::vector<shown_text> characters() const
    {
        std::vector<shown_text> result;
        for (const shown_text &t : out.shown)
            if (t.text != " ")
                result.push_back(t);
        return result;
    }
};

} // namespace

TEST_F(Decoder, WorkedExampleShowsAThenWordSpace)
{
    s.unit_time_display = true;
    decode_on_mark_accepted(d, 0);
    EXPECT_EQ(d.mark_unit_ms, 43);
    EXPECT_EQ(d.space_unit_ms, 43);
    decode_on_space_accepted(d, 60);
    EXPECT_EQ(d.mark_unit_ms, 45);
    decode_on_mark_accepted(d, 60);
    EXPECT_EQ(d.space_unit_ms, 45);
    EXPECT_EQ(d.mark_unit_ms, 46);
    decode_on_space_accepted(d, 180);
    EXPECT_EQ(d.mark_unit_ms, 50);

    gap_check(90);
    EXPECT_TRUE(out.shown.empty());
    EXPECT_EQ(d.character_state, CHARACTER_IN_PROGRESS);
    gap_check(91);
    ASSERT_EQ(out.shown.size(), 1u);
    EXPECT_EQ(out.shown[0], (shown_text{ENTRY_PLAIN, "A"}));
    ASSERT_EQ(out.readouts.size(), 1u);
    EXPECT_EQ(out.readouts[0], (std::pair<int32_t, int32_t>{50, 45}));
    gap_check(270);
    EXPECT_EQ(out.shown.size(), 1u);
    gap_check(271);
    ASSERT_EQ(out.shown.size(), 2u);
    EXPECT_EQ(out.shown[1], (shown_text{ENTRY_PLAIN, " "}));
    EXPECT_EQ(d.character_state, WORD_SPACE_SHOWN);
    EXPECT_EQ(out.readouts.size(), 1u); // the word space writes no read-out
}

TEST_F(Decoder, MarkIsDashAboveTwoUnitsAndAdaptsByItsLength)
{
    // Mark unit 50 before each mark; expected units worked out by hand.
    const struct {
        uint32_t mark_ms;
        bool dash;
        int32_t mark_unit_ms;
    } cases[] = {
        {0, false, 43},    // (350 + 0) / 8
        {99, false, 56},   // (350 + 99) / 8
        {100, false, 45},  // exactly two units: a dot, but (350 + 100) / 10
        {101, true, 45},   // (350 + 101) / 10
        {150, true, 50},   // a steady dash keeps the unit
        {499, true, 84},   // (350 + 499) / 10
        {500, true, 50},   // ten units: a held key, unit unchanged
        {60000, true, 50}, //
    };
    for (const auto &c : cases) {
        decoder_init(d);
        decode_on_mark_accepted(d, 1000);
        decode_on_space_accepted(d, c.mark_ms);
        EXPECT_EQ(d.code_bits, c.dash ? 1u : 0u) << c.mark_ms;
        EXPECT_EQ(d.mark_unit_ms, c.mark_unit_ms) << c.mark_ms;
        EXPECT_EQ(d.element_count, 1) << c.mark_ms;
    }
}

TEST_F(Decoder, OnlyAGapInsideACharacterAdaptsTheUnits)
{
    decode_on_mark_accepted(d, 99); // below two mark units of 50: (350 + 99) / 8
    EXPECT_EQ(d.space_unit_ms, 56);
    EXPECT_EQ(d.mark_unit_ms, 56);
    decoder_init(d);
    decode_on_mark_accepted(d, 100);
    EXPECT_EQ(d.space_unit_ms, 50);
    EXPECT_EQ(d.mark_unit_ms, 50);
}

TEST_F(Decoder, UnitsNeverExceed200)
{
    for (int i = 0; i < 60; ++i) {
        decode_on_mark_accepted(d, 2 * d.mark_unit_ms - 1);
        ASSERT_LE(d.space_unit_ms, MAX_UNIT_MS);
        ASSERT_LE(d.mark_unit_ms, MAX_UNIT_MS);
    }
    EXPECT_EQ(d.mark_unit_ms, 200);
    decode_on_space_accepted(d, 1999); // (1400 + 1999) / 10 would be 339
    EXPECT_EQ(d.mark_unit_ms, 200);
    decode_on_space_accepted(d, 399); // (1400 + 399) / 8 would be 224
    EXPECT_EQ(d.mark_unit_ms, 200);
}

TEST_F(Decoder, StartRaisesLowUnitsToTenAndResetKeepsThem)
{
    for (int i = 0; i < 20; ++i)
        decode_on_mark_accepted(d, 0); // 50, 43, 37, 32, 28, 24, 21, 18, 15, 13, 11, 9, ...
    EXPECT_LT(d.mark_unit_ms, 10);
    decode_on_space_accepted(d, 0);
    decoder_reset(d);
    EXPECT_EQ(d.element_count, 0);
    EXPECT_EQ(d.code_bits, 0u);
    EXPECT_EQ(d.character_state, WORD_SPACE_SHOWN);
    decoder_raise_units_for_start(d);
    EXPECT_EQ(d.mark_unit_ms, 10);
    EXPECT_EQ(d.space_unit_ms, 10);

    decoder_init(d);
    decoder_raise_units_for_start(d);
    EXPECT_EQ(d.mark_unit_ms, 50);
}

TEST_F(Decoder, CharacterGapFollowsCodeInterval)
{
    // Space unit 50, then 43 after a first mark with no space before it.
    const struct {
        code_interval_t code_interval;
        bool short_first_space;
        uint32_t last_silent_ms;
    } cases[] = {
        {INTERVAL_NARROW, false, 75}, {INTERVAL_MEDIUM, false, 100}, {INTERVAL_WIDE, false, 125},
        {INTERVAL_NARROW, true, 64},  {INTERVAL_MEDIUM, true, 86},   {INTERVAL_WIDE, true, 107},
    };
    for (const auto &c : cases) {
        decoder_init(d);
        out.shown.clear();
        s.code_interval = c.code_interval;
        decode_on_mark_accepted(d, c.short_first_space ? 0 : 1000);
        decode_on_space_accepted(d, 40);
        gap_check(c.last_silent_ms);
        EXPECT_TRUE(out.shown.empty()) << c.code_interval << " " << c.last_silent_ms;
        gap_check(c.last_silent_ms + 1);
        EXPECT_EQ(out.shown.size(), 1u) << c.code_interval << " " << c.last_silent_ms;
    }
}

TEST_F(Decoder, LongAndUnlistedCodesShowTheErrorMark)
{
    const struct {
        decode_alphabet_t alphabet;
        const char *code;
        shown_text expected;
    } cases[] = {
        {ALPHABET_EUROPEAN, "...---...", {ENTRY_PROSIGN, "SOS"}},
        {ALPHABET_WABUN, "...---...", {ENTRY_PROSIGN, "SOS"}},
        {ALPHABET_EUROPEAN, "...---....", {ENTRY_ERROR, "*"}},
        {ALPHABET_EUROPEAN, "..........", {ENTRY_ERROR, "*"}},
        {ALPHABET_EUROPEAN, "--------------------", {ENTRY_ERROR, "*"}},
        {ALPHABET_EUROPEAN, "..--", {ENTRY_ERROR, "*"}},
        {ALPHABET_WABUN, "..--", {ENTRY_PLAIN, "ﾉ"}},
        {ALPHABET_WABUN, ".-....", {ENTRY_VOICED_KANA, "ｶﾞ"}},
    };
    for (const auto &c : cases) {
        out.shown.clear();
        s.alphabet = c.alphabet;
        key_character(c.code);
        EXPECT_EQ(characters(), (std::vector<shown_text>{c.expected})) << c.code;
        EXPECT_EQ(d.element_count, 0);
        EXPECT_EQ(d.code_bits, 0u);
    }
}

TEST_F(Decoder, SwitchSignalTwiceInARowChangesTheAlphabet)
{
    const char *hore = "-..---";
    const char *rata = "...-.";
    const char *ten_dots = "..........";
    const struct {
        std::vector<const char *> codes;
        std::vector<int> switches;
        int alphabet_after;
    } cases[] = {
        {{hore}, {}, ALPHABET_EUROPEAN},
        {{hore, "-", hore}, {}, ALPHABET_EUROPEAN},
        {{hore, hore}, {ALPHABET_WABUN}, ALPHABET_WABUN},
        {{hore, hore, hore}, {ALPHABET_WABUN}, ALPHABET_WABUN},
        {{hore, hore, rata, rata}, {ALPHABET_WABUN, ALPHABET_EUROPEAN}, ALPHABET_EUROPEAN},
        {{rata, rata}, {ALPHABET_EUROPEAN}, ALPHABET_EUROPEAN},
        {{hore, "..--", hore}, {}, ALPHABET_EUROPEAN},              // unlisted code is looked up
        {{hore, ten_dots, hore}, {ALPHABET_WABUN}, ALPHABET_WABUN}, // "*" without look-up
    };
    for (const auto &c : cases) {
        s = initial_decoding;
        s.alphabet_auto_switch = true;
        decoder_reset_switch_counts(d);
        out.switches.clear();
        out.shown.clear();
        for (const char *code : c.codes)
            key_character(code);
        EXPECT_EQ(out.switches, c.switches) << c.codes.size();
        EXPECT_EQ(s.alphabet, c.alphabet_after) << c.codes.size();
    }
}

TEST_F(Decoder, SwitchSignalsAreShownButSwitchNothingWhenAutoSwitchIsOff)
{
    for (const char *code : {"-..---", "-..---", "...-.", "...-."})
        key_character(code);
    EXPECT_TRUE(out.switches.empty());
    EXPECT_EQ(s.alphabet, ALPHABET_EUROPEAN);
    const std::vector<shown_text> expected = {
        {ENTRY_PROSIGN, "ﾎﾚ"}, {ENTRY_PROSIGN, "ﾎﾚ"}, {ENTRY_PROSIGN, "ﾗﾀ"}, {ENTRY_PROSIGN, "ﾗﾀ"}};
    EXPECT_EQ(characters(), expected);
}

TEST_F(Decoder, TogglingAutoSwitchForgetsAPendingSignal)
{
    s.alphabet_auto_switch = true;
    key_character("-..---");
    decoder_reset_switch_counts(d);
    key_character("-..---");
    EXPECT_TRUE(out.switches.empty());
    key_character("-..---");
    EXPECT_EQ(out.switches, std::vector<int>{ALPHABET_WABUN});
}

TEST_F(Decoder, ReadoutsOnlyWhenUnitTimeDisplayIsOn)
{
    key_character(".-");
    EXPECT_TRUE(out.readouts.empty());
    s.unit_time_display = true;
    key_character(".-");
    key_character("--");
    EXPECT_EQ(out.readouts.size(), 2u);
}
