// Device handling decisions:
// - The monitor output is closed together with the capture device (reset,
//   unprepare the 20 monitor headers, close), so the next open audio opens a
//   fresh one and two monitor outputs are never open at the same time.
// - A failure in open audio undoes the steps that succeeded before it: both
//   devices are closed again, so a later open audio starts from scratch and a
//   half-open pair never lingers.
#include "win32/audio/devices.h"

#include "core/app/measurement_state.h"
#include "core/app/settings.h"
#include "win32/resources/resource_ids.h"

#include <commctrl.h>

#include <cstring>

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

static WAVEFORMATEX capture_format()
{
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 11025;
    format.nAvgBytesPerSec = 22050;
    format.nBlockAlign = 2;
    format.wBitsPerSample = 16;
    format.cbSize = 0;
    return format;
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

static bool open_capture(HWND main_window, const WAVEFORMATEX &format)
{
    HWAVEIN capture = nullptr;
    if (waveInOpen(&capture, settings().selected_input_device, &format,
                   reinterpret_cast<DWORD_PTR>(main_window), 0,
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

static bool open_monitor(HWND main_window, const WAVEFORMATEX &format)
{
    HWAVEOUT monitor = nullptr;
    if (waveOutOpen(&monitor, settings().selected_output_device, &format,
                    reinterpret_cast<DWORD_PTR>(main_window), 0,
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

bool open_audio(HWND main_window)
{
    if (state.capture)
        return true;
    const WAVEFORMATEX format = capture_format();
    if (!open_capture(main_window, format) || !open_monitor(main_window, format)) {
        close_audio();
        return false;
    }
    set_monitor_volume(GetDlgItem(main_window, IDC_MONITOR_VOLUME));
    waveInReset(state.capture);
    for (WAVEHDR &header : state.capture_headers) {
        header.dwBytesRecorded = 0;
        waveInAddBuffer(state.capture, &header, sizeof header);
    }
    waveInStart(state.capture);
    return true;
}

void release_capture(HWND hwnd)
{
    if (!measurement().analysis_suspended)
        close_capture();
    EnableWindow(GetDlgItem(hwnd, IDC_OUTPUT_LIST), TRUE);
    EnableWindow(GetDlgItem(hwnd, IDC_INPUT_LIST), TRUE);
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

void close_audio()
{
    close_capture();
}

DWORD monitor_volume_word(int position)
{
    const DWORD v = static_cast<DWORD>(position) * 65535u / 100u;
    return (v << 16) | v;
}

DWORD set_monitor_volume(HWND volume_trackbar)
{
    if (!state.monitor)
        return 0;
    const int position = static_cast<int>(SendMessageA(volume_trackbar, TBM_GETPOS, 0, 0));
    const DWORD word = monitor_volume_word(position);
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

WAVEHDR *free_monitor_header()
{
    if (!state.monitor)
        return nullptr;
    for (WAVEHDR &header : state.monitor_headers)
        if (header.dwBufferLength == 0 && header.lpData)
            return &header;
    return nullptr;
}
