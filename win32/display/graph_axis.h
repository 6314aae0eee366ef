// The axes of the histograms: the live histograms' time axes and the
// statistics panel's ratio axes share one shape.
#ifndef VENTROK_WIN32_DISPLAY_GRAPH_AXIS_H
#define VENTROK_WIN32_DISPLAY_GRAPH_AXIS_H

#include <windows.h>

// An axis from left to left + 500 at the baseline base and up to base - 100
// at left, with the selected pen; for j = 1..5 a short tick (4 pixels) at
// left + 100 j - 50 and a long one (7 pixels) at left + 100 j. With a label
// format, each long tick gets the label of j x label_step at
// (left + 100 j - 10, base + 10).
void draw_graph_axis(HDC dc, int left, int base, const char *label_format, int label_step);

#endif
