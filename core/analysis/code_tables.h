// The two Morse code tables, European (row 0) and Wabun (row 1), indexed by
// the code index of a character. Built once at program start, read-only after.
#ifndef VENTROK_CORE_ANALYSIS_CODE_TABLES_H
#define VENTROK_CORE_ANALYSIS_CODE_TABLES_H

#include <cstdint>

// The two alphabets, one table each.
enum decode_alphabet_t { ALPHABET_EUROPEAN = 0, ALPHABET_WABUN = 1 };

// The kind of a code entry selects the background colour of the shown text.
enum entry_kind_t {
    ENTRY_PLAIN = 0,       // plain character, white
    ENTRY_ERROR = 1,       // error mark "*", red
    ENTRY_PROSIGN = 2,     // procedure signal written as two or three letters or kana, green
    ENTRY_VOICED_KANA = 3, // kana followed by the voicing mark, yellow
};

// A code entry: the kind byte, then 1 to 3 single-byte code page 932
// characters and a terminating NUL.
struct code_entry {
    uint8_t kind; // entry_kind_t
    char text[4];
};

constexpr int CODE_TABLE_SIZE = 1024;
constexpr int MAX_CODE_ELEMENTS = 9; // longer characters have no code index

// Code index of a character of element_count (1..9) elements, bit i of
// code_bits set when element i (in sending order) was a dash:
// 2^element_count - 2 + code_bits, so each length has its own block.
constexpr int code_index(int element_count, uint32_t code_bits)
{
    return (1 << element_count) - 2 + static_cast<int>(code_bits);
}

// Code index of a written code such as "-..---"; -1 when the text is empty,
// longer than nine elements or holds anything but '.' and '-'.
constexpr int code_index_of(const char *code)
{
    int element_count = 0;
    uint32_t code_bits = 0;
    for (; code[element_count] != '\0'; ++element_count) {
        if (element_count == MAX_CODE_ELEMENTS)
            return -1;
        if (code[element_count] == '-')
            code_bits |= 1u << element_count;
        else if (code[element_count] != '.')
            return -1;
    }
    return element_count == 0 ? -1 : code_index(element_count, code_bits);
}

// Fills both rows: the unassigned entry everywhere, then the listed codes.
void build_morse_tables();

// The entry of an alphabet's table at index 0..1023.
const code_entry &code_table_entry(decode_alphabet_t alphabet, int index);

// The shared entry "*" of kind 1 that fills every unassigned position.
const code_entry &unassigned_code_entry();

// Byte length of an entry's text (1..3).
int code_entry_length(const code_entry &entry);

#endif
