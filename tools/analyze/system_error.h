// The text of a system error number, safe to call from several threads at
// once (std::strerror may share one buffer between them).
#ifndef VENTROK_ANALYZE_SYSTEM_ERROR_H
#define VENTROK_ANALYZE_SYSTEM_ERROR_H

#include <string>

std::string system_error_text(int error_number);

#endif
