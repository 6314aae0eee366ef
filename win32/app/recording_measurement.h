// The measurement of a recorded keying in the main window. Its three ways in
// (ファイル > 録音ファイルを計測, a file dropped on the window, a file given on
// the command line) run one sequence: the file is opened and its header
// checked (a file that cannot be measured is reported and changes nothing),
// then the クリア sequence, 開始 for a recording, the recording's samples in
// captured blocks of 110 through the engine, and at its end the stop
// sequence as if 停止 were pressed. The blocks go through a slice at a time
// on timer messages, which come after painting and input, so the window
// keeps answering while a long recording is read.
#ifndef VENTROK_WIN32_APP_RECORDING_MEASUREMENT_H
#define VENTROK_WIN32_APP_RECORDING_MEASUREMENT_H

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "core/app/measurement_engine.h"

// The timer that drives the slices.
constexpr UINT_PTR RECORDING_TIMER_ID = 1;

// Whether a recording can be measured now: not while a live measurement is
// armed or recording, nor while another recording is measured.
bool recording_measurement_allowed(const measurement_engine &engine);

// The menu command: the open-file dialog, then the measurement.
void choose_and_measure_recording(HWND hwnd, measurement_engine &engine);

// Files dropped on the window or given on the command line: exactly one
// recording is measured; anything else is reported.
void measure_given_recordings(HWND hwnd, measurement_engine &engine,
                              const std::vector<std::wstring> &paths);

// The files of a drop, which is finished here.
std::vector<std::wstring> dropped_files(HDROP drop);

// WM_TIMER: the next slice of the recording.
void on_recording_timer(HWND hwnd, measurement_engine &engine);

// The window is going: the file is closed.
void end_recording_measurement(HWND hwnd);

#endif
