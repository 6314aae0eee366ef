/* Resource and control identifiers shared by the windows of win32/ and the
   resource script. Plain #defines so that windres can read them too. */
#ifndef VENTROK_WIN32_RESOURCES_RESOURCE_IDS_H
#define VENTROK_WIN32_RESOURCES_RESOURCE_IDS_H

/* Dialog templates and menu */
#define IDD_MAIN 1000
#define IDD_ABOUT 106
#define IDD_DEVICES 108
#define IDD_REPLAY 110
#define IDM_MAIN 1029

/* Menu commands of the main window */
#define IDM_EXIT 104
#define IDM_ABOUT 105
#define IDM_DEVICES 107
#define IDM_MEASURE_RECORDING 109

/* Main window controls */
#define IDC_START 1005
#define IDC_STOP 1007
#define IDC_MONITOR_VOLUME 1008
#define IDC_THRESHOLD 1009
#define IDC_MONITOR 1012
#define IDC_EUROPEAN 1013
#define IDC_WABUN 1014
#define IDC_CLEAR 1015
#define IDC_REPLAY 1016
#define IDC_DOUBLE_SPEED 1018
#define IDC_KEY_DELAY 1019
#define IDC_UNIT_DISPLAY 1021
#define IDC_KEY_DELAY_TEXT 1023
#define IDC_INTERVAL_NARROW 1024
#define IDC_INTERVAL_MEDIUM 1025
#define IDC_INTERVAL_WIDE 1026
#define IDC_AUTO_SWITCH 1027
#define IDC_LARGE_TEXT 1028
#define IDC_CLIPPING 1035

/* Device selection dialog (OK carries IDCANCEL, 2, so Esc acts as OK) */
#define IDC_OUTPUT_LIST 1001
#define IDC_INPUT_LIST 1002
#define IDC_DEVICES_OK 2
#define IDC_DEVICES_CANCEL 3

/* Print and replay window */
#define IDC_POINTER 1000
#define IDC_SPEED_TEXT 1002
#define IDC_PLAY 1004
#define IDC_REPLAY_EXIT 1005
#define IDC_REPLAY_VOLUME 1008
#define IDC_SPEED 1009

#endif
