// The adaptive Morse decoder: classifies each accepted mark as dot or dash
// against the mark unit, ends a character when the key-up outgrows the
// character gap, looks the code up in the current alphabet's table and
// reports what is to be shown: the character, the unit read-outs, an alphabet
// switch and the word space. It draws nothing and changes no setting; the
// measurement engine passes its reports on.
#ifndef VENTROK_CORE_ANALYSIS_DECODER_H
#define VENTROK_CORE_ANALYSIS_DECODER_H

#include <cstdint>

#include "core/analysis/code_tables.h"

enum code_interval_t { INTERVAL_NARROW = 0, INTERVAL_MEDIUM = 1, INTERVAL_WIDE = 2 };

enum character_state_t {
    CHARACTER_IN_PROGRESS = 0, // marks of a character are arriving
    CHARACTER_SHOWN = 1,       // character shown, waiting for a word gap
    WORD_SPACE_SHOWN = 2,      // word space shown (idle)
};

constexpr int32_t INITIAL_UNIT_MS = 50;
constexpr int32_t MIN_START_UNIT_MS = 10;
constexpr int32_t MAX_UNIT_MS = 200;

// The code indices of the alphabet switch signals ﾎﾚ (-..---) and ﾗﾀ (...-.).
constexpr int SWITCH_TO_WABUN_INDEX = code_index_of("-..---");
constexpr int SWITCH_TO_EUROPEAN_INDEX = code_index_of("...-.");

// What the decoder reads of the operator settings.
struct decoder_settings {
    decode_alphabet_t alphabet;
    code_interval_t code_interval;
    bool alphabet_auto_switch;
    bool unit_time_display;
};

struct decoder_state {
    int32_t mark_unit_ms;  // estimate of the dot length
    int32_t space_unit_ms; // estimate of the gap between elements
    int32_t element_count; // marks received in the current character
    uint32_t code_bits;    // bit i set when mark i of the character was a dash
    character_state_t character_state;
    int32_t switch_to_wabun_count;    // consecutive characters decoded as ﾎﾚ
    int32_t switch_to_european_count; // consecutive characters decoded as ﾗﾀ
};

// What one gap check produced, in the order it happened: the unit read-outs
// (a character ended while the unit time display is on), the character
// shown, the alphabet the auto switch turned to, and a word space shown.
struct decoder_report {
    bool unit_readouts;
    const code_entry *character; // null when no character was shown
    bool alphabet_switched;
    decode_alphabet_t switched_to;
    bool word_space;
};

// Program start values: both units 50, idle, counts 0.
void decoder_init(decoder_state &d);
// The reset shared by the start and clear sequences: idle, no elements.
void decoder_reset(decoder_state &d);
// At the start of a measurement each unit below 10 becomes 10.
void decoder_raise_units_for_start(decoder_state &d);
// Both alphabet switch counts to 0 (the 自動切替 check box was toggled).
void decoder_reset_switch_counts(decoder_state &d);

// Called by the measurement engine in this order within one sample.
void decode_on_mark_accepted(decoder_state &d, uint32_t space_before_ms);
void decode_on_space_accepted(decoder_state &d, uint32_t mark_ms);
// The character's end, when the key-up outgrew the character gap.
void decoder_end_character(decoder_state &d, const decoder_settings &s, decoder_report &report);

// The gap check of every key-up sample; elapsed_ms is the key-up so far,
// measured from the space start time. Once the key-up is longer than the
// character gap, (space unit x F) / 2 with F = 3, 4, 5 for the code
// interval, the character ends; once it is longer than six space units, a
// word space follows. Inline because it runs for every key-up sample.
inline decoder_report decode_gap_check(decoder_state &d, const decoder_settings &s,
                                       uint32_t elapsed_ms)
{
    decoder_report report = {false, nullptr, false, ALPHABET_EUROPEAN, false};
    // The units are never negative, so the unsigned view is exact.
    const uint32_t space_unit_ms = static_cast<uint32_t>(d.space_unit_ms);
    const uint32_t character_gap_factor = 3 + static_cast<uint32_t>(s.code_interval);
    if (d.character_state == CHARACTER_IN_PROGRESS &&
        elapsed_ms > space_unit_ms * character_gap_factor / 2)
        decoder_end_character(d, s, report);
    if (d.character_state == CHARACTER_SHOWN && elapsed_ms > 6 * space_unit_ms) {
        report.word_space = true;
        d.character_state = WORD_SPACE_SHOWN;
    }
    return report;
}

// Once the word space is shown, gap checks change nothing until the next
// accepted mark.
inline bool decoder_awaits_gap(const decoder_state &d)
{
    return d.character_state != WORD_SPACE_SHOWN;
}

// The word space " ", shown with the plain background.
const code_entry &word_space_entry();

#endif
