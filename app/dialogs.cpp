#include "app/dialogs.h"

#include "app/main_window.h"
#include "resources/resource_ids.h"

static INT_PTR CALLBACK about_dialog_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
            EndDialog(hwnd, LOWORD(wparam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void run_about_dialog(HWND owner)
{
    DialogBoxParamA(shell().instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, about_dialog_proc, 0);
}

// The device selection dialog is not built yet.
void run_device_selection_dialog(HWND) {}
