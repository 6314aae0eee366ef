// Sample rate conversion of one mono stream to the capture rate: a plain
// wrapper of libsoxr (high quality, linear phase, the filter's delay taken
// out, one thread). Each stream has its own state, so several recordings can
// be converted at once on different threads.
#ifndef VENTROK_ANALYZE_RESAMPLER_H
#define VENTROK_ANALYZE_RESAMPLER_H

#include <cstddef>
#include <string>

struct resampler_state;

// Null with error set when the converter cannot be set up.
resampler_state *resampler_create(double input_rate, double output_rate, std::string &error);

// Room to give resampler_convert for count input samples (and resampler_drain).
size_t resampler_output_room(const resampler_state *r, size_t count);

// Converts count input samples into out, which has resampler_output_room(count)
// samples of room; *made tells how many came out (the converter holds back
// what its filter still needs).
bool resampler_convert(resampler_state *r, const float *samples, size_t count, float *out,
                       size_t *made, std::string &error);

// After the last input: the samples the converter still holds, up to room at
// a time; *made is 0 once it has given out everything.
bool resampler_drain(resampler_state *r, float *out, size_t room, size_t *made, std::string &error);

void resampler_destroy(resampler_state *r);

#endif
