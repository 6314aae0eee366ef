#include "command_line.h"

#include "core/app/settings.h"
#include "core/replay/keying_file.h"
#include "core/replay/sequencer.h"
#include "tools/common/number_text.h"
#include "tools/tone_filter/tone_filter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int usage_error(const std::string &message)
{
    std::fprintf(stderr, "ventrok-analyze: %s\n", message.c_str());
    std::fprintf(stderr, "run 'ventrok-analyze --help' for the options\n");
    return EXIT_USAGE;
}

int failure(const std::string &message)
{
    std::fprintf(stderr, "ventrok-analyze: %s\n", message.c_str());
    return EXIT_FAILED;
}

namespace
{

const char tone_filter_range_message[] = "--tone-filter takes auto or a frequency of 100..3000 Hz";

// The arguments one by one: operands, and options with their values.
struct argument_walk {
    int argc;
    char **argv;
    int next;           // the argument to read next
    bool options_ended; // after "--"
    // The option just read: its name and, from --name=value, its value.
    std::string name;
    const char *attached;
};

// Reads the next argument; false at the end. An operand leaves name empty
// and its text in attached.
bool next_argument(argument_walk &w)
{
    if (w.next >= w.argc)
        return false;
    const char *arg = w.argv[w.next++];
    w.name.clear();
    w.attached = arg;
    if (!w.options_ended && std::strcmp(arg, "--") == 0) {
        w.options_ended = true;
        return next_argument(w);
    }
    if (w.options_ended || arg[0] != '-' || arg[1] == '\0')
        return true; // "-" is standard input
    const char *equals = std::strncmp(arg, "--", 2) == 0 ? std::strchr(arg, '=') : nullptr;
    w.name = equals ? std::string(arg, equals) : std::string(arg);
    w.attached = equals ? equals + 1 : nullptr;
    return true;
}

// The option's value: after '=', else the next argument; null when none.
const char *option_value(argument_walk &w)
{
    if (w.attached)
        return w.attached;
    return w.next < w.argc ? w.argv[w.next++] : nullptr;
}

bool is_help(const std::string &name)
{
    return name == "--help" || name == "-h";
}

// The value of --tone-filter: "auto", a frequency, or none (auto). Without
// '=', a next argument that is neither is left for the recording.
int parse_tone_filter(argument_walk &w, measure_arguments &a)
{
    const char *value = w.attached;
    const bool attached = value != nullptr;
    if (!attached && w.next < w.argc)
        value = w.argv[w.next];
    a.tone_filter = TONE_FILTER_AUTO;
    char *end = nullptr;
    const double hz = value ? std::strtod(value, &end) : 0.0;
    const bool number = value && end != value && *end == '\0';
    const bool used = value && (number || std::strcmp(value, "auto") == 0);
    if (attached && !used)
        return usage_error(tone_filter_range_message);
    if (used && !attached)
        w.next++;
    if (!number)
        return 0;
    if (!tone_filter_frequency_valid(hz))
        return usage_error(tone_filter_range_message);
    a.tone_filter = TONE_FILTER_AT;
    a.tone_filter_hz = hz;
    return 0;
}

// A measure option that takes no value; false when name is none of them.
bool parse_flag(const std::string &name, measure_arguments &a)
{
    settings_record &s = a.options.settings;
    if (name == "--wabun")
        s.decode_alphabet = ALPHABET_WABUN;
    else if (name == "--auto-switch")
        s.alphabet_auto_switch = true;
    else if (name == "--clipping")
        s.clipping_mode = CLIPPING_ON;
    else if (name == "--continuous")
        a.options.continuous = true;
    else if (name == "--json")
        a.json = true;
    else if (name == "--no-progress")
        a.progress = false;
    else
        return false;
    return true;
}

// A measure option with a value (its value read here); -1 when name is none
// of them.
int parse_valued(argument_walk &w, measure_arguments &a)
{
    const std::string &name = w.name;
    settings_record &s = a.options.settings;
    long number = 0;
    if (name == "-o" || name == "--output") {
        const char *v = option_value(w);
        if (!v || !*v)
            return usage_error("-o needs a file or folder name");
        a.output = v;
        a.output_given = true;
    } else if (name == "--summary-csv") {
        const char *v = option_value(w);
        if (!v || !*v)
            return usage_error("--summary-csv needs a file name");
        a.summary_csv = v;
    } else if (name == "--jobs" || name == "-j") {
        const char *v = option_value(w);
        if (!v || !parse_long(v, 1, MAX_JOBS, number))
            return usage_error("--jobs needs a whole number 1.." + std::to_string(MAX_JOBS));
        a.jobs = static_cast<int>(number);
    } else if (name == "--threshold-position" || name == "--threshold") {
        const bool position = name == "--threshold-position";
        const char *v = option_value(w);
        if (a.threshold_given)
            return usage_error("give the threshold once, as a position or as a magnitude");
        a.threshold_given = true;
        if (position) {
            if (!v || !parse_long(v, 0, 100, number))
                return usage_error("--threshold-position needs a whole number 0..100");
            s.detection_threshold = threshold_from_position(static_cast<int>(number));
        } else {
            if (!v || !parse_long(v, MIN_DETECTION_THRESHOLD, MAX_DETECTION_THRESHOLD, number))
                return usage_error("--threshold needs a whole number 510..31875");
            s.detection_threshold = static_cast<int32_t>(number);
        }
    } else if (name == "--key-delay") {
        const char *v = option_value(w);
        if (!v || !parse_long(v, 0, 100, number))
            return usage_error("--key-delay needs a whole number 0..100 (ms)");
        s.mark_delay_ms = static_cast<uint32_t>(number);
        s.space_delay_ms = static_cast<uint32_t>(number);
    } else if (name == "--interval") {
        const char *v = option_value(w);
        const std::string interval = v ? v : "";
        if (interval == "narrow")
            s.code_interval = INTERVAL_NARROW;
        else if (interval == "medium")
            s.code_interval = INTERVAL_MEDIUM;
        else if (interval == "wide")
            s.code_interval = INTERVAL_WIDE;
        else
            return usage_error("--interval is narrow, medium or wide");
    } else if (name == "--encoding") {
        const char *v = option_value(w);
        const std::string encoding = v ? v : "";
        if (encoding == "utf-8" || encoding == "utf8" || encoding == "UTF-8")
            a.encoding = OUTPUT_UTF8;
        else if (encoding == "cp932" || encoding == "CP932" || encoding == "shift_jis")
            a.encoding = OUTPUT_CP932;
        else
            return usage_error("--encoding is utf-8 or cp932");
    } else if (name == "--tone-filter") {
        return parse_tone_filter(w, a);
    } else if (name == "--resampler") {
        // One converter serves every rate now; a choice would change
        // nothing worth choosing (docs/ventrok-analyze.md).
        return usage_error("--resampler is no longer an option: every sample rate is "
                           "converted with one high-quality converter");
    } else {
        return -1;
    }
    return 0;
}

} // namespace

int parse_measure(int argc, char **argv, measure_arguments &a)
{
    a.options.settings = initial_settings();
    // The program's file name, in the file system's encoding (UTF-8).
    a.output = cp932_to_utf8(KEYING_DATA_FILE_NAME);
    argument_walk w = {argc, argv, 0, false, std::string(), nullptr};
    while (next_argument(w)) {
        if (w.name.empty()) {
            a.recordings.push_back(w.attached);
        } else if (is_help(w.name)) {
            a.help = true;
            return 0;
        } else if (parse_flag(w.name, a)) {
            if (w.attached)
                return usage_error(w.name + " takes no value");
        } else {
            const int code = parse_valued(w, a);
            if (code >= 0) {
                if (code != 0)
                    return code;
                continue;
            }
            return usage_error("unknown option '" + w.name + "'");
        }
    }
    if (a.recordings.empty())
        return usage_error("measure needs a recording");
    return 0;
}

int parse_replay(int argc, char **argv, replay_arguments &a)
{
    a.samples_per_ms = DEFAULT_SAMPLES_PER_MS;
    bool speed_given = false;
    std::vector<std::string> files;
    argument_walk w = {argc, argv, 0, false, std::string(), nullptr};
    while (next_argument(w)) {
        if (w.name.empty()) {
            files.push_back(w.attached);
            continue;
        }
        if (is_help(w.name)) {
            a.help = true;
            return 0;
        }
        if (w.name != "--speed" && w.name != "--k")
            return usage_error("unknown option '" + w.name + "'");
        if (speed_given)
            return usage_error("give the speed once, as --speed or as --k");
        speed_given = true;
        const char *v = option_value(w);
        if (!v)
            return usage_error(w.name + " needs a value");
        if (w.name == "--speed") {
            double speed = 0;
            if (!parse_double(v, 0.33, 2.2, speed))
                return usage_error("--speed needs a number 0.33..2.2");
            const long k = std::lround(11.0 / speed);
            a.samples_per_ms = static_cast<int>(
                k < MIN_SAMPLES_PER_MS ? MIN_SAMPLES_PER_MS
                                       : (k > MAX_SAMPLES_PER_MS ? MAX_SAMPLES_PER_MS : k));
        } else {
            long k = 0;
            if (!parse_long(v, MIN_SAMPLES_PER_MS, MAX_SAMPLES_PER_MS, k))
                return usage_error("--k needs a whole number 5..33");
            a.samples_per_ms = static_cast<int>(k);
        }
    }
    if (files.size() > 2)
        return usage_error("replay takes a keying data file and a WAV file name");
    if (files.size() < 2)
        return usage_error("replay needs a keying data file and a WAV file name");
    a.keying_file = files[0];
    a.wav = files[1];
    return 0;
}
