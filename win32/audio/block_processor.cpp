// One captured block: echo to the monitor, the engine's analysis with the
// block's drawing, the buffer back to the driver, and about every 100 ms the
// meter update.
#include "win32/audio/block_processor.h"

#include "core/audio/clipping.h"
#include "win32/audio/block_log.h"
#include "win32/audio/devices.h"
#include "win32/display/block_drawing.h"
#include "win32/display/level_meter.h"
#include "win32/display/meter_update.h"

// The echo takes the lowest free monitor buffer. When all 20 are queued the
// block is neither echoed nor clipped.
static void echo_block(const settings_record &settings, WAVEHDR *captured)
{
    const int monitor = free_monitor_buffer();
    if (monitor < 0)
        return;
    if (settings.clipping_mode == CLIPPING_ON)
        apply_clipping(reinterpret_cast<int16_t *>(captured->lpData),
                       captured->dwBytesRecorded / 2);
    echo_to_monitor(monitor, captured->lpData, captured->dwBytesRecorded, settings.monitor);
}

// While a recording is measured the input only moves the level meter.
static void meter_input_block(const block_drawing &drawing, measurement_engine &engine,
                              WAVEHDR *header)
{
    const meter_update meter =
        engine_meter_live_block(engine, reinterpret_cast<const int16_t *>(header->lpData),
                                header->dwBytesRecorded / 2);
    requeue_capture_buffer(header);
    if (meter.due)
        draw_level_meter_on(drawing.window, drawing.memory, meter.peak_level,
                            engine.settings.detection_threshold);
}

bool process_capture_block(HWND hwnd, measurement_engine &engine, WAVEHDR *header)
{
    if (!devices().capture)
        return false; // handed back by a reset after closing: not queued again
    block_drawing drawing(hwnd, engine.settings.double_speed_sweep);
#ifdef VENTROK_BLOCK_LOG
    const block_log_mark mark = block_log_begin(header);
#endif
    echo_block(engine.settings, header);
    bool stop_requested = false;
    if (engine.measuring_recording) {
        meter_input_block(drawing, engine, header);
    } else {
        const block_result result =
            engine_process_block(engine, reinterpret_cast<const int16_t *>(header->lpData),
                                 header->dwBytesRecorded / 2, block_display(drawing));
        requeue_capture_buffer(header);
        if (result.meter.due)
            draw_meter_update(drawing, engine, result.meter);
        stop_requested = result.stop_requested;
    }
#ifdef VENTROK_BLOCK_LOG
    block_log_end(mark);
#endif
    return stop_requested;
}
