#include "recording_tone.h"

#include "recording_input.h"

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
    std::unique_ptr<tone_search> search(new tone_search);
    tone_search_init(*search);
    std::vector<int16_t> samples;
    samples.reserve(SEARCH_READ_SAMPLES);
    bool ended = false;
    while (!ended) {
        samples.clear();
        if (!read_capture_samples(input.get(), samples, SEARCH_READ_SAMPLES, &ended, error))
            return false;
        if (tone_search_add(*search, samples.data(), samples.size()))
            break;
    }
    result = tone_search_outcome(*search);
    return true;
}
