// decode_accuracy: how well the live decoder reads keyed tone, as a table of
// character error rates.
//
// Every run generates the audio of a known European text in-process (a keyed
// 700 Hz tone at 11025 samples per second, PARIS timing with Gaussian timing
// jitter and optional white noise, both from a seeded generator), feeds it in
// 110-sample blocks through the key detector exactly as the capture blocks
// reach it, with the detector's hooks calling the decoder, and collects the
// decoded characters through the decoder output. The program state is that of
// a freshly started program followed by the start sequence (開始); with
// "carried over" a first measurement of the same text at the same speed runs
// before, so the measured one starts with the units that one left.
//
// Character error rate: Levenshtein distance between the sent and decoded
// byte strings divided by the sent length, once with the word spaces and once
// with every space removed from both. Trailing word spaces of the decoded text
// are dropped (the tail of silence always ends with one).
//
// With the tone filter, the generated audio goes through the analyser's tone
// filter (its frequency found in the audio and the tone brought to its fixed
// level, as --tone-filter auto does at the default threshold) before the
// blocks reach the detector; the SNR tables compare both paths, the second
// one on recordings normalised to their loudest sample, as recorders and
// editors leave them.
//
//   decode_accuracy [--seeds N] [--snr] [--tone-filter]
//                                           the tables (markdown), 5 seeds by default;
//                                           --snr: only the SNR tables; --tone-filter:
//                                           the other tables through the tone filter
//   decode_accuracy [--tone-filter] --show WPM JITTER SEED [INTERVAL NOISE]
//                                           one run: the sent and decoded text
//                                           (INTERVAL 0 narrow, 1 medium, 2 wide)
#include "core/analysis/code_tables.h"
#include "core/app/measurement_engine.h"
#include "tools/common/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tools/keying_text.h"
#include "tools/tone_filter/tone_filter.h"
#include "tools/tone_filter/tone_frequency.h"
#include "tools/tone_filter/tone_level.h"

using namespace keying_text;

namespace
{

const double TONE_HZ = 700.0;
const double TONE_AMPLITUDE = 20000.0; // against the initial threshold 12240
const double LEAD_MS = 200.0;
// Silence after the last mark: the last character and word space are shown.
const double TAIL_MS = 2500.0;

const char *const SENT_TEXT = "CQ CQ DE JA1VTK JA1VTK K "
                              "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 1234567890 "
                              "RST 599 QTH TOKYO NAME KEN ? WX CLOUDY 18C , "
                              "TNX FER QSO 73 . JA1VTK/1 DE JA2XYZ";

struct run_config {
    double wpm;
    double jitter_of_dot; // standard deviation of every duration, in dots
    double noise_rms;     // sample units
    code_interval_t code_interval;
    uint64_t seed;
    bool carried_over; // units left by an earlier measurement of the same kind
    bool tone_filter;  // the audio through the tone filter first
    bool normalised;   // the loudest sample brought to full scale
};

// Tone and silence durations of the text in ms, alternating, tone first.
std::vector<double> keying_durations(const std::string &text, const run_config &c, rng &r)
{
    const double dot_ms = 1200.0 / c.wpm;
    auto varied = [&](double dots) {
        const double d = dots * dot_ms + c.jitter_of_dot * dot_ms * rng_normal(r);
        return std::max(d, 0.25 * dot_ms);
    };
    std::vector<double> durations;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == ' ')
            continue;
        const char *code = morse_code_of(text[i]);
        for (const char *e = code; *e; e++) {
            durations.push_back(varied(*e == '-' ? 3.0 : 1.0));
            if (e[1])
                durations.push_back(varied(1.0));
        }
        if (i + 1 < text.size())
            durations.push_back(varied(text[i + 1] == ' ' ? 7.0 : 3.0));
    }
    return durations;
}

// Phase-continuous keyed tone with white Gaussian noise, 16-bit samples.
std::vector<int16_t> keyed_audio(const std::vector<double> &durations, const run_config &c,
                                 rng &noise)
{
    std::vector<bool> key;
    // Each edge falls on the sample nearest its exact time, so rounding
    // never accumulates.
    auto append = [&](double to_ms, bool down) {
        const size_t end = static_cast<size_t>(std::lround(to_ms * SAMPLE_RATE_HZ / 1000.0));
        while (key.size() < end)
            key.push_back(down);
    };
    double t_ms = LEAD_MS;
    append(t_ms, false);
    for (size_t i = 0; i < durations.size(); i++) {
        append(t_ms + durations[i], i % 2 == 0);
        t_ms += durations[i];
    }
    append(t_ms + TAIL_MS, false);

    std::vector<double> sound(key.size());
    double peak = 0.0;
    for (size_t n = 0; n < key.size(); n++) {
        double s =
            key[n] ? TONE_AMPLITUDE * std::sin(2.0 * PI * TONE_HZ * n / SAMPLE_RATE_HZ) : 0.0;
        if (c.noise_rms > 0)
            s += c.noise_rms * rng_normal(noise);
        sound[n] = s;
        peak = std::max(peak, std::fabs(s));
    }
    const double scale = c.normalised ? 32767.0 / peak : 1.0;
    std::vector<int16_t> samples(key.size());
    for (size_t n = 0; n < key.size(); n++)
        samples[n] = static_cast<int16_t>(
            std::min(32767.0, std::max(-32768.0, std::round(sound[n] * scale))));
    return samples;
}

void collect_text(void *context, entry_kind_t, const char *text, int length)
{
    static_cast<std::string *>(context)->append(text, static_cast<size_t>(length));
}

measurement_engine engine;

// One measurement as the window runs it from the Idle phase: クリア, 開始,
// the audio in capture blocks until it ends or the measurement stops by
// itself, then the stop. Returns the decoded text.
std::string measure(const std::vector<int16_t> &samples)
{
    engine_clear(engine);
    engine_start(engine, true);
    std::string decoded;
    engine_display display = {};
    display.context = &decoded;
    display.show_decoded_text = collect_text;
    for (size_t at = 0; at < samples.size(); at += CAPTURE_BLOCK_SAMPLES) {
        const size_t count = std::min<size_t>(CAPTURE_BLOCK_SAMPLES, samples.size() - at);
        if (engine_process_block(engine, samples.data() + at, count, display).stop_requested)
            break;
    }
    engine_stop(engine);
    while (!decoded.empty() && decoded.back() == ' ')
        decoded.pop_back();
    return decoded;
}

// The tone filter as ventrok-analyze's --tone-filter auto runs it at the
// default threshold: the frequency found in the audio, the tone's level found
// in the filtered audio, then the whole audio through the filter at the gain
// that brings the tone to its fixed level.
std::vector<int16_t> through_tone_filter(std::vector<int16_t> samples)
{
    const double hz = tone_filter_frequency_for(tone_search_signal(samples));
    std::vector<int16_t> unlevelled = samples;
    tone_filter_signal(hz, 1.0, unlevelled);
    std::unique_ptr<tone_level> level(new tone_level);
    tone_level_init(*level);
    tone_level_add(*level, unlevelled.data(), unlevelled.size());
    tone_filter_signal(hz, tone_level_gain(tone_level_found(*level)), samples);
    return samples;
}

// The audio as the detector gets it.
std::vector<int16_t> front_end(std::vector<int16_t> samples, const run_config &c)
{
    if (c.tone_filter)
        return through_tone_filter(std::move(samples));
    return samples;
}

size_t levenshtein(const std::string &a, const std::string &b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); j++)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); i++) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); j++) {
            const size_t above = row[j];
            row[j] =
                std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0u : 1u)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string without_spaces(std::string s)
{
    s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
    return s;
}

struct error_rates {
    double with_spaces;
    double without_spaces;
};

error_rates decode_run(const run_config &c, std::string *decoded_out)
{
    // A freshly started program with its initial settings, after its first
    // paint.
    settings_record settings = initial_settings();
    settings.code_interval = c.code_interval;
    engine_init(engine, settings);
    engine_suspend_analysis(engine);

    const std::string sent = SENT_TEXT;
    if (c.carried_over) {
        rng timing = make_rng(c.seed + 1000, 1), noise = make_rng(c.seed + 1000, 2);
        measure(front_end(keyed_audio(keying_durations(sent, c, timing), c, noise), c));
    }
    rng timing = make_rng(c.seed, 1), noise = make_rng(c.seed, 2);
    const std::string decoded =
        measure(front_end(keyed_audio(keying_durations(sent, c, timing), c, noise), c));
    if (decoded_out)
        *decoded_out = decoded;
    const std::string sent_letters = without_spaces(sent),
                      decoded_letters = without_spaces(decoded);
    return {static_cast<double>(levenshtein(sent, decoded)) / sent.size(),
            static_cast<double>(levenshtein(sent_letters, decoded_letters)) / sent_letters.size()};
}

int seed_count = 5;
// --tone-filter: every table but the SNR table (which shows both paths), and
// --show, through the tone filter.
bool tone_filter_given = false;

// Mean over the seeds, and the worst seed, of both error rates, as one cell.
std::string cell(run_config c)
{
    double sum_with = 0, sum_without = 0, worst_with = 0;
    for (int seed = 1; seed <= seed_count; seed++) {
        c.seed = static_cast<uint64_t>(seed);
        const error_rates e = decode_run(c, nullptr);
        sum_with += e.with_spaces;
        sum_without += e.without_spaces;
        worst_with = std::max(worst_with, e.with_spaces);
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.1f / %.1f (%.1f)", 100.0 * sum_with / seed_count,
                  100.0 * sum_without / seed_count, 100.0 * worst_with);
    return text;
}

const double WPMS[] = {10, 15, 20, 30, 40};
const double JITTERS[] = {0.0, 0.1, 0.2, 0.3};
const char *const INTERVAL_NAMES[] = {"narrow (F=3)", "medium (F=4)", "wide (F=5)"};

void print_jitter_header(const char *first)
{
    std::printf("\n| %s |", first);
    for (double j : JITTERS)
        std::printf(" jitter %.0f %% |", 100.0 * j);
    std::printf("\n|---|");
    for (size_t i = 0; i < sizeof JITTERS / sizeof JITTERS[0]; i++)
        std::printf("---|");
    std::printf("\n");
}

void speed_table(bool carried_over)
{
    std::printf("\n### Medium code interval, %s\n", carried_over
                                                        ? "units carried over from a first "
                                                          "measurement at the same speed"
                                                        : "freshly started program");
    print_jitter_header("WPM");
    for (double wpm : WPMS) {
        std::printf("| %.0f |", wpm);
        for (double j : JITTERS)
            std::printf(
                " %s |",
                cell({wpm, j, 0.0, INTERVAL_MEDIUM, 0, carried_over, tone_filter_given, false}).c_str());
        std::printf("\n");
        std::fflush(stdout);
    }
}

void interval_table()
{
    std::printf("\n### Code intervals at 20 WPM, freshly started program\n");
    print_jitter_header("code interval");
    for (code_interval_t interval : {INTERVAL_NARROW, INTERVAL_MEDIUM, INTERVAL_WIDE}) {
        std::printf("| %s |", INTERVAL_NAMES[interval]);
        for (double j : JITTERS)
            std::printf(" %s |",
                        cell({20.0, j, 0.0, interval, 0, false, tone_filter_given, false}).c_str());
        std::printf("\n");
    }
}

void noise_table()
{
    const double levels[] = {0, 1000, 2000, 3000, 3500, 4000, 4500, 5000};
    std::printf("\n### White noise at 20 WPM, jitter 10 %%, medium code interval, "
                "freshly started program\n");
    std::printf("\n| noise RMS | SNR (full band) | noise samples above the threshold per "
                "second | CER |\n|---|---|---|---|\n");
    for (double rms : levels) {
        char snr[32] = "-";
        char loud_noise_samples[32] = "0";
        if (rms > 0) {
            std::snprintf(snr, sizeof snr, "%.1f dB",
                          10.0 * std::log10(TONE_AMPLITUDE * TONE_AMPLITUDE / 2.0 / (rms * rms)));
            // Expected: the two-sided Gaussian tail beyond the initial threshold.
            const double p = std::erfc(INITIAL_DETECTION_THRESHOLD / (rms * std::sqrt(2.0)));
            std::snprintf(loud_noise_samples, sizeof loud_noise_samples, "%.1f",
                          p * SAMPLE_RATE_HZ);
        }
        std::printf("| %.0f | %s | %s | %s |\n", rms, snr, loud_noise_samples,
                    cell({20.0, 0.1, rms, INTERVAL_MEDIUM, 0, false, tone_filter_given, false}).c_str());
    }
}

// Noise RMS for a full-band SNR: 10 log10((A^2 / 2) / rms^2) dB.
double noise_rms_for_snr(double snr_db)
{
    return TONE_AMPLITUDE / std::sqrt(2.0) * std::pow(10.0, -snr_db / 20.0);
}

// Both paths at each SNR: the tone at its amplitude (samples clamped to 16
// bits), or the whole recording normalised to its loudest sample.
void snr_table(bool normalised)
{
    const double snrs[] = {20, 15, 10, 5, 0, -3};
    const double jitter = 0.15;
    std::printf("\n### SNR at 20 WPM, jitter 15 %%, medium code interval, freshly started "
                "program, %s: plain path and tone filter\n",
                normalised ? "recording normalised to its loudest sample"
                           : "tone of amplitude 20000");
    std::printf("\n| SNR (full band) | noise RMS | plain | tone filter (auto) |\n"
                "|---|---|---|---|\n");
    for (int row = -1; row < static_cast<int>(sizeof snrs / sizeof snrs[0]); row++) {
        const double rms = row < 0 ? 0.0 : noise_rms_for_snr(snrs[row]);
        char snr[16] = "clean";
        if (row >= 0)
            std::snprintf(snr, sizeof snr, "%.0f dB", snrs[row]);
        std::printf("| %s | %.0f | %s | %s |\n", snr, rms,
                    cell({20.0, jitter, rms, INTERVAL_MEDIUM, 0, false, false, normalised}).c_str(),
                    cell({20.0, jitter, rms, INTERVAL_MEDIUM, 0, false, true, normalised}).c_str());
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char **argv)
{
    build_morse_tables();
    bool only_snr = false;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--seeds") == 0 && i + 1 < argc) {
            long seeds = 0;
            if (!parse_long(argv[++i], 1, 1000, seeds)) {
                std::fprintf(stderr, "decode_accuracy: --seeds needs a whole number 1..1000\n");
                return 2;
            }
            seed_count = static_cast<int>(seeds);
        } else if (std::strcmp(argv[i], "--tone-filter") == 0) {
            tone_filter_given = true;
        } else if (std::strcmp(argv[i], "--snr") == 0) {
            only_snr = true;
        } else if (std::strcmp(argv[i], "--show") == 0 && i + 3 < argc) {
            // --show WPM JITTER SEED [INTERVAL NOISE]: the decoded text of one run.
            run_config c = {std::atof(argv[i + 1]),
                            std::atof(argv[i + 2]),
                            i + 5 < argc ? std::atof(argv[i + 5]) : 0.0,
                            i + 4 < argc ? static_cast<code_interval_t>(std::atoi(argv[i + 4]))
                                         : INTERVAL_MEDIUM,
                            static_cast<uint64_t>(std::atoll(argv[i + 3])),
                            false,
                            tone_filter_given,
                            false};
            std::string decoded;
            const error_rates e = decode_run(c, &decoded);
            std::printf("sent:    %s\ndecoded: %s\nCER %.1f %% with spaces, %.1f %% without\n",
                        SENT_TEXT, decoded.c_str(), 100.0 * e.with_spaces,
                        100.0 * e.without_spaces);
            return 0;
        } else {
            std::fprintf(
                stderr,
                "usage: decode_accuracy [--seeds N] [--snr] [--tone-filter]\n"
                "       decode_accuracy [--tone-filter] --show WPM JITTER SEED [INTERVAL NOISE]\n");
            return 2;
        }
    }
    std::printf("Sent text (%zu characters with spaces): \"%s\"\n", std::strlen(SENT_TEXT),
                SENT_TEXT);
    std::printf("Cells: mean CER with word spaces / mean CER without spaces (worst seed, with "
                "spaces), in %%, over %d seeds.\n",
                seed_count);
    if (tone_filter_given && !only_snr)
        std::printf("Every table but the SNR table: the audio through the tone filter.\n");
    if (!only_snr) {
        speed_table(false);
        speed_table(true);
        interval_table();
        noise_table();
    }
    snr_table(false);
    snr_table(true);
    return 0;
}
