// One captured block: echo to the monitor, analysis sample by sample, the
// buffer back to the driver, and about every 100 ms the meter update.
#include "win32/audio/block_processor.h"

#include "core/analysis/decoder.h"
#include "core/analysis/timeline.h"
#include "core/app/measurement_state.h"
#include "core/app/settings.h"
#include "win32/audio/block_log.h"
#include "core/audio/clipping.h"
#include "core/audio/detector.h"
#include "win32/audio/devices.h"
#include "win32/display/block_drawing.h"
#include "win32/display/drawing.h"
#include "win32/display/histograms.h"
#include "win32/display/level_meter.h"

#include <cstring>

// The panel band copied to the screen at each meter update.
constexpr int BAND_TOP = 150;
constexpr int BAND_WIDTH = 1145;
constexpr int BAND_HEIGHT = 675;

static void echo_to_monitor(WAVEHDR *captured)
{
    WAVEHDR *monitor = free_monitor_header();
    if (!monitor)
        return; // all 20 queued: no echo and no clipping for this block
    const DWORD bytes = captured->dwBytesRecorded;
    monitor->dwBufferLength = bytes;
    if (settings().clipping_mode == CLIPPING_ON)
        apply_clipping(reinterpret_cast<int16_t *>(captured->lpData), bytes / 2);
    if (settings().monitor)
        std::memcpy(monitor->lpData, captured->lpData, bytes);
    else
        std::memset(monitor->lpData, 0, bytes);
    waveOutWrite(devices().monitor, monitor, sizeof *monitor);
}

static void on_recording_started(void *context)
{
    const block_drawing *drawing = static_cast<const block_drawing *>(context);
    draw_text(drawing->memory, 180, 260, "                                        ");
}

static void on_mark_accepted(void *, uint32_t space_before_ms)
{
    decode_on_mark_accepted(space_before_ms);
}
static void on_space_accepted(void *, uint32_t mark_ms)
{
    decode_on_space_accepted(mark_ms);
}
static void on_gap_check(void *, uint32_t elapsed_ms)
{
    decode_gap_check(elapsed_ms);
}

static void on_display_step(void *context, bool key_down)
{
    const block_drawing *drawing = static_cast<const block_drawing *>(context);
    sweep_step_for_block(*drawing, key_down, detector().measurement_clock);
}

static void meter_update(HWND hwnd, const block_drawing &drawing)
{
    int32_t peak_level = 0;
    if (!detector_meter_due(detector_for_update(), peak_level))
        return;
    draw_level_meter(hwnd, peak_level);
    draw_live_histograms(drawing.memory, timeline(), detector().measurement_clock,
                         measurement_for_update());
    BitBlt(drawing.window, 0, BAND_TOP, BAND_WIDTH, BAND_HEIGHT, drawing.memory, 0, BAND_TOP,
           SRCCOPY);
    detector_check_automatic_stop(detector(), timeline(), measurement_for_update());
}

void process_capture_block(HWND hwnd, WAVEHDR *header)
{
    block_drawing drawing(hwnd);
    const audio_devices &audio = devices();
    if (!audio.capture)
        return; // handed back by a reset after closing: not queued again
#ifdef VENTROK_BLOCK_LOG
    const block_log_mark mark = block_log_begin(header);
#endif
    echo_to_monitor(header);

    const detector_hooks hooks = {&drawing,          on_recording_started, on_mark_accepted,
                                  on_space_accepted, on_gap_check,         on_display_step};
    set_decoder_drawing(&drawing);
    detector_analyse_block(detector_for_update(), timeline_for_update(), measurement_for_update(),
                           settings(), reinterpret_cast<const int16_t *>(header->lpData),
                           header->dwBytesRecorded / 2, hooks);
    set_decoder_drawing(nullptr);

    header->dwBytesRecorded = 0;
    waveInAddBuffer(audio.capture, header, sizeof *header);

    meter_update(hwnd, drawing);
#ifdef VENTROK_BLOCK_LOG
    block_log_end(mark);
#endif
}
