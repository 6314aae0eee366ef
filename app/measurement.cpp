#include "app/measurement.h"

// The measurement sequences are not built yet; the buttons do nothing.
void start_sequence(HWND) {}
void stop_sequence(HWND) {}
void clear_sequence(HWND) {}
void print_and_replay(HWND) {}
void device_selection(HWND) {}
