#include "core/analysis/code_tables.h"

#include "core/cp932_literals.h"

#include <cstring>

// The texts are written in UTF-8 and compiled to code page 932, where each
// half-width katakana is one byte (ﾎ is 0xCE, ﾚ is 0xDA).

namespace
{

struct code_listing {
    const char *code; // dots and dashes in sending order
    code_entry entry;
};

// clang-format off
constexpr code_listing european_listing[] = {
    {".-", {ENTRY_PLAIN, "A"}},
    {"-...", {ENTRY_PLAIN, "B"}},
    {"-.-.", {ENTRY_PLAIN, "C"}},
    {"-..", {ENTRY_PLAIN, "D"}},
    {".", {ENTRY_PLAIN, "E"}},
    {"..-.", {ENTRY_PLAIN, "F"}},
    {"--.", {ENTRY_PLAIN, "G"}},
    {"....", {ENTRY_PLAIN, "H"}},
    {"..", {ENTRY_PLAIN, "I"}},
    {".---", {ENTRY_PLAIN, "J"}},
    {"-.-", {ENTRY_PLAIN, "K"}},
    {".-..", {ENTRY_PLAIN, "L"}},
    {"--", {ENTRY_PLAIN, "M"}},
    {"-.", {ENTRY_PLAIN, "N"}},
    {"---", {ENTRY_PLAIN, "O"}},
    {".--.", {ENTRY_PLAIN, "P"}},
    {"--.-", {ENTRY_PLAIN, "Q"}},
    {".-.", {ENTRY_PLAIN, "R"}},
    {"...", {ENTRY_PLAIN, "S"}},
    {"-", {ENTRY_PLAIN, "T"}},
    {"..-", {ENTRY_PLAIN, "U"}},
    {"...-", {ENTRY_PLAIN, "V"}},
    {".--", {ENTRY_PLAIN, "W"}},
    {"-..-", {ENTRY_PLAIN, "X"}},
    {"-.--", {ENTRY_PLAIN, "Y"}},
    {"--..", {ENTRY_PLAIN, "Z"}},
    {"-...-", {ENTRY_PROSIGN, "BT"}},
    {".-.-.", {ENTRY_PROSIGN, "AR"}},
    {".-...", {ENTRY_PROSIGN, "AS"}},
    {"..--..", {ENTRY_PLAIN, "?"}},
    {"........", {ENTRY_PROSIGN, "HH"}},
    {"-..-.", {ENTRY_PLAIN, "/"}},
    {"...-.-", {ENTRY_PROSIGN, "VA"}},
    {".----", {ENTRY_PLAIN, "1"}},
    {"..---", {ENTRY_PLAIN, "2"}},
    {"...--", {ENTRY_PLAIN, "3"}},
    {"....-", {ENTRY_PLAIN, "4"}},
    {".....", {ENTRY_PLAIN, "5"}},
    {"-....", {ENTRY_PLAIN, "6"}},
    {"--...", {ENTRY_PLAIN, "7"}},
    {"---..", {ENTRY_PLAIN, "8"}},
    {"----.", {ENTRY_PLAIN, "9"}},
    {"-----", {ENTRY_PLAIN, "0"}},
    {"-..---", {ENTRY_PROSIGN, "ﾎﾚ"}},
    {"...-.", {ENTRY_PROSIGN, "ﾗﾀ"}},
    {"--..--", {ENTRY_PLAIN, ","}},
    {"---...", {ENTRY_PLAIN, ":"}},
    {".-.-.-", {ENTRY_PLAIN, "."}},
    {".----.", {ENTRY_PLAIN, "'"}},
    {"-....-", {ENTRY_PLAIN, "-"}},
    {"-.--.", {ENTRY_PLAIN, "("}},
    {"-.--.-", {ENTRY_PLAIN, ")"}},
    {".-..-.", {ENTRY_PLAIN, "\""}},
    {"...---...", {ENTRY_PROSIGN, "SOS"}},
};
// clang-format on

// ｨ and ｪ stand for the kana ヰ and ヱ, which have no half-width form.
// clang-format off
constexpr code_listing wabun_listing[] = {
    {".-", {ENTRY_PLAIN, "ｲ"}},
    {".-.-", {ENTRY_PLAIN, "ﾛ"}},
    {"-...", {ENTRY_PLAIN, "ﾊ"}},
    {"-.-.", {ENTRY_PLAIN, "ﾆ"}},
    {"-..", {ENTRY_PLAIN, "ﾎ"}},
    {".", {ENTRY_PLAIN, "ﾍ"}},
    {"..-..", {ENTRY_PLAIN, "ﾄ"}},
    {"..-.", {ENTRY_PLAIN, "ﾁ"}},
    {"--.", {ENTRY_PLAIN, "ﾘ"}},
    {"....", {ENTRY_PLAIN, "ﾇ"}},
    {"-.--.", {ENTRY_PLAIN, "ﾙ"}},
    {".---", {ENTRY_PLAIN, "ｦ"}},
    {"-.-", {ENTRY_PLAIN, "ﾜ"}},
    {".-..", {ENTRY_PLAIN, "ｶ"}},
    {"--", {ENTRY_PLAIN, "ﾖ"}},
    {"-.", {ENTRY_PLAIN, "ﾀ"}},
    {"---", {ENTRY_PLAIN, "ﾚ"}},
    {"---.", {ENTRY_PLAIN, "ｿ"}},
    {".--.", {ENTRY_PLAIN, "ﾂ"}},
    {"--.-", {ENTRY_PLAIN, "ﾈ"}},
    {".-.", {ENTRY_PLAIN, "ﾅ"}},
    {"...", {ENTRY_PLAIN, "ﾗ"}},
    {"-", {ENTRY_PLAIN, "ﾑ"}},
    {"..-", {ENTRY_PLAIN, "ｳ"}},
    {".-..-", {ENTRY_PLAIN, "ｨ"}},
    {"..--", {ENTRY_PLAIN, "ﾉ"}},
    {".-...", {ENTRY_PLAIN, "ｵ"}},
    {"...-", {ENTRY_PLAIN, "ｸ"}},
    {".--", {ENTRY_PLAIN, "ﾔ"}},
    {"-..-", {ENTRY_PLAIN, "ﾏ"}},
    {"-.--", {ENTRY_PLAIN, "ｹ"}},
    {"--..", {ENTRY_PLAIN, "ﾌ"}},
    {"----", {ENTRY_PLAIN, "ｺ"}},
    {"-.---", {ENTRY_PLAIN, "ｴ"}},
    {".-.--", {ENTRY_PLAIN, "ﾃ"}},
    {"--.--", {ENTRY_PLAIN, "ｱ"}},
    {"-.-.-", {ENTRY_PLAIN, "ｻ"}},
    {"-.-..", {ENTRY_PLAIN, "ｷ"}},
    {"-..--", {ENTRY_PLAIN, "ﾕ"}},
    {"-...-", {ENTRY_PLAIN, "ﾒ"}},
    {"..-.-", {ENTRY_PLAIN, "ﾐ"}},
    {"--.-.", {ENTRY_PLAIN, "ｼ"}},
    {".--..", {ENTRY_PLAIN, "ｪ"}},
    {"--..-", {ENTRY_PLAIN, "ﾋ"}},
    {"-..-.", {ENTRY_PLAIN, "ﾓ"}},
    {".---.", {ENTRY_PLAIN, "ｾ"}},
    {"---.-", {ENTRY_PLAIN, "ｽ"}},
    {".-.-.", {ENTRY_PLAIN, "ﾝ"}},
    {"..--..", {ENTRY_PLAIN, "?"}},
    {".----", {ENTRY_PLAIN, "1"}},
    {"..---", {ENTRY_PLAIN, "2"}},
    {"...--", {ENTRY_PLAIN, "3"}},
    {"....-", {ENTRY_PLAIN, "4"}},
    {".....", {ENTRY_PLAIN, "5"}},
    {"-....", {ENTRY_PLAIN, "6"}},
    {"--...", {ENTRY_PLAIN, "7"}},
    {"---..", {ENTRY_PLAIN, "8"}},
    {"----.", {ENTRY_PLAIN, "9"}},
    {"-----", {ENTRY_PLAIN, "0"}},
    {"..", {ENTRY_PLAIN, "ﾞ"}},
    {"..--.", {ENTRY_PLAIN, "ﾟ"}},
    {".-....", {ENTRY_VOICED_KANA, "ｶﾞ"}},
    {"-.-....", {ENTRY_VOICED_KANA, "ｷﾞ"}},
    {"...-..", {ENTRY_VOICED_KANA, "ｸﾞ"}},
    {"-.--..", {ENTRY_VOICED_KANA, "ｹﾞ"}},
    {"----..", {ENTRY_VOICED_KANA, "ｺﾞ"}},
    {"-.-.-..", {ENTRY_VOICED_KANA, "ｻﾞ"}},
    {"--.-...", {ENTRY_VOICED_KANA, "ｼﾞ"}},
    {"---.-..", {ENTRY_VOICED_KANA, "ｽﾞ"}},
    {".---...", {ENTRY_VOICED_KANA, "ｾﾞ"}},
    {"---...", {ENTRY_VOICED_KANA, "ｿﾞ"}},
    {"..-...", {ENTRY_VOICED_KANA, "ﾁﾞ"}},
    {".--...", {ENTRY_VOICED_KANA, "ﾂﾞ"}},
    {".-.--..", {ENTRY_VOICED_KANA, "ﾃﾞ"}},
    {"..-....", {ENTRY_VOICED_KANA, "ﾄﾞ"}},
    {"-.....", {ENTRY_VOICED_KANA, "ﾊﾞ"}},
    {"--..-..", {ENTRY_VOICED_KANA, "ﾋﾞ"}},
    {"--....", {ENTRY_VOICED_KANA, "ﾌﾞ"}},
    {"-..---", {ENTRY_PROSIGN, "ﾎﾚ"}},
    {"...-.", {ENTRY_PROSIGN, "ﾗﾀ"}},
    {".--.-", {ENTRY_PLAIN, "ｰ"}},
    {".-.-.-", {ENTRY_PLAIN, "､"}},
    {".-.-..", {ENTRY_PLAIN, "｣"}},
    {"-.--.-", {ENTRY_PLAIN, "("}},
    {".-..-.", {ENTRY_PLAIN, ")"}},
    {"........", {ENTRY_PROSIGN, "HH"}},
    {"...-.-", {ENTRY_PROSIGN, "VA"}},
    {"...---...", {ENTRY_PROSIGN, "SOS"}},
};
// clang-format on

template <int N> constexpr bool all_codes_valid(const code_listing (&listing)[N])
{
    for (int i = 0; i < N; ++i)
        if (code_index_of(listing[i].code) < 0)
            return false;
    return true;
}
static_assert(all_codes_valid(european_listing), "malformed code in the European table");
static_assert(all_codes_valid(wabun_listing), "malformed code in the Wabun table");

const code_entry unassigned = {ENTRY_ERROR, "*"};

const code_entry *tables[2][CODE_TABLE_SIZE];

template <int N> void fill_row(const code_entry **row, const code_listing (&listing)[N])
{
    for (int i = 0; i < CODE_TABLE_SIZE; ++i)
        row[i] = &unassigned;
    for (int i = 0; i < N; ++i)
        row[code_index_of(listing[i].code)] = &listing[i].entry;
}

} // namespace

void build_morse_tables()
{
    fill_row(tables[ALPHABET_EUROPEAN], european_listing);
    fill_row(tables[ALPHABET_WABUN], wabun_listing);
}

const code_entry &code_table_entry(decode_alphabet_t alphabet, int index)
{
    return *tables[alphabet][index];
}

const code_entry &unassigned_code_entry()
{
    return unassigned;
}

int code_entry_length(const code_entry &entry)
{
    return static_cast<int>(std::strlen(entry.text));
}
