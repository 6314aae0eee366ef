// The capture device and the monitor output of the main window, with their
// two static rings of 20 buffers of 220 bytes (110 samples, about 10 ms).
#ifndef VENTROK_AUDIO_DEVICES_H
#define VENTROK_AUDIO_DEVICES_H

#include <windows.h>
#include <mmsystem.h>

constexpr int RING_BUFFERS = 20;
constexpr DWORD RING_BUFFER_BYTES = 220;

struct audio_devices {
    HWAVEIN capture;  // open exactly when not null
    HWAVEOUT monitor; // open exactly when not null
    WAVEHDR capture_headers[RING_BUFFERS];
    WAVEHDR monitor_headers[RING_BUFFERS]; // dwBufferLength 0 marks a free buffer
};

const audio_devices &devices();

// Marks both devices closed and zeroes both header tables (entry sequence).
void mark_audio_closed();

// Opens and starts the capture device and opens the monitor output with the
// selected devices. Succeeds at once when the capture device is already open.
bool open_audio(HWND main_window);

// Closes the capture device unless the analysis is suspended; in every case
// enables controls 1001 and 1002 of the given window.
void release_capture(HWND hwnd);
void close_capture();
// Closes both devices; used when the program ends.
void close_audio();

// Applies trackbar 1008's position to the monitor output; returns the volume
// word written, or 0 when the monitor output is not open or the call failed.
DWORD set_monitor_volume(HWND volume_trackbar);
DWORD monitor_volume_word(int position);

void monitor_buffer_done(WAVEHDR *header);

// The free monitor header with the lowest index, or null when all 20 are queued.
WAVEHDR *free_monitor_header();

#endif
