#include "core/app/measurement_evaluation.h"

#include "core/analysis/statistics.h"
#include "core/analysis/timeline.h"
#include "core/app/measurement_state.h"
#include "core/audio/detector.h"
#include "core/replay/keying_file.h"

#include <cstdio>

bool evaluate_stopped_measurement()
{
    measurement_state &m = measurement_for_update();
    const keying_timeline &t = timeline();
    if (t.timeline_count < MIN_TIMELINE_ENTRIES) {
        m.too_few_keyings = true;
        return false;
    }
    m.too_few_keyings = false;
    m.measured_seconds = static_cast<int>(detector().measurement_clock / 1000);
    compute_keying_statistics(t.entries, t.timeline_count);
    return true;
}

bool save_keying_data_file(const char *path)
{
    FILE *file = std::fopen(path, "w");
    if (!file)
        return false;
    const keying_timeline &t = timeline();
    write_keying_data_file(file, t.entries, t.timeline_count, measurement().measured_seconds,
                           keying_stats());
    return std::fclose(file) == 0;
}
