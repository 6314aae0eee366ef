#include "core/analysis/decoder.h"

#include "core/analysis/code_tables.h"
#include "core/app/settings.h"

namespace
{

const decoder_state initial_state = {
    INITIAL_UNIT_MS, INITIAL_UNIT_MS, 0, 0, WORD_SPACE_SHOWN, 0, 0,
};

decoder_state state = initial_state;
decoder_output output = {nullptr, nullptr, nullptr, nullptr};

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

void show(const code_entry &entry)
{
    if (output.show_decoded_text)
        output.show_decoded_text(output.context, entry.kind, entry.text, code_entry_length(entry));
}

void show_word_space()
{
    static const code_entry word_space = {ENTRY_PLAIN, " "};
    show(word_space);
}

// The character gap factor F of the code interval: 3, 4 or 5.
uint32_t character_gap_factor()
{
    return 3 + static_cast<uint32_t>(settings().code_interval);
}

void switch_alphabet(int alphabet)
{
    settings_for_update().decode_alphabet = alphabet;
    if (output.alphabet_switched)
        output.alphabet_switched(output.context, alphabet);
}

// A signal switches the alphabet when it is decoded twice in a row; any other
// looked-up character starts its count again.
void count_switch_signal(int index, int signal_index, int32_t &count, int alphabet)
{
    if (index != signal_index) {
        count = 0;
        return;
    }
    if (++count == 2) {
        switch_alphabet(alphabet);
        count = 0;
    }
}

void end_character()
{
    if (settings().unit_time_display && output.write_unit_readouts)
        output.write_unit_readouts(output.context, state.mark_unit_ms, state.space_unit_ms);

    if (state.element_count > MAX_CODE_ELEMENTS) {
        show(unassigned_code_entry());
    } else if (state.element_count > 0) {
        const int index = code_index(state.element_count, state.code_bits);
        show(code_table_entry(settings().decode_alphabet, index));
        if (settings().alphabet_auto_switch) {
            count_switch_signal(index, SWITCH_TO_WABUN_INDEX, state.switch_to_wabun_count,
                                ALPHABET_WABUN);
            count_switch_signal(index, SWITCH_TO_EUROPEAN_INDEX, state.switch_to_european_count,
                                ALPHABET_EUROPEAN);
        }
    }

    state.element_count = 0;
    state.code_bits = 0;
    state.character_state = CHARACTER_SHOWN;
}

} // namespace

const decoder_state &decoder()
{
    return state;
}

void init_decoder()
{
    state = initial_state;
}

void set_decoder_output(const decoder_output &new_output)
{
    output = new_output;
}

void reset_decoder()
{
    state.element_count = 0;
    state.code_bits = 0;
    state.character_state = WORD_SPACE_SHOWN;
}

void raise_decoder_units_for_start()
{
    if (state.mark_unit_ms < MIN_START_UNIT_MS)
        state.mark_unit_ms = MIN_START_UNIT_MS;
    if (state.space_unit_ms < MIN_START_UNIT_MS)
        state.space_unit_ms = MIN_START_UNIT_MS;
}

void reset_alphabet_switch_counts()
{
    state.switch_to_wabun_count = 0;
    state.switch_to_european_count = 0;
}

void decode_on_mark_accepted(uint32_t space_before_ms)
{
    state.character_state = CHARACTER_IN_PROGRESS;
    // A space shorter than two dots was a gap inside the character; longer
    // spaces (character and word gaps) teach nothing about either unit.
    if (space_before_ms < 2 * unsigned_unit(state.mark_unit_ms)) {
        state.space_unit_ms = average_in(state.space_unit_ms, space_before_ms);
        state.mark_unit_ms = average_in(state.mark_unit_ms, space_before_ms);
    }
}

void decode_on_space_accepted(uint32_t mark_ms)
{
    const uint32_t unit_ms = unsigned_unit(state.mark_unit_ms);
    if (mark_ms > 2 * unit_ms && state.element_count < 16)
        state.code_bits |= 1u << state.element_count;

    if (mark_ms < 2 * unit_ms)
        state.mark_unit_ms = average_in(state.mark_unit_ms, mark_ms);
    else if (mark_ms < 10 * unit_ms)
        // Dividing by 10 instead of 8 pulls the unit towards a third of the dash.
        state.mark_unit_ms = capped_unit((7 * unit_ms + mark_ms) / 10);
    // A mark of ten units or more is a held key, not keying: the unit stays.

    ++state.element_count;
}

void decode_gap_check(uint32_t elapsed_ms)
{
    const uint32_t space_unit_ms = unsigned_unit(state.space_unit_ms);
    if (state.character_state == CHARACTER_IN_PROGRESS &&
        elapsed_ms > space_unit_ms * character_gap_factor() / 2) {
        end_character();
    }
    if (state.character_state == CHARACTER_SHOWN && elapsed_ms > 6 * space_unit_ms) {
        show_word_space();
        state.character_state = WORD_SPACE_SHOWN;
    }
}
