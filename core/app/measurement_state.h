// The measurement state: which phase a measurement is in and the flags that
// pass between the block processor, the buttons and the displays.
#ifndef VENTROK_APP_MEASUREMENT_STATE_H
#define VENTROK_APP_MEASUREMENT_STATE_H

enum recording_phase_t {
    RECORDING_WAITING = 0, // no key-down since the last clear
    RECORDING_ACTIVE = 1,
    RECORDING_STOPPED = 2,
};

struct measurement_state {
    bool analysis_suspended;
    int recording_phase; // recording_phase_t
    bool stop_request;
    bool device_selection_pending;
    bool too_few_keyings;
    int measured_seconds;
    bool statistics_redrawn;
};

// Phases as the operator sees them, derived from the two main values.
enum measurement_phase_t { PHASE_IDLE, PHASE_ARMED, PHASE_RECORDING, PHASE_STOPPED };

const measurement_state &measurement();
measurement_state &measurement_for_update();
void reset_measurement_state();
measurement_phase_t measurement_phase();

#endif
