// The about dialog and the device selection dialog, both modal and owned by
// the main window.
#ifndef VENTROK_APP_DIALOGS_H
#define VENTROK_APP_DIALOGS_H

#include <windows.h>

void run_about_dialog(HWND owner);
void run_device_selection_dialog(HWND owner);

#endif
