// A progress line on stderr for long recordings, only when stderr is a
// terminal and the recording is longer than a minute.
#ifndef VENTROK_ANALYZE_PROGRESS_H
#define VENTROK_ANALYZE_PROGRESS_H

struct progress_meter {
    bool active;
    double total_seconds;
    int last_percent;
};

progress_meter progress_start(bool wanted, double total_seconds);
void progress_update(progress_meter &meter, double seconds_done);
void progress_finish(progress_meter &meter);

#endif
