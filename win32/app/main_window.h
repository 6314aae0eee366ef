// The main window: a modal dialog from template 1000, alive for the whole run.
#ifndef VENTROK_WIN32_APP_MAIN_WINDOW_H
#define VENTROK_WIN32_APP_MAIN_WINDOW_H

#include <windows.h>

#include <string>
#include <vector>

#include "core/app/settings.h"

// Shell state owned by the main window.
struct shell_state {
    HINSTANCE instance;
    bool first_paint_pending;
    bool no_input_device;
};

const shell_state &shell();

// The device selection dialog asks for the first-paint step to run again.
void request_first_paint();
void set_no_input_device();

// Open audio with the devices chosen in the settings and the position of the
// monitor volume trackbar.
bool open_main_window_audio(HWND hwnd, const settings_record &settings);

// The entry sequence; returns the process exit code. The recordings named on
// the command line are measured once the window is up.
int run_ventrok(HINSTANCE instance, const std::vector<std::wstring> &recordings);

INT_PTR CALLBACK main_dialog_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

#endif
