#include "core/analysis/decoder.h"

namespace
{

const decoder_state initial_state = {
    INITIAL_UNIT_MS, INITIAL_UNIT_MS, 0, 0, WORD_SPACE_SHOWN, 0, 0,
};

const code_entry word_space = {ENTRY_PLAIN, " "};

// Mark and space units are never negative, so the unsigned view is exact;
// comparisons of durations against them are unsigned.
uint32_t unsigned_unit(int32_t unit_ms)
{
    return static_cast<uint32_t>(unit_ms);
}

int32_t capped_unit(uint32_t unit_ms)
{
    return unit_ms > MAX_UNIT_MS ? MAX_UNIT_MS : static_cast<int32_t>(unit_ms);
}

// Running average weighing the new duration 1/8; truncates.
int32_t average_in(int32_t unit_ms, uint32_t d_ms)
{
    return capped_unit((7 * unsigned_unit(unit_ms) + d_ms) / 8);
}

// A signal switches the alphabet when it is decoded twice in a row; any other
// looked-up character starts its count again.
void count_switch_signal(int index, int signal_index, int32_t &count, decode_alphabet_t alphabet,
                         decoder_report &report)
{
    if (index != signal_index) {
        count = 0;
        return;
    }
    if (++count == 2) {
        report.alphabet_switched = true;
        report.switched_to = alphabet;
        count = 0;
    }
}

} // namespace

void decoder_end_character(decoder_state &d, const decoder_settings &s, decoder_report &report)
{
    report.unit_readouts = s.unit_time_display;

    if (d.element_count > MAX_CODE_ELEMENTS) {
        report.character = &unassigned_code_entry();
    } else if (d.element_count > 0) {
        const int index = code_index(d.element_count, d.code_bits);
        report.character = &code_table_entry(s.alphabet, index);
        if (s.alphabet_auto_switch) {
            count_switch_signal(index, SWITCH_TO_WABUN_INDEX, d.switch_to_wabun_count,
                                ALPHABET_WABUN, report);
            count_switch_signal(index, SWITCH_TO_EUROPEAN_INDEX, d.switch_to_european_count,
                                ALPHABET_EUROPEAN, report);
        }
    }

    d.element_count = 0;
    d.code_bits = 0;
    d.character_state = CHARACTER_SHOWN;
}

void decoder_init(decoder_state &d)
{
    d = initial_state;
}

void decoder_reset(decoder_state &d)
{
    d.element_count = 0;
    d.code_bits = 0;
    d.character_state = WORD_SPACE_SHOWN;
}

void decoder_raise_units_for_start(decoder_state &d)
{
    if (d.mark_unit_ms < MIN_START_UNIT_MS)
        d.mark_unit_ms = MIN_START_UNIT_MS;
    if (d.space_unit_ms < MIN_START_UNIT_MS)
        d.space_unit_ms = MIN_START_UNIT_MS;
}

void decoder_reset_switch_counts(decoder_state &d)
{
    d.switch_to_wabun_count = 0;
    d.switch_to_european_count = 0;
}

void decode_on_mark_accepted(decoder_state &d, uint32_t space_before_ms)
{
    d.character_state = CHARACTER_IN_PROGRESS;
    // A space shorter than two dots was a gap inside the character; longer
    // spaces (character and word gaps) teach nothing about either unit.
    if (space_before_ms < 2 * unsigned_unit(d.mark_unit_ms)) {
        d.space_unit_ms = average_in(d.space_unit_ms, space_before_ms);
        d.mark_unit_ms = average_in(d.mark_unit_ms, space_before_ms);
    }
}

void decode_on_space_accepted(decoder_state &d, uint32_t mark_ms)
{
    const uint32_t unit_ms = unsigned_unit(d.mark_unit_ms);
    if (mark_ms > 2 * unit_ms && d.element_count < 16)
        d.code_bits |= 1u << d.element_count;

    if (mark_ms < 2 * unit_ms)
        d.mark_unit_ms = average_in(d.mark_unit_ms, mark_ms);
    else if (mark_ms < 10 * unit_ms)
        // Dividing by 10 instead of 8 pulls the unit towards a third of the dash.
        d.mark_unit_ms = capped_unit((7 * unit_ms + mark_ms) / 10);
    // A mark of ten units or more is a held key, not keying: the unit stays.

    ++d.element_count;
}

const code_entry &word_space_entry()
{
    return word_space;
}
