// make_keying_wav: writes keyed-tone test recordings (11025 Hz, 16-bit signed, mono WAV)
// for the measurement, either from a list of mark and space durations or from text sent
// as Morse code with hand-keying irregularity.
//
// Durations are measurement-clock milliseconds of 11 samples each. With rise time 0 and a
// tone well above the detection threshold, the program measures exactly the given values.
// The rule that makes this so:
//
//   The detector holds the key down while |s| > threshold and for the 15 quiet samples after
//   the last loud one; the 16th quiet sample is the first key-up sample. A mark lasts from
//   its onset sample (the first loud one) to its first key-up sample, a space from that
//   key-up sample to the next onset, and both ends are read on the clock = counter / 11,
//   where the counter is 0 at the first onset of the recording.
//
//   So every onset and every first key-up sample is placed on a multiple of 11 samples
//   counted from the first onset, and the truncating /11 then yields the exact values:
//     mark of d ms:  11*d - 15 samples of tone, then 15 silent samples (the hang),
//     space of d ms: 11*d silent samples.
//   Mark plus following space is 11*(mark + space) samples, onset to onset.
//
//   The first and last sample of each tone burst must be loud themselves. The start phase
//   of each burst is chosen so that both edge samples reach at least 1/sqrt(2) of the
//   amplitude, which with the default amplitude 20000 clears the initial threshold 12240.
//   Inside a burst the zero crossings are far shorter than the 16-sample hang at any
//   frequency from about 300 Hz up.
//
//   The program records the first space (before the first mark) of a fresh recording as 0,
//   because its clock restarts at that first onset; with the default key delay of 2 ms it
//   ignores marks and spaces shorter than 4 ms.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/app/settings.h"
#include "core/audio/detector.h"
#include "tools/common/file_output.h"
#include "tools/common/number_text.h"
#include "tools/common/wav_file.h"
#include "tools/keying_text.h"

using namespace keying_text;

namespace
{

// Quiet samples still counted as key down after the last loud one.
const long HANG_QUIET_SAMPLES = HANG_SAMPLES - 1;
const long KEY_DELAY_MS = INITIAL_KEY_DELAY_MS; // the program's default key delay
const long SAMPLES_A_MS = SAMPLES_PER_MS;

struct keying_options {
    std::string mode, out_path;
    std::string durations_text, durations_file, text;
    double wpm = 20.0, jitter = 0.0, dash_ratio = 3.0;
    unsigned long long seed = 1;
    double freq_hz = 700.0, amplitude = 20000.0, noise_rms = 0.0, rise_ms = 0.0;
    long lead_ms = 150, tail_ms = 11000;
    bool print_durations = false;
    bool normalize = false;
};

[[noreturn]] void fail(const std::string &message)
{
    std::fprintf(stderr, "make_keying_wav: %s\n(make_keying_wav --help shows the usage)\n",
                 message.c_str());
    std::exit(2);
}

void print_help()
{
    std::printf(
        "usage: make_keying_wav durations OUT.wav (--durations LIST | --durations-file FILE) "
        "[options]\n"
        "       make_keying_wav text OUT.wav (--text TEXT | --text-file FILE) [--wpm N]\n"
        "                       [--jitter X] [--seed N] [--dash-ratio X] [options]\n\n"
        "Writes an 11025 Hz, 16-bit signed, mono WAV of a keyed tone.\n\n"
        "durations: LIST is comma or whitespace separated measurement-clock ms (11 samples\n"
        "  each): the space before the first mark, then mark, space, mark, ...\n"
        "  With --rise-ms 0 and an amplitude well above the detection threshold the program\n"
        "  measures exactly these values (a fresh recording always records its first space\n"
        "  as 0; marks and spaces under 4 ms fall below the default key delay).\n"
        "  With --rise-ms > 0 exact durations are NOT promised: the ramps shorten the marks.\n"
        "  The first and last sample of a mark reach at least 0.71 of the amplitude, so the\n"
        "  amplitude must exceed 1.42 times the threshold (17400 for the initial 12240).\n"
        "text: PARIS timing, dot = 1200/wpm ms, dash = dash-ratio dots, element gap 1 dot,\n"
        "  letter gap 3, word gap 7; each element varies with relative standard deviation\n"
        "  --jitter (seeded, deterministic). Letters, digits, . , ? ' ! / ( ) & : ; = + - _\n"
        "  \" $ @; <AR> sends the letters inside the brackets as one prosign.\n\n"
        "options:\n"
        "  --wpm N              words per minute (text; default 20)\n"
        "  --jitter X           relative standard deviation of every element (default 0)\n"
        "  --dash-ratio X       dash length in dots (default 3.0)\n"
        "  --seed N             seed of the jitter and noise generators (default 1)\n"
        "  --freq HZ            tone frequency (default 700)\n"
        "  --amplitude A        tone peak, 1..32767 (default 20000)\n"
        "  --noise RMS          white noise added everywhere, in sample units (default 0)\n"
        "  --rise-ms MS         raised-cosine rise and fall time (default 0)\n"
        "  --normalize          scale the whole recording so that its loudest sample is at\n"
        "                       full scale, as recorders and sound editors leave their files\n"
        "  --lead-ms MS         silence before the first space (default 150)\n"
        "  --tail-ms MS         silence after the last element (default 11000)\n"
        "  --print-durations    print the intended timeline to stdout, comma separated\n");
}

std::string read_file(const std::string &path)
{
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        fail("cannot read " + path);
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    std::fclose(f);
    return text;
}

keying_options parse_arguments(int argc, char **argv)
{
    keying_options o;
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            print_help();
            std::exit(0);
        }
    if (argc < 3)
        fail("expected a mode (durations or text) and an output file");
    o.mode = argv[1];
    o.out_path = argv[2];
    if (o.mode != "durations" && o.mode != "text")
        fail("unknown mode '" + o.mode + "' (durations or text)");
    for (int i = 3; i < argc; ++i) {
        std::string name = argv[i];
        if (name == "--print-durations" || name == "--normalize") {
            (name == "--normalize" ? o.normalize : o.print_durations) = true;
            continue;
        }
        if (i + 1 >= argc)
            fail("option " + name + " needs a value");
        const char *value = argv[++i];
        long n = 0;
        bool ok = true;
        if (name == "--durations")
            o.durations_text = value;
        else if (name == "--durations-file")
            o.durations_file = value;
        else if (name == "--text")
            o.text = value;
        else if (name == "--text-file")
            o.text = read_file(value);
        else if (name == "--wpm")
            ok = parse_double(value, 1.0, 100.0, o.wpm);
        else if (name == "--jitter")
            ok = parse_double(value, 0.0, 1.0, o.jitter);
        else if (name == "--dash-ratio")
            ok = parse_double(value, 1.0, 10.0, o.dash_ratio);
        else if (name == "--seed") {
            ok = parse_long(value, 0, LONG_MAX, n);
            o.seed = (unsigned long long)n;
        } else if (name == "--freq")
            ok = parse_double(value, 0.0, 5000.0, o.freq_hz) && o.freq_hz > 0.0 && o.freq_hz < 5000.0;
        else if (name == "--amplitude")
            ok = parse_double(value, 1.0, 32767.0, o.amplitude);
        else if (name == "--noise")
            ok = parse_double(value, 0.0, 32767.0, o.noise_rms);
        else if (name == "--rise-ms")
            ok = parse_double(value, 0.0, 100.0, o.rise_ms);
        else if (name == "--lead-ms")
            ok = parse_long(value, 0, 600000, o.lead_ms);
        else if (name == "--tail-ms")
            ok = parse_long(value, 0, 600000, o.tail_ms);
        else
            fail("unknown option " + name);
        if (!ok)
            fail("bad value '" + std::string(value) + "' for " + name);
    }
    if (o.mode == "durations") {
        if (o.durations_text.empty() == o.durations_file.empty())
            fail("durations mode needs exactly one of --durations and --durations-file");
        if (!o.text.empty())
            fail("--text belongs to text mode");
    } else {
        if (o.text.empty())
            fail("text mode needs --text");
        if (!o.durations_text.empty() || !o.durations_file.empty())
            fail("--durations belongs to durations mode");
    }
    return o;
}

std::vector<long> parse_duration_list(const std::string &text)
{
    std::vector<long> list;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == ',' || c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < text.size() && std::strchr(", \t\n\r", text[j]) == nullptr)
            ++j;
        std::string item = text.substr(i, j - i);
        long value = 0;
        if (!parse_long(item.c_str(), 0, 65535, value))
            fail("bad duration '" + item + "' (whole ms, 0..65535)");
        list.push_back(value);
        i = j;
    }
    if (list.size() < 2)
        fail("the duration list needs the first space and at least one mark");
    for (size_t k = 1; k < list.size(); ++k) {
        bool is_mark = (k % 2) == 1;
        if (is_mark && list[k] * SAMPLES_A_MS <= HANG_QUIET_SAMPLES)
            fail("mark " + std::to_string(list[k]) + " ms is too short to render (at least 2)");
        if (list[k] <= KEY_DELAY_MS + 1)
            std::fprintf(stderr,
                         "make_keying_wav: warning: the program ignores a %s of %ld ms with "
                         "its default key delay of %ld ms\n",
                         is_mark ? "mark" : "space", list[k], KEY_DELAY_MS);
    }
    if (list[0] != 0)
        std::fprintf(stderr,
                     "make_keying_wav: warning: a fresh recording records its first "
                     "space as 0, not %ld\n",
                     list[0]);
    return list;
}

// Text to timeline: 0 for the space before the first mark, then mark, gap, mark, ...
std::vector<long> text_to_durations(const keying_options &o)
{
    // Real milliseconds to measurement-clock milliseconds (11 samples = 0.99773 ms).
    const double dot_ms = 1200.0 / o.wpm * SAMPLE_RATE_HZ / (SAMPLES_A_MS * 1000.0);
    rng rng = make_rng(o.seed, 1);
    auto jittered = [&](double units) {
        double factor = 1.0 + o.jitter * rng_normal(rng);
        if (factor < 0.25)
            factor = 0.25;
        long ms = std::lround(units * dot_ms * factor);
        return ms < KEY_DELAY_MS + 2 ? (long)KEY_DELAY_MS + 2 : ms;
    };
    std::vector<long> list{0};
    double pending_gap = 0.0; // 0 before the first mark
    bool in_prosign = false;
    for (size_t i = 0; i < o.text.size(); ++i) {
        char c = o.text[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (list.size() > 1)
                pending_gap = 7.0;
            continue;
        }
        if (c == '<' && !in_prosign) {
            in_prosign = true;
            continue;
        }
        if (c == '>' && in_prosign) {
            in_prosign = false;
            continue;
        }
        const char *code = morse_code_of(c);
        if (!code)
            fail(std::string("no Morse code for character '") + c + "'");
        for (const char *e = code; *e; ++e) {
            if (list.size() > 1)
                list.push_back(jittered(pending_gap));
            list.push_back(jittered(*e == '-' ? o.dash_ratio : 1.0));
            pending_gap = 1.0;
        }
        if (!in_prosign)
            pending_gap = 3.0;
        else
            pending_gap = 1.0;
    }
    if (list.size() < 2)
        fail("the text has nothing to send");
    return list;
}

// One tone burst of the given length at the given position, edges loud (see the top).
void render_tone(std::vector<double> &signal, size_t start, long length, const keying_options &o)
{
    const double omega = 2.0 * PI * o.freq_hz / SAMPLE_RATE_HZ;
    const double half_span = omega * (double)(length - 1) / 2.0;
    // Edge samples get |cos(half_span)| or |sin(half_span)| of the peak; take the larger.
    double phase = std::fabs(std::cos(half_span)) >= std::fabs(std::sin(half_span))
                       ? PI / 2.0 - half_span
                       : PI - half_span;
    long ramp = std::lround(o.rise_ms * SAMPLES_A_MS);
    if (ramp > length / 2)
        ramp = length / 2;
    for (long i = 0; i < length; ++i) {
        double envelope = 1.0;
        long from_edge = i < length - 1 - i ? i : length - 1 - i;
        if (from_edge < ramp)
            envelope = 0.5 * (1.0 - std::cos(PI * (from_edge + 0.5) / ramp));
        signal[start + i] = o.amplitude * envelope * std::sin(phase + omega * i);
    }
}

std::vector<std::int16_t> render(const std::vector<long> &durations, const keying_options &o)
{
    long total_ms = o.lead_ms + o.tail_ms;
    for (long d : durations)
        total_ms += d;
    std::vector<double> signal((size_t)total_ms * SAMPLES_A_MS, 0.0);
    size_t pos = (size_t)(o.lead_ms + durations[0]) * SAMPLES_A_MS;
    for (size_t k = 1; k < durations.size(); ++k) {
        long samples = durations[k] * SAMPLES_A_MS;
        if (k % 2 == 1)
            render_tone(signal, pos, samples - HANG_QUIET_SAMPLES, o);
        pos += (size_t)samples;
    }
    rng rng = make_rng(o.seed, 2);
    double peak = 0.0;
    for (double &v : signal) {
        if (o.noise_rms > 0.0)
            v += o.noise_rms * rng_normal(rng);
        peak = std::max(peak, std::fabs(v));
    }
    const double scale = o.normalize && peak > 0.0 ? 32767.0 / peak : 1.0;
    std::vector<std::int16_t> pcm(signal.size());
    for (size_t i = 0; i < signal.size(); ++i) {
        long s = std::lround(signal[i] * scale);
        pcm[i] = (std::int16_t)(s > 32767 ? 32767 : s < -32768 ? -32768 : s);
    }
    return pcm;
}

} // namespace

int main(int argc, char **argv)
{
    keying_options o = parse_arguments(argc, argv);
    std::vector<long> durations;
    if (o.mode == "durations")
        durations = parse_duration_list(o.durations_file.empty() ? o.durations_text
                                                                 : read_file(o.durations_file));
    else
        durations = text_to_durations(o);
    // The edge samples of a burst reach at least 1/sqrt(2) of the amplitude.
    if (o.amplitude / std::sqrt(2.0) - 4.0 * o.noise_rms <= INITIAL_DETECTION_THRESHOLD)
        std::fprintf(stderr,
                     "make_keying_wav: warning: with this amplitude and noise the first or last "
                     "sample of a mark may not exceed the initial threshold %d\n",
                     INITIAL_DETECTION_THRESHOLD);
    if (o.freq_hz < 300.0)
        std::fprintf(stderr, "make_keying_wav: warning: below about 300 Hz the zero crossings "
                             "may outlast the detector's hang\n");
    std::vector<std::int16_t> pcm = render(durations, o);
    std::string error;
    if (!write_file_whole(o.out_path, wav_file_bytes(pcm, SAMPLE_RATE_HZ), error)) {
        std::fprintf(stderr, "make_keying_wav: %s\n", error.c_str());
        return 1;
    }
    if (o.print_durations) {
        for (size_t k = 0; k < durations.size(); ++k)
            std::printf(k ? ",%ld" : "%ld", durations[k]);
        std::printf("\n");
    }
    return 0;
}
