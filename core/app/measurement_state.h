// The measurement state: which phase a measurement is in and the flags that
// pass between the block step, the buttons and the displays. The measurement
// engine holds it and is its only writer.
#ifndef VENTROK_CORE_APP_MEASUREMENT_STATE_H
#define VENTROK_CORE_APP_MEASUREMENT_STATE_H

enum recording_phase_t {
    RECORDING_WAITING = 0, // no key-down since the last clear
    RECORDING_ACTIVE = 1,
    RECORDING_STOPPED = 2,
};

// The phases as the operator sees them are combinations of the first two:
// Idle (suspended, waiting), Armed (analysing, waiting), Recording
// (analysing, active) and Stopped (suspended, stopped).
struct measurement_state {
    bool analysis_suspended;
    recording_phase_t recording_phase;
    bool stop_request;
    bool device_selection_pending;
    bool too_few_keyings;
    int measured_seconds;
    bool statistics_redrawn;
    bool keying_file_saved; // the stop's keying data file reached the disk
};

#endif
