// Handlers of the setting controls in the main window's top band.
#ifndef VENTROK_WIN32_APP_SETTINGS_CONTROLS_H
#define VENTROK_WIN32_APP_SETTINGS_CONTROLS_H

#include <windows.h>

#include "core/app/measurement_engine.h"

void on_setting_control(HWND hwnd, measurement_engine &engine, int id);
void on_trackbar(HWND hwnd, measurement_engine &engine, HWND trackbar);

#endif
