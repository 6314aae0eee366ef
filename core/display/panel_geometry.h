// Where the main window's panels are drawn: fixed pixels of the client area,
// origin top left. The Win32 drawing code and its tests share these.
#ifndef VENTROK_CORE_DISPLAY_PANEL_GEOMETRY_H
#define VENTROK_CORE_DISPLAY_PANEL_GEOMETRY_H

// A rectangle of client pixels, right and bottom excluded.
struct panel_rect {
    int left;
    int top;
    int right;
    int bottom;
};

// The smallest client area that holds every panel.
constexpr int MIN_CLIENT_WIDTH = 1145;
constexpr int MIN_CLIENT_HEIGHT = 825;

// The band copied from the back buffer to the screen at every meter update.
constexpr int PANEL_BAND_TOP = 150;
constexpr int PANEL_BAND_WIDTH = 1145;
constexpr int PANEL_BAND_HEIGHT = 675;

// What the panel clear whitens: the panel area and the decoded text line.
constexpr panel_rect PANEL_AREA = {0, 150, 1145, 675};
constexpr panel_rect DECODED_TEXT_AREA = {15, 89, 1134, 147};

// The statistics panel after a stop, and the live histogram band below it.
constexpr panel_rect STATISTICS_PANEL_AREA = {0, 152, 1145, 390};
constexpr panel_rect LIVE_HISTOGRAM_AREA = {0, 370, 1145, 675};

// Baselines of the two graphs of both histogram kinds; each is at most 100
// pixels high.
constexpr int MARK_GRAPH_BASE = 630;
constexpr int SPACE_GRAPH_BASE = 510;
constexpr int GRAPH_HEIGHT = 100;

#endif
