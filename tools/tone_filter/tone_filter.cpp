#include "tools/tone_filter/tone_filter.h"

#include <cmath>

namespace
{

constexpr double TWO_PI = 6.283185307179586476925;
constexpr double SINE_SCALE = 16384.0;
constexpr int QUARTER_TURN = TONE_FILTER_TABLE_SIZE / 4;

// Divisor from the third running sum back to sample units: the sums' gain
// and the oscillator's scale; the mixing halves the tone, hence the 2.
constexpr double ENVELOPE_SCALE =
    2.0 / (static_cast<double>(TONE_FILTER_BOX_SAMPLES) * TONE_FILTER_BOX_SAMPLES *
           TONE_FILTER_BOX_SAMPLES * SINE_SCALE);

static_assert(TONE_FILTER_STAGES == 3, "ENVELOPE_SCALE counts three running sums");
static_assert(TONE_FILTER_BOX_SAMPLES % 2 == 1, "the delay must be whole samples");

// One input through the mixer and the running sums: the magnitude, in
// sample units, of the sample TONE_FILTER_DELAY_SAMPLES back.
int16_t filter_sample(tone_filter &f, int32_t sample)
{
    const uint32_t index = f.phase >> (32 - TONE_FILTER_TABLE_BITS);
    f.phase += f.phase_step;
    int64_t in_i = static_cast<int64_t>(sample) *
                   f.sine[(index + QUARTER_TURN) & (TONE_FILTER_TABLE_SIZE - 1)];
    int64_t in_q = static_cast<int64_t>(sample) * f.sine[index];
    const int at = f.position;
    for (int stage = 0; stage < TONE_FILTER_STAGES; stage++) {
        f.sum_i[stage] += in_i - f.history_i[stage][at];
        f.sum_q[stage] += in_q - f.history_q[stage][at];
        f.history_i[stage][at] = in_i;
        f.history_q[stage][at] = in_q;
        in_i = f.sum_i[stage];
        in_q = f.sum_q[stage];
    }
    f.position = at + 1 == TONE_FILTER_BOX_SAMPLES ? 0 : at + 1;

    const double i = static_cast<double>(in_i);
    const double q = static_cast<double>(in_q);
    const double magnitude = std::sqrt(i * i + q * q) * f.output_scale;
    // A square wave at full scale would give 4/pi of it.
    if (magnitude >= 32767.0)
        return 32767;
    return static_cast<int16_t>(magnitude + 0.5);
}

} // namespace

bool tone_filter_frequency_valid(double frequency_hz)
{
    return frequency_hz >= TONE_FILTER_MIN_HZ && frequency_hz <= TONE_FILTER_MAX_HZ;
}

void tone_filter_init(tone_filter &f, double frequency_hz, double gain)
{
    f = tone_filter{};
    f.frequency_hz = frequency_hz;
    f.output_scale = ENVELOPE_SCALE * gain;
    f.phase_step =
        static_cast<uint32_t>(std::lround(frequency_hz / TONE_FILTER_SAMPLE_RATE * 4294967296.0));
    for (int k = 0; k < TONE_FILTER_TABLE_SIZE; k++)
        f.sine[k] = static_cast<int16_t>(
            std::lround(SINE_SCALE * std::sin(TWO_PI * k / TONE_FILTER_TABLE_SIZE)));
    f.outputs_to_skip = TONE_FILTER_DELAY_SAMPLES;
}

size_t tone_filter_process(tone_filter &f, const int16_t *in, size_t count, int16_t *out)
{
    size_t written = 0;
    for (size_t n = 0; n < count; n++) {
        // Read before the write: out may be in, and written <= n.
        const int16_t magnitude = filter_sample(f, in[n]);
        if (f.outputs_to_skip > 0) {
            f.outputs_to_skip--;
            continue;
        }
        out[written++] = magnitude;
    }
    return written;
}

size_t tone_filter_finish(tone_filter &f, int16_t *out)
{
    // Silence after the input brings out the delayed outputs; of a signal
    // shorter than the delay, those that still belong before it are dropped.
    const int16_t silence[TONE_FILTER_DELAY_SAMPLES] = {};
    return tone_filter_process(f, silence, TONE_FILTER_DELAY_SAMPLES, out);
}

void tone_filter_signal(double frequency_hz, double gain, std::vector<int16_t> &samples)
{
    tone_filter *f = new tone_filter;
    tone_filter_init(*f, frequency_hz, gain);
    const size_t written = tone_filter_process(*f, samples.data(), samples.size(), samples.data());
    int16_t tail[TONE_FILTER_DELAY_SAMPLES];
    const size_t owed = tone_filter_finish(*f, tail);
    for (size_t n = 0; n < owed; n++)
        samples[written + n] = tail[n];
    delete f;
}
