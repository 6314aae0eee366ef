#include "display/level_meter.h"

// The level meter is not drawn yet.
void draw_level_meter(HWND, int) {}
