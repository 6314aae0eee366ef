// The main window: a modal dialog from template 1000, alive for the whole run.
#ifndef VENTROK_APP_MAIN_WINDOW_H
#define VENTROK_APP_MAIN_WINDOW_H

#include <windows.h>

// Shell state owned by the main window.
struct shell_state {
    HINSTANCE instance;
    HWND main_window;
    int client_width;
    int client_height;
    bool first_paint_pending;
    bool no_input_device;
};

const shell_state &shell();
HBRUSH white_brush();

// The device selection dialog asks for the first-paint step to run again.
void request_first_paint();
void set_no_input_device();

// The smallest client area that holds every panel.
constexpr int MIN_CLIENT_WIDTH = 1145;
constexpr int MIN_CLIENT_HEIGHT = 825;

// The entry sequence; returns the process exit code.
int run_ventrok(HINSTANCE instance);

INT_PTR CALLBACK main_dialog_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

#endif
