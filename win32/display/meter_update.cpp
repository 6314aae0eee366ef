#include "win32/display/meter_update.h"

#include "core/display/panel_geometry.h"
#include "win32/display/histograms.h"
#include "win32/display/level_meter.h"
#include "win32/display/statistics_panel.h"

void draw_meter_update(const block_drawing &drawing, const measurement_engine &engine,
                       const meter_update &meter)
{
    draw_level_meter_on(drawing.window, drawing.memory, meter.peak_level,
                        engine.settings.detection_threshold);
    draw_meter_panels(drawing.memory, engine, meter);
    show_panel_band(drawing.window, drawing.memory);
}

void draw_meter_panels(HDC back_buffer_dc, const measurement_engine &engine,
                       const meter_update &meter)
{
    if (meter.histograms != LIVE_HISTOGRAMS_FROZEN)
        draw_live_histograms(back_buffer_dc, engine.timeline, engine.detector.measurement_clock,
                             meter.histograms == LIVE_HISTOGRAMS_BARS);
    else if (meter.redraw_statistics)
        draw_statistics_panel(back_buffer_dc, engine.statistics, engine.timeline.timeline_count,
                              engine.measurement.measured_seconds,
                              engine.measurement.keying_file_saved);
}

void show_panel_band(HDC window_dc, HDC back_buffer_dc)
{
    BitBlt(window_dc, 0, PANEL_BAND_TOP, PANEL_BAND_WIDTH, PANEL_BAND_HEIGHT, back_buffer_dc, 0,
           PANEL_BAND_TOP, SRCCOPY);
}
