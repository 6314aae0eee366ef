#include "win32/common/dialog_layout.h"

#include <commctrl.h>

void set_trackbar(HWND dialog, int id, int low, int high, int position)
{
    HWND trackbar = GetDlgItem(dialog, id);
    SendMessageA(trackbar, TBM_SETRANGE, TRUE, MAKELPARAM(low, high));
    SendMessageA(trackbar, TBM_SETPOS, TRUE, position);
}

int trackbar_position(HWND trackbar)
{
    return static_cast<int>(SendMessageA(trackbar, TBM_GETPOS, 0, 0));
}

void ensure_client_size(HWND hwnd, int min_width, int min_height)
{
    RECT client;
    GetClientRect(hwnd, &client);
    const int missing_width = min_width - client.right;
    const int missing_height = min_height - client.bottom;
    if (missing_width <= 0 && missing_height <= 0)
        return;
    RECT window;
    GetWindowRect(hwnd, &window);
    const int width = window.right - window.left + (missing_width > 0 ? missing_width : 0);
    const int height = window.bottom - window.top + (missing_height > 0 ? missing_height : 0);
    SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A menu bar that wraps to a second line takes client height; grow once more.
    GetClientRect(hwnd, &client);
    if (client.bottom < min_height)
        SetWindowPos(hwnd, nullptr, 0, 0, width, height + min_height - client.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
