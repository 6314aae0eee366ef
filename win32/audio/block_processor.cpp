// One captured block: echo to the monitor, the engine's analysis with the
// block's drawing, the buffer back to the driver, and about every 100 ms the
// meter update.
#include "win32/audio/block_processor.h"

#include "core/audio/clipping.h"
#include "win32/audio/block_log.h"
#include "win32/audio/devices.h"
#include "win32/display/block_drawing.h"
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

bool process_capture_block(HWND hwnd, measurement_engine &engine, WAVEHDR *header)
{
    if (!devices().capture)
        return false; // handed back by a reset after closing: not queued again
    block_drawing drawing(hwnd, engine.settings.double_speed_sweep);
#ifdef VENTROK_BLOCK_LOG
    const block_log_mark mark = block_log_begin(header);
#endif
    echo_block(engine.settings, header);
    const block_result result =
        engine_process_block(engine, reinterpret_cast<const int16_t *>(header->lpData),
                             header->dwBytesRecorded / 2, block_display(drawing));
    requeue_capture_buffer(header);
    if (result.meter.due)
        draw_meter_update(drawing, engine, result.meter);
#ifdef VENTROK_BLOCK_LOG
    block_log_end(mark);
#endif
    return result.stop_requested;
}
