// The capture device and the monitor output of the main window, with their
// two static rings of 20 buffers of 220 bytes (110 samples, about 10 ms).
#ifndef VENTROK_WIN32_AUDIO_DEVICES_H
#define VENTROK_WIN32_AUDIO_DEVICES_H

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

#include "core/audio/detector.h"

constexpr int RING_BUFFERS = 20;
// One captured block of 16-bit samples.
constexpr DWORD RING_BUFFER_BYTES = 2 * CAPTURE_BLOCK_SAMPLES;

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
// given devices, both reporting to callback_window, and applies the monitor
// volume of trackbar position volume_position. Succeeds at once when the
// capture device is already open. A failure closes again what it opened.
bool open_audio(HWND callback_window, uint32_t input_device, uint32_t output_device,
                int volume_position);

// Stops and closes the capture device and, with it, the monitor output.
void close_capture();

// Applies a volume trackbar position (0..100) to the monitor output; returns
// the volume word written, or 0 when the monitor output is not open or the
// call failed.
DWORD set_monitor_volume(int position);

// MM_WOM_DONE: the monitor buffer is free again.
void monitor_buffer_done(WAVEHDR *header);

// Index of the free monitor buffer with the lowest index, or -1 when all 20
// are queued (or the output is closed).
int free_monitor_buffer();

// Echoes one captured block into monitor buffer index (a copy of the bytes
// when the monitor is on, silence when it is off) and queues it.
void echo_to_monitor(int index, const char *captured, DWORD bytes, bool monitor_on);

// A handled capture buffer goes back to the driver.
void requeue_capture_buffer(WAVEHDR *header);

#endif
