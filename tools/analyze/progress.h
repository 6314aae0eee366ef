// A progress line on stderr for long recordings, only when stderr is a
// terminal and the recording is longer than a minute; for a batch, the count
// of recordings done, only when stderr is a terminal.
#ifndef VENTROK_ANALYZE_PROGRESS_H
#define VENTROK_ANALYZE_PROGRESS_H

#include <cstddef>
#include <mutex>

struct progress_meter {
    bool active;
    double total_seconds;
    int last_percent;
};

progress_meter progress_start(bool wanted, double total_seconds);
void progress_update(progress_meter &meter, double seconds_done);
void progress_finish(progress_meter &meter);

// A batch's progress: stepped by the workers as each recording is done.
struct batch_progress {
    bool active;
    size_t total;
    size_t done; // under lock
    std::mutex lock;
};

void batch_progress_start(batch_progress &progress, bool wanted, size_t total);
void batch_progress_step(batch_progress &progress); // from any thread
void batch_progress_finish(batch_progress &progress);

#endif
