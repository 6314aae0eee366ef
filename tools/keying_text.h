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

constexpr double kPi = 3.14159265358979323846;

// xorshift64* with Box-Muller normals: the same output on every machine.
struct Rng {
    std::uint64_t state;
    bool has_spare = false;
    double spare = 0.0;
};

inline Rng make_rng(unsigned long long seed, std::uint64_t stream)
{
    Rng r;
    r.state = (seed ^ (stream * 0x9E3779B97F4A7C15ull)) | 1ull;
    return r;
}

inline double rng_uniform(Rng &r) // in (0, 1]
{
    r.state ^= r.state >> 12;
    r.state ^= r.state << 25;
    r.state ^= r.state >> 27;
    std::uint64_t x = r.state * 0x2545F4914F6CDD1Dull;
    return (double)((x >> 11) + 1) / 9007199254740992.0;
}

inline double rng_normal(Rng &r)
{
    if (r.has_spare) {
        r.has_spare = false;
        return r.spare;
    }
    double radius = std::sqrt(-2.0 * std::log(rng_uniform(r)));
    double angle = 2.0 * kPi * rng_uniform(r);
    r.spare = radius * std::sin(angle);
    r.has_spare = true;
    return radius * std::cos(angle);
}

// International Morse code: letters, digits and common punctuation.
struct MorseCode {
    char ch;
    const char *code;
};

constexpr MorseCode kMorse[] = {
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
    for (const MorseCode &m : kMorse)
        if (m.ch == c)
            return m.code;
    return nullptr;
}

} // namespace keying_text

#endif
