#include "core/app/settings.h"

static const settings_record initial_settings = {
    ALPHABET_EUROPEAN,
    INTERVAL_MEDIUM,
    false,
    false,
    false,
    false,
    CLIPPING_OFF,
    false,
    INITIAL_DETECTION_THRESHOLD,
    2,
    2,
    0,
    0,
};

static settings_record current = initial_settings;

const settings_record &settings()
{
    return current;
}

settings_record &settings_for_update()
{
    return current;
}

void reset_settings()
{
    current = initial_settings;
}

int32_t threshold_from_position(int position)
{
    int32_t threshold = position * 32385 / 100;
    if (threshold > MAX_DETECTION_THRESHOLD)
        threshold = MAX_DETECTION_THRESHOLD;
    if (threshold < MIN_DETECTION_THRESHOLD)
        threshold = MIN_DETECTION_THRESHOLD;
    return threshold;
}

int threshold_to_position(int32_t threshold)
{
    // Integer division at each step: 12240 gives 37.
    return ((threshold / 255) * 100) / 127;
}
