// Sources are UTF-8; the build turns every string literal into code page 932
// bytes (-fexec-charset=CP932, /execution-charset:.932), the encoding that the
// "A" functions draw and the keying data file holds. Every file with Japanese
// literals includes this guard, so a build without the flag stops here.
#ifndef VENTROK_CORE_CP932_LITERALS_H
#define VENTROK_CORE_CP932_LITERALS_H

static_assert(sizeof("ソ") == 3 && "ソ"[0] == '\x83' && "ソ"[1] == '\x5c',
              "string literals must be compiled to code page 932 (-fexec-charset=CP932)");
// Half-width katakana are single bytes in code page 932.
static_assert(sizeof("ﾎﾚ") == 3 && "ﾎﾚ"[0] == '\xCE' && "ﾎﾚ"[1] == '\xDA',
              "string literals must be compiled to code page 932 (-fexec-charset=CP932)");

#endif
