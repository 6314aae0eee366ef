// Numbers given on a tool's command line, checked whole and within range.
#ifndef VENTROK_TOOLS_COMMON_NUMBER_TEXT_H
#define VENTROK_TOOLS_COMMON_NUMBER_TEXT_H

// True when the whole text is a decimal number within low..high; value then
// receives it, otherwise it stays as it was.
bool parse_long(const char *text, long low, long high, long &value);
bool parse_double(const char *text, double low, double high, double &value);

#endif
