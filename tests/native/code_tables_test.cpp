#include "core/analysis/code_tables.h"
#include "core/app/settings.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

struct listed_entry {
    int index;
    const char *code;
    const char *text;
    int kind;
};

// Every assigned position of both rows, transcribed independently of the
// program's own table: index, code, text, kind.
const listed_entry european[] = {
    {4, ".-", "A", 0},          {15, "-...", "B", 0},     {19, "-.-.", "C", 0},
    {7, "-..", "D", 0},         {0, ".", "E", 0},         {18, "..-.", "F", 0},
    {9, "--.", "G", 0},         {14, "....", "H", 0},     {2, "..", "I", 0},
    {28, ".---", "J", 0},       {11, "-.-", "K", 0},      {16, ".-..", "L", 0},
    {5, "--", "M", 0},          {3, "-.", "N", 0},        {13, "---", "O", 0},
    {20, ".--.", "P", 0},       {25, "--.-", "Q", 0},     {8, ".-.", "R", 0},
    {6, "...", "S", 0},         {1, "-", "T", 0},         {10, "..-", "U", 0},
    {22, "...-", "V", 0},       {12, ".--", "W", 0},      {23, "-..-", "X", 0},
    {27, "-.--", "Y", 0},       {17, "--..", "Z", 0},     {47, "-...-", "BT", 2},
    {40, ".-.-.", "AR", 2},     {32, ".-...", "AS", 2},   {74, "..--..", "?", 0},
    {254, "........", "HH", 2}, {39, "-..-.", "/", 0},    {102, "...-.-", "VA", 2},
    {60, ".----", "1", 0},      {58, "..---", "2", 0},    {54, "...--", "3", 0},
    {46, "....-", "4", 0},      {30, ".....", "5", 0},    {31, "-....", "6", 0},
    {33, "--...", "7", 0},      {37, "---..", "8", 0},    {45, "----.", "9", 0},
    {61, "-----", "0", 0},      {119, "-..---", "ﾎﾚ", 2}, {38, "...-.", "ﾗﾀ", 2},
    {113, "--..--", ",", 0},    {69, "---...", ":", 0},   {104, ".-.-.-", ".", 0},
    {92, ".----.", "'", 0},     {95, "-....-", "-", 0},   {43, "-.--.", "(", 0},
    {107, "-.--.-", ")", 0},    {80, ".-..-.", "\"", 0},  {566, "...---...", "SOS", 2},
};

const listed_entry wabun[] = {
    {4, ".-", "ｲ", 0},         {24, ".-.-", "ﾛ", 0},
    {15, "-...", "ﾊ", 0},      {19, "-.-.", "ﾆ", 0},
    {7, "-..", "ﾎ", 0},        {0, ".", "ﾍ", 0},
    {34, "..-..", "ﾄ", 0},     {18, "..-.", "ﾁ", 0},
    {9, "--.", "ﾘ", 0},        {14, "....", "ﾇ", 0},
    {43, "-.--.", "ﾙ", 0},     {28, ".---", "ｦ", 0},
    {11, "-.-", "ﾜ", 0},       {16, ".-..", "ｶ", 0},
    {5, "--", "ﾖ", 0},         {3, "-.", "ﾀ", 0},
    {13, "---", "ﾚ", 0},       {21, "---.", "ｿ", 0},
    {20, ".--.", "ﾂ", 0},      {25, "--.-", "ﾈ", 0},
    {8, ".-.", "ﾅ", 0},        {6, "...", "ﾗ", 0},
    {1, "-", "ﾑ", 0},          {10, "..-", "ｳ", 0},
    {48, ".-..-", "ｨ", 0},     {26, "..--", "ﾉ", 0},
    {32, ".-...", "ｵ", 0},     {22, "...-", "ｸ", 0},
    {12, ".--", "ﾔ", 0},       {23, "-..-", "ﾏ", 0},
    {27, "-.--", "ｹ", 0},      {17, "--..", "ﾌ", 0},
    {29, "----", "ｺ", 0},      {59, "-.---", "ｴ", 0},
    {56, ".-.--", "ﾃ", 0},     {57, "--.--", "ｱ", 0},
    {51, "-.-.-", "ｻ", 0},     {35, "-.-..", "ｷ", 0},
    {55, "-..--", "ﾕ", 0},     {47, "-...-", "ﾒ", 0},
    {50, "..-.-", "ﾐ", 0},     {41, "--.-.", "ｼ", 0},
    {36, ".--..", "ｪ", 0},     {49, "--..-", "ﾋ", 0},
    {39, "-..-.", "ﾓ", 0},     {44, ".---.", "ｾ", 0},
    {53, "---.-", "ｽ", 0},     {40, ".-.-.", "ﾝ", 0},
    {74, "..--..", "?", 0},    {60, ".----", "1", 0},
    {58, "..---", "2", 0},     {54, "...--", "3", 0},
    {46, "....-", "4", 0},     {30, ".....", "5", 0},
    {31, "-....", "6", 0},     {33, "--...", "7", 0},
    {37, "---..", "8", 0},     {45, "----.", "9", 0},
    {61, "-----", "0", 0},     {2, "..", "ﾞ", 0},
    {42, "..--.", "ﾟ", 0},     {64, ".-....", "ｶﾞ", 3},
    {131, "-.-....", "ｷﾞ", 3}, {70, "...-..", "ｸﾞ", 3},
    {75, "-.--..", "ｹﾞ", 3},   {77, "----..", "ｺﾞ", 3},
    {147, "-.-.-..", "ｻﾞ", 3}, {137, "--.-...", "ｼﾞ", 3},
    {149, "---.-..", "ｽﾞ", 3}, {140, ".---...", "ｾﾞ", 3},
    {69, "---...", "ｿﾞ", 3},   {66, "..-...", "ﾁﾞ", 3},
    {68, ".--...", "ﾂﾞ", 3},   {152, ".-.--..", "ﾃﾞ", 3},
    {130, "..-....", "ﾄﾞ", 3}, {63, "-.....", "ﾊﾞ", 3},
    {145, "--..-..", "ﾋﾞ", 3}, {65, "--....", "ﾌﾞ", 3},
    {119, "-..---", "ﾎﾚ", 2},  {38, "...-.", "ﾗﾀ", 2},
    {52, ".--.-", "ｰ", 0},     {104, ".-.-.-", "､", 0},
    {72, ".-.-..", "｣", 0},    {107, "-.--.-", "(", 0},
    {80, ".-..-.", ")", 0},    {254, "........", "HH", 2},
    {102, "...-.-", "VA", 2},  {566, "...---...", "SOS", 2},
};

template <int N> void expect_row(decode_alphabet_t alphabet, const listed_entry (&row)[N])
{
    for (const listed_entry &e : row) {
        EXPECT_EQ(code_index_of(e.code), e.index) << e.code;
        const code_entry &entry = code_table_entry(alphabet, e.index);
        EXPECT_EQ(std::string(entry.text, code_entry_length(entry)), e.text) << e.code;
        EXPECT_EQ(entry.kind, e.kind) << e.code;
    }
}

int assigned_count(decode_alphabet_t alphabet)
{
    int count = 0;
    for (int i = 0; i < CODE_TABLE_SIZE; ++i)
        if (&code_table_entry(alphabet, i) != &unassigned_code_entry())
            ++count;
    return count;
}

} // namespace

TEST(CodeTables, EveryListedIndexMatchesItsCodeAndHoldsItsEntry)
{
    build_morse_tables();
    expect_row(ALPHABET_EUROPEAN, european);
    expect_row(ALPHABET_WABUN, wabun);
}

TEST(CodeTables, OnlyListedPositionsAreAssignedTheRestShareTheErrorMark)
{
    build_morse_tables();
    EXPECT_EQ(assigned_count(ALPHABET_EUROPEAN), 54);
    EXPECT_EQ(assigned_count(ALPHABET_WABUN), 88);
    const code_entry &unassigned = unassigned_code_entry();
    EXPECT_EQ(unassigned.kind, ENTRY_ERROR);
    EXPECT_STREQ(unassigned.text, "*");
    // ..-- has no European entry; the last position of the nine-element block is free.
    EXPECT_EQ(&code_table_entry(ALPHABET_EUROPEAN, 26), &unassigned);
    EXPECT_EQ(&code_table_entry(ALPHABET_WABUN, 1021), &unassigned);
    EXPECT_EQ(&code_table_entry(ALPHABET_WABUN, 1023), &unassigned);
}

TEST(CodeTables, CodeIndexBlocksByLength)
{
    const struct {
        const char *code;
        int index;
    } cases[] = {
        {".", 0},           {"-", 1},
        {"..", 2},          {"--", 5},
        {"...", 6},         {"---", 13},
        {"-...", 15},       {"........", 254},
        {".........", 510}, {"---------", 1021},
        {"..........", -1}, {"", -1},
        {".-x", -1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(code_index_of(c.code), c.index) << '"' << c.code << '"';
    EXPECT_EQ(code_index(6, 0x39u), 119); // -..--- : dashes at elements 0, 3, 4, 5
}

TEST(CodeTables, KanaAreSingleCodePage932Bytes)
{
    build_morse_tables();
    const code_entry &hore = code_table_entry(ALPHABET_WABUN, 119);
    EXPECT_EQ(std::string(hore.text, code_entry_length(hore)), "\xCE\xDA");
    const code_entry &ga = code_table_entry(ALPHABET_WABUN, 64);
    EXPECT_EQ(std::string(ga.text, code_entry_length(ga)), "\xB6\xDE");
    EXPECT_EQ(code_entry_length(code_table_entry(ALPHABET_EUROPEAN, 566)), 3);
}
