// Shared by the test-signal tools: a seeded generator that gives the same
// numbers on every machine, and the international Morse code of the
// characters a sent text may use (written independently of the program's
// own code tables, so that the tools can check them).
#ifndef VENTROK_TOOLS_KEYING_TEXT_H
#define VENTROK_TOOLS_KEYING_TEXT_H

#include <cmath>
#include <cstdint>

namespace keying_text
{

constexpr double PI = 3.14159265358979323846;

// xorshift64* with Box-Muller normals: the same output on every machine.
struct rng {
    std::uint64_t state;
    bool has_spare = false;
    double spare = 0.0;
};

inline rng make_rng(unsigned long long seed, std::uint64_t stream)
{
    rng r;
    r.state = (seed ^ (stream * 0x9E3779B97F4A7C15ull)) | 1ull;
    return r;
}

inline double rng_uniform(rng &r) // in (0, 1]
{
    r.state ^= r.state >> 12;
    r.state ^= r.state << 25;
    r.state ^= r.state >> 27;
    std::uint64_t x = r.state * 0x2545F4914F6CDD1Dull;
    return (double)((x >> 11) + 1) / 9007199254740992.0;
}

inline double rng_normal(rng &r)
{
    if (r.has_spare) {
        r.has_spare = false;
        return r.spare;
    }
    double radius = std::sqrt(-2.0 * std::log(rng_uniform(r)));
    double angle = 2.0 * PI * rng_uniform(r);
    r.spare = radius * std::sin(angle);
    r.has_spare = true;
    return radius * std::cos(angle);
}

// International Morse code: letters, digits and common punctuation.
struct morse_letter {
    char ch;
    const char *code;
};

constexpr morse_letter MORSE_LETTERS[] = {
    {'A', ".-"},     {'B', "-..."},   {'C', "-.-."},    {'D', "-.."},    {'E', "."},
    {'F', "..-."},   {'G', "--."},    {'H', "...."},    {'I', ".."},     {'J', ".---"},
    {'K', "-.-"},    {'L', ".-.."},   {'M', "--"},      {'N', "-."},     {'O', "---"},
    {'P', ".--."},   {'Q', "--.-"},   {'R', ".-."},     {'S', "..."},    {'T', "-"},
    {'U', "..-"},    {'V', "...-"},   {'W', ".--"},     {'X', "-..-"},   {'Y', "-.--"},
    {'Z', "--.."},   {'0', "-----"},  {'1', ".----"},   {'2', "..---"},  {'3', "...--"},
    {'4', "....-"},  {'5', "....."},  {'6', "-...."},   {'7', "--..."},  {'8', "---.."},
    {'9', "----."},  {'.', ".-.-.-"}, {',', "--..--"},  {'?', "..--.."}, {'\'', ".----."},
    {'!', "-.-.--"}, {'/', "-..-."},  {'(', "-.--."},   {')', "-.--.-"}, {'&', ".-..."},
    {':', "---..."}, {';', "-.-.-."}, {'=', "-...-"},   {'+', ".-.-."},  {'-', "-....-"},
    {'_', "..--.-"}, {'"', ".-..-."}, {'$', "...-..-"}, {'@', ".--.-."},
};

inline const char *morse_code_of(char c)
{
    if (c >= 'a' && c <= 'z')
        c = (char)(c - 'a' + 'A');
    for (const morse_letter &m : MORSE_LETTERS)
        if (m.ch == c)
            return m.code;
    return nullptr;
}

} // namespace keying_text

#endif
