// The adaptive Morse decoder: classifies each accepted mark as dot or dash
// against the mark unit, ends a character when the key-up outgrows the
// character gap, looks the code up in the current alphabet's table and
// reports the text, the unit read-outs and alphabet switches to the window.
#ifndef VENTROK_ANALYSIS_DECODER_H
#define VENTROK_ANALYSIS_DECODER_H

#include <cstdint>

enum character_state_t {
    CHARACTER_IN_PROGRESS = 0, // marks of a character are arriving
    CHARACTER_SHOWN = 1,       // character shown, waiting for a word gap
    WORD_SPACE_SHOWN = 2,      // word space shown (idle)
};

constexpr int32_t INITIAL_UNIT_MS = 50;
constexpr int32_t MIN_START_UNIT_MS = 10;
constexpr int32_t MAX_UNIT_MS = 200;

// The code indices of the alphabet switch signals ﾎﾚ (-..---) and ﾗﾀ (...-.).
constexpr int SWITCH_TO_WABUN_INDEX = 119;
constexpr int SWITCH_TO_EUROPEAN_INDEX = 38;

struct decoder_state {
    int32_t mark_unit_ms;  // estimate of the dot length
    int32_t space_unit_ms; // estimate of the gap between elements
    int32_t element_count; // marks received in the current character
    uint32_t code_bits;    // bit i set when mark i of the character was a dash
    character_state_t character_state;
    int32_t switch_to_wabun_count;    // consecutive characters decoded as ﾎﾚ
    int32_t switch_to_european_count; // consecutive characters decoded as ﾗﾀ
};

// How the decoder reaches the window. Every pointer may be null (no-op).
struct decoder_output {
    void *context;
    // text: length bytes of code page 932 (1..3), NUL-terminated as well.
    void (*show_decoded_text)(void *context, int kind, const char *text, int length);
    // The numbers of the read-outs "MARK :%3dms" and "SPACE:%3dms".
    void (*write_unit_readouts)(void *context, int32_t mark_unit_ms, int32_t space_unit_ms);
    // The auto switch changed the decode alphabet; the 欧文/和文 radios follow.
    void (*alphabet_switched)(void *context, int new_alphabet);
};

const decoder_state &decoder();

// Program start values: both units 50, idle, counts 0.
void init_decoder();
void set_decoder_output(const decoder_output &output);

// The reset shared by the start and clear sequences: idle, no elements.
void reset_decoder();
// At the start of a measurement each unit below 10 becomes 10.
void raise_decoder_units_for_start();
// Both alphabet switch counts to 0 (the 自動切替 check box was toggled).
void reset_alphabet_switch_counts();

// Called by the block processor in this order within one sample.
void decode_on_mark_accepted(uint32_t space_before_ms);
void decode_on_space_accepted(uint32_t mark_ms);
void decode_gap_check(uint32_t elapsed_ms); // elapsed_ms: key-up so far

#endif
