#include "core/audio/detector.h"

void detector_init(detector_state &d)
{
    d = detector_state{};
}

void detector_measurement_reset(detector_state &d)
{
    d.sample_counter = 0;
    d.measurement_clock = 0;
    d.key_down = false;
}

void detector_clear(detector_state &d)
{
    d.key_down_onsets = 0;
}

void detector_count_samples(detector_state &d, const int16_t *samples, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        d.sample_counter++;
        if (samples[i] > d.peak_level)
            d.peak_level = samples[i];
    }
    d.measurement_clock = d.sample_counter / SAMPLES_PER_MS;
}

bool detector_take_meter_reading(detector_state &d, int32_t &peak_level)
{
    if (d.measurement_clock - d.last_meter_time <= METER_INTERVAL_MS)
        return false;
    peak_level = d.peak_level;
    d.peak_level = 0;
    d.last_meter_time = d.measurement_clock;
    return true;
}

bool detector_automatic_stop_due(const detector_state &d, int32_t timeline_count)
{
    const uint32_t clock = d.measurement_clock;
    return clock - d.space_start_time > STOP_IDLE_LIMIT_MS ||
           clock - d.mark_start_time > STOP_IDLE_LIMIT_MS || timeline_count > STOP_ENTRY_LIMIT ||
           clock > STOP_MEASUREMENT_LIMIT_MS;
}
