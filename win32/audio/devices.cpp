// Device handling decisions:
// - The monitor output is closed together with the capture device (reset,
//   unprepare the 20 monitor headers, close), so the next open audio opens a
//   fresh one and two monitor outputs are never open at the same time.
// - A failure in open audio undoes the steps that succeeded before it: both
//   devices are closed again, so a later open audio starts from scratch and a
//   half-open pair never lingers.
#include "win32/audio/devices.h"

#include <cstring>

#include "core/audio/volume_word.h"
#include "win32/common/wave_format.h"

static audio_devices state;
static char capture_buffers[RING_BUFFERS][RING_BUFFER_BYTES];
static char monitor_buffers[RING_BUFFERS][RING_BUFFER_BYTES];

const audio_devices &devices()
{
    return state;
}

void mark_audio_closed()
{
    state.capture = nullptr;
    state.monitor = nullptr;
    std::memset(state.capture_headers, 0, sizeof state.capture_headers);
    std::memset(state.monitor_headers, 0, sizeof state.monitor_headers);
}

static void close_monitor()
{
    if (!state.monitor)
        return;
    waveOutReset(state.monitor);
    for (WAVEHDR &header : state.monitor_headers) {
        waveOutUnprepareHeader(state.monitor, &header, sizeof header);
        header.lpData = nullptr;
        header.dwBufferLength = 0;
    }
    waveOutClose(state.monitor);
    state.monitor = nullptr;
}

static bool open_capture(HWND callback_window, uint32_t input_device, const WAVEFORMATEX &format)
{
    HWAVEIN capture = nullptr;
    if (waveInOpen(&capture, input_device, &format, reinterpret_cast<DWORD_PTR>(callback_window), 0,
                   CALLBACK_WINDOW) != MMSYSERR_NOERROR)
        return false;
    state.capture = capture;
    std::memset(state.capture_headers, 0, sizeof state.capture_headers);
    for (int i = 0; i < RING_BUFFERS; i++) {
        WAVEHDR &header = state.capture_headers[i];
        header.lpData = capture_buffers[i];
        header.dwBufferLength = RING_BUFFER_BYTES;
        if (waveInPrepareHeader(capture, &header, sizeof header) != MMSYSERR_NOERROR)
            return false;
    }
    return true;
}

static bool open_monitor(HWND callback_window, uint32_t output_device, const WAVEFORMATEX &format)
{
    HWAVEOUT monitor = nullptr;
    if (waveOutOpen(&monitor, output_device, &format, reinterpret_cast<DWORD_PTR>(callback_window),
                    0,
                    CALLBACK_WINDOW) != MMSYSERR_NOERROR)
        return false;
    state.monitor = monitor;
    std::memset(state.monitor_headers, 0, sizeof state.monitor_headers);
    for (int i = 0; i < RING_BUFFERS; i++) {
        WAVEHDR &header = state.monitor_headers[i];
        header.lpData = monitor_buffers[i];
        header.dwBufferLength = 0; // free
        if (waveOutPrepareHeader(monitor, &header, sizeof header) != MMSYSERR_NOERROR)
            return false;
    }
    return true;
}

bool open_audio(HWND callback_window, uint32_t input_device, uint32_t output_device,
                int volume_position)
{
    if (state.capture)
        return true;
    const WAVEFORMATEX format = mono_pcm_format(16);
    if (!open_capture(callback_window, input_device, format) ||
        !open_monitor(callback_window, output_device, format)) {
        close_capture();
        return false;
    }
    set_monitor_volume(volume_position);
    waveInReset(state.capture);
    for (WAVEHDR &header : state.capture_headers) {
        header.dwBytesRecorded = 0;
        waveInAddBuffer(state.capture, &header, sizeof header);
    }
    waveInStart(state.capture);
    return true;
}

void close_capture()
{
    if (state.capture) {
        HWAVEIN capture = state.capture;
        waveInStop(capture);
        waveInReset(capture);
        for (WAVEHDR &header : state.capture_headers) {
            waveInUnprepareHeader(capture, &header, sizeof header);
            header.lpData = nullptr;
        }
        waveInClose(capture);
        state.capture = nullptr;
    }
    close_monitor();
}

DWORD set_monitor_volume(int position)
{
    if (!state.monitor)
        return 0;
    const DWORD word = wave_volume_word(position);
    if (waveOutSetVolume(state.monitor, word) != MMSYSERR_NOERROR)
        return 0;
    return word;
}

void monitor_buffer_done(WAVEHDR *header)
{
    // A header handed back by a device that has since been closed and
    // reopened may still be queued on the new one; leave it alone then.
    if (state.monitor && !(header->dwFlags & WHDR_INQUEUE))
        header->dwBufferLength = 0;
}

int free_monitor_buffer()
{
    if (!state.monitor)
        return -1;
    for (int i = 0; i < RING_BUFFERS; i++) {
        const WAVEHDR &header = state.monitor_headers[i];
        if (header.dwBufferLength == 0 && header.lpData)
            return i;
    }
    return -1;
}

void echo_to_monitor(int index, const char *captured, DWORD bytes, bool monitor_on)
{
    WAVEHDR &monitor = state.monitor_headers[index];
    monitor.dwBufferLength = bytes;
    if (monitor_on)
        std::memcpy(monitor.lpData, captured, bytes);
    else
        std::memset(monitor.lpData, 0, bytes);
    waveOutWrite(state.monitor, &monitor, sizeof monitor);
}

void requeue_capture_buffer(WAVEHDR *header)
{
    header->dwBytesRecorded = 0;
    waveInAddBuffer(state.capture, header, sizeof *header);
}
