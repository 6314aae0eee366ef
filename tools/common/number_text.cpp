#include "tools/common/number_text.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

bool parse_long(const char *text, long low, long high, long &value)
{
    char *end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

bool parse_double(const char *text, double low, double high, double &value)
{
    char *end = nullptr;
    const double parsed = std::strtod(text, &end);
    // Written as a negation so that NaN is refused too.
    if (end == text || *end != '\0' || !(parsed >= low && parsed <= high))
        return false;
    value = parsed;
    return true;
}
