#include "system_error.h"

#include <cstring>

std::string system_error_text(int error_number)
{
    char buffer[256];
    // The GNU strerror_r: returns the text, in buffer or a constant string.
    return strerror_r(error_number, buffer, sizeof buffer);
}
