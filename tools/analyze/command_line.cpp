#include "command_line.h"

#include "core/app/settings.h"
#include "core/replay/keying_file.h"
#include "tools/tone_filter/tone_filter.h"

#include <cerrno>
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

// The value of --tone-filter: "auto", a frequency, or none (auto). A next
// argument that is neither is left for the recording.
int parse_tone_filter(const char *value, measure_arguments &a, bool *used)
{
    *used = false;
    a.tone_filter = TONE_FILTER_AUTO;
    if (!value || std::strcmp(value, "auto") == 0) {
        *used = value != nullptr;
        return 0;
    }
    char *end = nullptr;
    const double hz = std::strtod(value, &end);
    if (end == value || *end != '\0')
        return 0;
    *used = true;
    if (!tone_filter_frequency_valid(hz))
        return usage_error(tone_filter_range_message);
    a.tone_filter = TONE_FILTER_AT;
    a.tone_filter_hz = hz;
    return 0;
}

} // namespace

int parse_measure(int argc, char **argv, measure_arguments &a)
{
    a.options.settings = initial_settings();
    a.options.progress = true;
    // The program's file name, in the file system's encoding (UTF-8).
    a.output = cp932_to_utf8(KEYING_DATA_FILE_NAME);
    settings_record &s = a.options.settings;
    bool threshold_given = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char * { return i + 1 < argc ? argv[++i] : nullptr; };
        long number = 0;
        if (arg == "-o" || arg == "--output") {
            const char *v = value();
            if (!v || !*v)
                return usage_error("-o needs a file or folder name");
            a.output = v;
            a.output_given = true;
        } else if (arg == "--summary-csv") {
            const char *v = value();
            if (!v || !*v)
                return usage_error("--summary-csv needs a file name");
            a.summary_csv = v;
        } else if (arg == "--jobs" || arg == "-j") {
            const char *v = value();
            if (!v || !parse_long(v, 1, MAX_JOBS, number))
                return usage_error("--jobs needs a whole number 1.." + std::to_string(MAX_JOBS));
            a.jobs = static_cast<int>(number);
        } else if (arg == "--threshold-position" || arg == "--threshold") {
            const bool position = arg == "--threshold-position";
            const char *v = value();
            if (threshold_given)
                return usage_error("give the threshold once, as a position or as a magnitude");
            threshold_given = true;
            if (position) {
                if (!v || !parse_long(v, 0, 100, number))
                    return usage_error("--threshold-position needs a whole number 0..100");
                s.detection_threshold = threshold_from_position(static_cast<int>(number));
            } else {
                if (!v || !parse_long(v, MIN_DETECTION_THRESHOLD, MAX_DETECTION_THRESHOLD, number))
                    return usage_error("--threshold needs a whole number 510..31875");
                s.detection_threshold = static_cast<int32_t>(number);
            }
        } else if (arg == "--key-delay") {
            const char *v = value();
            if (!v || !parse_long(v, 0, 100, number))
                return usage_error("--key-delay needs a whole number 0..100 (ms)");
            s.mark_delay_ms = static_cast<uint32_t>(number);
            s.space_delay_ms = static_cast<uint32_t>(number);
        } else if (arg == "--interval") {
            const char *v = value();
            const std::string name = v ? v : "";
            if (name == "narrow")
                s.code_interval = INTERVAL_NARROW;
            else if (name == "medium")
                s.code_interval = INTERVAL_MEDIUM;
            else if (name == "wide")
                s.code_interval = INTERVAL_WIDE;
            else
                return usage_error("--interval is narrow, medium or wide");
        } else if (arg == "--wabun") {
            s.decode_alphabet = ALPHABET_WABUN;
        } else if (arg == "--auto-switch") {
            s.alphabet_auto_switch = true;
        } else if (arg == "--clipping") {
            s.clipping_mode = CLIPPING_ON;
        } else if (arg == "--continuous") {
            a.options.continuous = true;
        } else if (arg == "--json") {
            a.json = true;
        } else if (arg == "--no-progress") {
            a.options.progress = false;
        } else if (arg == "--encoding") {
            const char *v = value();
            const std::string name = v ? v : "";
            if (name == "utf-8" || name == "utf8" || name == "UTF-8")
                a.encoding = OUTPUT_UTF8;
            else if (name == "cp932" || name == "CP932" || name == "shift_jis")
                a.encoding = OUTPUT_CP932;
            else
                return usage_error("--encoding is utf-8 or cp932");
        } else if (arg == "--tone-filter") {
            bool used = false;
            if (const int code = parse_tone_filter(i + 1 < argc ? argv[i + 1] : nullptr, a, &used))
                return code;
            if (used)
                ++i;
        } else if (arg.compare(0, 14, "--tone-filter=") == 0) {
            bool used = false;
            if (const int code = parse_tone_filter(arg.c_str() + 14, a, &used))
                return code;
            if (!used)
                return usage_error(tone_filter_range_message);
        } else if (arg == "--resampler") {
            // One converter serves every rate now; a choice would change
            // nothing worth choosing (docs/ventrok-analyze.md).
            return usage_error("--resampler is no longer an option: every sample rate is "
                               "converted with one high-quality converter");
        } else if (!arg.empty() && arg[0] == '-') {
            return usage_error("unknown option '" + arg + "'");
        } else {
            a.recordings.push_back(arg);
        }
    }
    if (a.recordings.empty())
        return usage_error("measure needs a recording");
    return 0;
}
