/* The program's version: the one place it is written. The main window's
   caption, the about box and the version resource are built from it, and
   scripts/package.sh reads the two numbers for the package's name.
   Plain #defines so that windres can read them too; windres joins adjacent
   string literals, so "Ver" VENTROK_VERSION_TEXT becomes "Ver0.5". */
#ifndef VENTROK_VERSION_H
#define VENTROK_VERSION_H

#define VENTROK_VERSION_MAJOR 0
#define VENTROK_VERSION_MINOR 5

#define VENTROK_STRINGIFY_(x) #x
#define VENTROK_STRINGIFY(x) VENTROK_STRINGIFY_(x)
#define VENTROK_VERSION_TEXT                                                                   \
    VENTROK_STRINGIFY(VENTROK_VERSION_MAJOR) "." VENTROK_STRINGIFY(VENTROK_VERSION_MINOR)

#endif
