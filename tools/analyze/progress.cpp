#include "progress.h"

#include <cstdio>
#include <unistd.h>

// Shorter recordings finish before a progress line would help.
constexpr double PROGRESS_MIN_SECONDS = 60.0;

progress_meter progress_start(bool wanted, double total_seconds)
{
    progress_meter meter = {false, total_seconds, -1};
    meter.active = wanted && total_seconds > PROGRESS_MIN_SECONDS && isatty(STDERR_FILENO);
    return meter;
}

void progress_update(progress_meter &meter, double seconds_done)
{
    if (!meter.active)
        return;
    const int percent = static_cast<int>(seconds_done * 100.0 / meter.total_seconds);
    if (percent == meter.last_percent)
        return;
    meter.last_percent = percent;
    std::fprintf(stderr, "\ranalysing: %3d%%  (%.0f of %.0f s)", percent > 100 ? 100 : percent,
                 seconds_done, meter.total_seconds);
    std::fflush(stderr);
}

void progress_finish(progress_meter &meter)
{
    if (!meter.active)
        return;
    std::fprintf(stderr, "\r%60s\r", "");
    std::fflush(stderr);
    meter.active = false;
}

void batch_progress_start(batch_progress &progress, bool wanted, size_t total)
{
    progress.active = wanted && isatty(STDERR_FILENO);
    progress.total = total;
    progress.done = 0;
}

void batch_progress_step(batch_progress &progress)
{
    if (!progress.active)
        return;
    std::lock_guard<std::mutex> hold(progress.lock);
    progress.done++;
    std::fprintf(stderr, "\rmeasured %zu of %zu recordings", progress.done, progress.total);
    std::fflush(stderr);
}

void batch_progress_finish(batch_progress &progress)
{
    if (!progress.active)
        return;
    std::fprintf(stderr, "\r%60s\r", "");
    std::fflush(stderr);
    progress.active = false;
}
