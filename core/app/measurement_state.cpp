#include "core/app/measurement_state.h"

static measurement_state current;

const measurement_state &measurement()
{
    return current;
}

measurement_state &measurement_for_update()
{
    return current;
}

void reset_measurement_state()
{
    current = measurement_state{};
}

measurement_phase_t measurement_phase()
{
    if (current.recording_phase == RECORDING_STOPPED)
        return PHASE_STOPPED;
    if (current.recording_phase == RECORDING_ACTIVE)
        return PHASE_RECORDING;
    return current.analysis_suspended ? PHASE_IDLE : PHASE_ARMED;
}
