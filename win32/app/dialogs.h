// The about dialog and the device selection dialog, both modal and owned by
// the main window.
#ifndef VENTROK_WIN32_APP_DIALOGS_H
#define VENTROK_WIN32_APP_DIALOGS_H

#include <windows.h>

#include "core/app/measurement_engine.h"

void run_about_dialog(HWND owner);

// Closes the capture while it is open; OK (also Esc and the close box)
// stores the chosen devices in the engine's settings, キャンセル keeps them.
// The main window's next paint opens the devices again.
void run_device_selection_dialog(HWND owner, measurement_engine &engine);

#endif
