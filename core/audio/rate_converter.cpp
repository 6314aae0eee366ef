#include "core/audio/rate_converter.h"

#include <algorithm>
#include <cmath>

namespace
{

// The Kaiser window's shape for 80 dB of stopband attenuation, and the
// filter length it needs across a transition band of 0.28 of the lower rate:
// (80 - 7.95) / (14.36 x 0.28) taps at that rate.
constexpr double KAISER_BETA = 7.857;
constexpr double TAPS_AT_LOWER_RATE = 17.92;
constexpr double PI = 3.14159265358979323846;

uint32_t greatest_common_divisor(uint32_t a, uint32_t b)
{
    while (b != 0) {
        const uint32_t r = a % b;
        a = b;
        b = r;
    }
    return a;
}

// The modified Bessel function of the first kind, order 0, by its series.
double bessel_i0(double x)
{
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k < 50; k++) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
        if (term < sum * 1e-17)
            break;
    }
    return sum;
}

// The tap at offset tau (input samples) from the output's instant.
double tap(double tau, double cutoff, double half_width)
{
    const double ratio = tau / half_width;
    if (ratio <= -1.0 || ratio >= 1.0)
        return 0.0;
    const double x = 2.0 * cutoff * tau;
    const double sinc = x == 0.0 ? 1.0 : std::sin(PI * x) / (PI * x);
    const double window = bessel_i0(KAISER_BETA * std::sqrt(1.0 - ratio * ratio)) /
                          bessel_i0(KAISER_BETA);
    return 2.0 * cutoff * sinc * window;
}

// Row p of the table holds the taps of an output at p / phases of the way
// from one input sample to the next, for the inputs first .. first + taps - 1
// with first = (that input) - taps / 2 + 1. Each row adds up to 1, so a
// constant passes unchanged whatever the phase.
void build_table(rate_converter &c, double cutoff)
{
    const double half_width = c.taps / 2.0;
    c.table.assign(static_cast<size_t>(c.phases) * c.taps, 0.0f);
    std::vector<double> row(c.taps);
    for (uint32_t p = 0; p < c.phases; p++) {
        const double fraction = static_cast<double>(p) / c.phases;
        double sum = 0.0;
        for (uint32_t j = 0; j < c.taps; j++) {
            row[j] = tap(fraction + half_width - 1.0 - j, cutoff, half_width);
            sum += row[j];
        }
        for (uint32_t j = 0; j < c.taps; j++)
            c.table[static_cast<size_t>(p) * c.taps + j] = static_cast<float>(row[j] / sum);
    }
}

// Eight running sums, so that the compiler can keep them in vector registers.
inline float dot(const float *x, const float *h, uint32_t count)
{
    float sums[8] = {};
    for (uint32_t j = 0; j < count; j += 8)
        for (int u = 0; u < 8; u++)
            sums[u] += x[j + u] * h[j + u];
    return ((sums[0] + sums[4]) + (sums[1] + sums[5])) + ((sums[2] + sums[6]) + (sums[3] + sums[7]));
}

struct output_place {
    int64_t input; // the input sample at or before the output's instant
    uint32_t phase;
};

output_place place_of(const rate_converter &c, uint64_t n)
{
    const uint64_t position = n * c.down; // in 1/up of an input sample
    output_place place;
    place.input = static_cast<int64_t>(position / c.up);
    const uint64_t remainder = position % c.up;
    // Rounded to the nearest row; exact when there is a row per phase.
    uint64_t row = (remainder * c.phases + c.up / 2) / c.up;
    if (row == c.phases) {
        row = 0;
        place.input++;
    }
    place.phase = static_cast<uint32_t>(row);
    return place;
}

// Outputs from next_output while their last input is below available.
size_t produce(rate_converter &c, int64_t available, uint64_t limit, float *out, size_t room)
{
    const int64_t half = c.taps / 2;
    size_t made = 0;
    while (made < room && c.next_output < limit) {
        const output_place place = place_of(c, c.next_output);
        if (place.input + half >= available)
            break;
        const int64_t first = place.input - half + 1;
        out[made++] = dot(c.history.data() + (first - c.history_start),
                          c.table.data() + static_cast<size_t>(place.phase) * c.taps, c.taps);
        c.next_output++;
    }
    // Inputs before the next output's first are needed no more.
    const int64_t first_needed = place_of(c, c.next_output).input - half + 1;
    const int64_t drop = first_needed - c.history_start;
    if (drop > 0) {
        const size_t count = std::min(static_cast<size_t>(drop), c.history.size());
        c.history.erase(c.history.begin(), c.history.begin() + static_cast<std::ptrdiff_t>(count));
        c.history_start += static_cast<int64_t>(count);
    }
    return made;
}

} // namespace

void rate_converter_init(rate_converter &c, uint32_t input_rate, uint32_t output_rate)
{
    const uint32_t divisor = greatest_common_divisor(input_rate, output_rate);
    c.up = output_rate / divisor;
    c.down = input_rate / divisor;
    c.phases = std::min(c.up, MAX_PHASES);
    const uint32_t lower = std::min(input_rate, output_rate);
    const double length = TAPS_AT_LOWER_RATE * input_rate / lower;
    c.taps = (static_cast<uint32_t>(std::ceil(length)) + 7u) / 8u * 8u;
    build_table(c, 0.5 * lower / input_rate);
    // The inputs before the first are silence.
    c.history.assign(c.taps / 2 - 1, 0.0f);
    c.history_start = -static_cast<int64_t>(c.taps / 2 - 1);
    c.next_output = 0;
    c.input_count = 0;
    c.output_total = 0;
    c.finished = false;
}

size_t rate_converter_room(const rate_converter &c, size_t count)
{
    return static_cast<size_t>(static_cast<uint64_t>(count) * c.up / c.down) + c.taps + 2;
}

size_t rate_converter_push(rate_converter &c, const float *samples, size_t count, float *out)
{
    c.history.insert(c.history.end(), samples, samples + count);
    c.input_count += count;
    return produce(c, static_cast<int64_t>(c.input_count), UINT64_MAX,
                   out, rate_converter_room(c, count));
}

size_t rate_converter_finish(rate_converter &c, float *out, size_t room)
{
    if (!c.finished) {
        c.finished = true;
        c.output_total = (c.input_count * c.up + c.down - 1) / c.down;
        // The inputs after the last are silence.
        c.history.insert(c.history.end(), c.taps, 0.0f);
    }
    const int64_t available = c.history_start + static_cast<int64_t>(c.history.size());
    return produce(c, available, c.output_total, out, room);
}
