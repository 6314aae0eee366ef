#include "recording_tone.h"

#include "recording_input.h"

#include <cstdio>
#include <memory>
#include <vector>

// Capture samples searched per read.
constexpr size_t SEARCH_READ_SAMPLES = 16384;

bool find_recording_tone(const char *path, tone_search_result &result, std::string &error)
{
    std::unique_ptr<recording_input, void (*)(recording_input *)> input(
        open_recording(path, 0.0, error), close_recording);
    if (!input)
        return false;
    tone_search search;
    tone_search_init(search);
    std::vector<int16_t> samples;
    samples.reserve(SEARCH_READ_SAMPLES);
    bool ended = false;
    while (!ended) {
        samples.clear();
        if (!read_capture_samples(input.get(), samples, SEARCH_READ_SAMPLES, &ended, error))
            return false;
        if (tone_search_add(search, samples.data(), samples.size()))
            break;
    }
    result = tone_search_outcome(search);
    return true;
}

bool choose_tone_filter(const char *path, tone_filter_choice choice, double given_hz,
                        tone_filter_setting &setting, std::string &note, std::string &error)
{
    setting = tone_filter_setting{choice != TONE_FILTER_OFF, given_hz, false, true};
    note.clear();
    if (choice != TONE_FILTER_AUTO)
        return true;
    tone_search_result found = {};
    if (!find_recording_tone(path, found, error))
        return false;
    setting.estimated = true;
    setting.clear = found.found;
    setting.frequency_hz = tone_filter_frequency_for(found);
    char text[160];
    if (!found.any_sound) {
        std::snprintf(text, sizeof text,
                      "no tone in the recording; the tone filter listens at %.1f Hz",
                      setting.frequency_hz);
        note = text;
    } else if (!found.found) {
        std::snprintf(text, sizeof text,
                      "no clear keyed tone in the recording; the tone filter listens at the "
                      "strongest frequency, %.1f Hz",
                      setting.frequency_hz);
        note = text;
    }
    return true;
}
