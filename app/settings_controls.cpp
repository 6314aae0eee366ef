#include "app/settings_controls.h"

// The setting handlers are not built yet; the controls change nothing.
void on_setting_control(HWND, int) {}
void on_trackbar(HWND, HWND) {}
