// Handlers of the setting controls in the main window's top band.
#ifndef VENTROK_APP_SETTINGS_CONTROLS_H
#define VENTROK_APP_SETTINGS_CONTROLS_H

#include <windows.h>

void on_setting_control(HWND hwnd, int id);
void on_trackbar(HWND hwnd, HWND trackbar);

#endif
