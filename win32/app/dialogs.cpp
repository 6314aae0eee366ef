#include "win32/app/dialogs.h"

#include <mmsystem.h>

#include <cstdio>

#include "core/cp932_literals.h"
#include "win32/app/main_window.h"
#include "win32/audio/devices.h"
#include "win32/resources/resource_ids.h"

// The engine whose settings the device selection dialog shows and changes,
// for the time the dialog runs.
static measurement_engine *device_dialog_engine;

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

// A device whose capabilities cannot be read still gets an entry, so that
// the position of every entry stays equal to its device identifier.
static void add_unreadable_device(HWND list, UINT id)
{
    char name[64];
    std::snprintf(name, sizeof name, "(デバイス %u)", id);
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
}

// Lists the devices 0 .. count - 1 by their product names and selects the
// entry at the selected device's position; the same for capture devices
// and outputs, whose capabilities records both name the product szPname.
template <typename caps_record>
void fill_device_list(HWND list, UINT count,
                      MMRESULT(WINAPI *get_caps)(UINT_PTR, caps_record *, UINT),
                      uint32_t selected_device)
{
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (UINT id = 0; id < count; id++) {
        caps_record caps;
        if (get_caps(id, &caps, sizeof caps) == MMSYSERR_NOERROR)
            SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(caps.szPname));
        else
            add_unreadable_device(list, id);
    }
    SendMessageA(list, CB_SETCURSEL, selected_device, 0);
}

static void fill_output_list(HWND dialog, uint32_t selected_output_device)
{
    const UINT count = waveOutGetNumDevs();
    if (count > 0)
        fill_device_list<WAVEOUTCAPSA>(GetDlgItem(dialog, IDC_OUTPUT_LIST), count,
                                       waveOutGetDevCapsA, selected_output_device);
}

static void fill_input_list(HWND dialog, uint32_t selected_input_device)
{
    const UINT count = waveInGetNumDevs();
    if (count == 0) {
        set_no_input_device();
        return;
    }
    fill_device_list<WAVEINCAPSA>(GetDlgItem(dialog, IDC_INPUT_LIST), count, waveInGetDevCapsA,
                                  selected_input_device);
}

// CB_ERR (no entry selected) becomes the device identifier minus one,
// WAVE_MAPPER: the system's default device.
static uint32_t selected_device(HWND dialog, int list_id)
{
    const LRESULT position = SendDlgItemMessageA(dialog, list_id, CB_GETCURSEL, 0, 0);
    return static_cast<uint32_t>(position);
}

// The main window's next paint repeats its first-paint step with the stored
// devices; the analysis stays suspended and the selection is no longer
// pending (the clear sequence that ran the dialog has seen to both).
static INT_PTR end_device_selection(HWND dialog, int button)
{
    request_first_paint();
    EndDialog(dialog, button);
    return TRUE;
}

static INT_PTR on_init_device_dialog(HWND hwnd)
{
    // Capture stops while the dialog is open, so that the next open audio
    // opens the new choice.
    close_capture();
    EnableWindow(GetDlgItem(hwnd, IDC_OUTPUT_LIST), TRUE);
    EnableWindow(GetDlgItem(hwnd, IDC_INPUT_LIST), TRUE);
    const settings_record &settings = device_dialog_engine->settings;
    fill_output_list(hwnd, settings.selected_output_device);
    fill_input_list(hwnd, settings.selected_input_device);
    return TRUE;
}

static INT_PTR CALLBACK device_dialog_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return on_init_device_dialog(hwnd);
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_DEVICES_OK: // also the Esc key and the close box
            engine_select_devices(*device_dialog_engine, selected_device(hwnd, IDC_INPUT_LIST),
                                  selected_device(hwnd, IDC_OUTPUT_LIST));
            return end_device_selection(hwnd, IDC_DEVICES_OK);
        case IDC_DEVICES_CANCEL:
            return end_device_selection(hwnd, IDC_DEVICES_CANCEL);
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

void run_device_selection_dialog(HWND owner, measurement_engine &engine)
{
    device_dialog_engine = &engine;
    DialogBoxParamA(shell().instance, MAKEINTRESOURCEA(IDD_DEVICES), owner, device_dialog_proc, 0);
    // The paint after the dialog reopens the devices. Uncovering the window
    // does not always cause one (Wine redraws it from its own copy), so ask
    // for it.
    InvalidateRect(owner, nullptr, FALSE);
}
