#include "tools/tone_filter/tone_frequency.h"

#include "tools/tone_filter/tone_filter.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr double TWO_PI = 6.283185307179586476925;
constexpr int N = TONE_SEARCH_FRAME_SAMPLES;

int lowest_bin()
{
    return static_cast<int>(std::ceil(TONE_FILTER_MIN_HZ * N / TONE_FILTER_SAMPLE_RATE));
}

int highest_bin()
{
    return static_cast<int>(std::floor(TONE_FILTER_MAX_HZ * N / TONE_FILTER_SAMPLE_RATE));
}

// In-place radix-2 transform of N points.
void transform(std::vector<std::complex<double>> &x,
               const std::vector<std::complex<double>> &twiddles)
{
    for (int i = 1, j = 0; i < N; i++) {
        int bit = N >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j |= bit;
        if (i < j)
            std::swap(x[i], x[j]);
    }
    for (int length = 2; length <= N; length <<= 1) {
        const int step = N / length;
        for (int start = 0; start < N; start += length) {
            for (int k = 0; k < length / 2; k++) {
                const std::complex<double> odd = x[start + k + length / 2] * twiddles[k * step];
                x[start + k + length / 2] = x[start + k] - odd;
                x[start + k] += odd;
            }
        }
    }
}

void add_frame(tone_search &s)
{
    for (int n = 0; n < N; n++)
        s.spectrum[n] = std::complex<double>(s.frame[n] * s.window[n], 0.0);
    transform(s.spectrum, s.twiddles);
    for (int k = 0; k <= N / 2; k++)
        s.power[k] += std::norm(s.spectrum[k]);
    s.frames++;
    s.filled = 0;
}

int strongest_bin(const tone_search &s)
{
    int best = lowest_bin();
    for (int k = lowest_bin(); k <= highest_bin(); k++) {
        if (s.power[k] > s.power[best])
            best = k;
    }
    return best;
}

double median_power(const tone_search &s)
{
    std::vector<double> band(s.power.begin() + lowest_bin(), s.power.begin() + highest_bin() + 1);
    std::nth_element(band.begin(), band.begin() + band.size() / 2, band.end());
    return band[band.size() / 2];
}

// Summed power in the strongest bin of a tone of amplitude a in every frame:
// the windowed sine gives a / 2 times the window's sum, which is N / 2.
double tone_power(double amplitude, int frames)
{
    const double bin = amplitude / 2.0 * (N / 2.0);
    return bin * bin * frames;
}

bool clear_tone(const tone_search &s)
{
    if (s.frames < TONE_SEARCH_MIN_FRAMES)
        return false;
    const double peak = s.power[strongest_bin(s)];
    return peak >= tone_power(TONE_SEARCH_MIN_AMPLITUDE, s.frames) &&
           peak >= TONE_SEARCH_PROMINENCE * median_power(s);
}

// The peak of the Hann window's main lobe, fitted through the logarithms of
// the three bins around the strongest one (a Gaussian fit), in bins.
double peak_offset(const tone_search &s, int k)
{
    const double left = s.power[k - 1], centre = s.power[k], right = s.power[k + 1];
    if (left <= 0.0 || centre <= 0.0 || right <= 0.0)
        return 0.0;
    const double a = std::log(left), b = std::log(centre), c = std::log(right);
    const double curvature = a - 2.0 * b + c;
    if (curvature >= 0.0)
        return 0.0;
    return std::clamp(0.5 * (a - c) / curvature, -0.5, 0.5);
}

} // namespace

void tone_search_init(tone_search &s)
{
    s.window.resize(N);
    for (int n = 0; n < N; n++)
        s.window[n] = 0.5 - 0.5 * std::cos(TWO_PI * n / N);
    s.twiddles.resize(N / 2);
    for (int k = 0; k < N / 2; k++)
        s.twiddles[k] = std::polar(1.0, -TWO_PI * k / N);
    s.spectrum.assign(N, std::complex<double>());
    s.frame.assign(N, 0.0);
    s.filled = 0;
    s.power.assign(N / 2 + 1, 0.0);
    s.frames = 0;
    s.found = false;
}

bool tone_search_add(tone_search &s, const int16_t *samples, size_t count)
{
    for (size_t n = 0; n < count && !s.found; n++) {
        s.frame[s.filled++] = samples[n];
        if (s.filled == static_cast<size_t>(N)) {
            add_frame(s);
            s.found = clear_tone(s);
        }
    }
    return s.found;
}

tone_search_result tone_search_outcome(const tone_search &s)
{
    tone_search_result result = {s.found, false, 0.0};
    if (s.frames == 0)
        return result;
    const int k = strongest_bin(s);
    result.any_sound = s.power[k] >= tone_power(TONE_SEARCH_MIN_AMPLITUDE, s.frames);
    if (s.power[k] > 0.0) {
        const double hz = (k + peak_offset(s, k)) * TONE_FILTER_SAMPLE_RATE / N;
        result.frequency_hz = std::clamp(hz, TONE_FILTER_MIN_HZ, TONE_FILTER_MAX_HZ);
    }
    return result;
}

double tone_filter_frequency_for(const tone_search_result &result)
{
    return result.any_sound ? result.frequency_hz : TONE_FILTER_MIN_HZ;
}

tone_search_result tone_search_signal(const std::vector<int16_t> &samples)
{
    tone_search s;
    tone_search_init(s);
    tone_search_add(s, samples.data(), samples.size());
    return tone_search_outcome(s);
}
