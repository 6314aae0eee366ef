// ventrok-analyze: the program's measurement and replay on the command line.
//
//   ventrok-analyze measure RECORDING [options]   measure a recorded keying
//   ventrok-analyze measure RECORDING|FOLDER... [-o FOLDER] [--summary-csv FILE] [--jobs N]
//   ventrok-analyze replay FILE.csv OUT.wav [--speed X | --k N]
//
// Exit codes: 0 done, 1 the input could not be read or the output not
// written, 2 bad arguments, 3 measured but too short to evaluate (fewer than
// 40 timeline entries), so no keying data file was written.
#include "batch_command.h"
#include "command_line.h"
#include "json_output.h"
#include "measure.h"
#include "output_files.h"
#include "recording_input.h"
#include "recording_tone.h"
#include "text_output.h"
#include "tools/common/wav_file.h"

#include "core/analysis/decoder.h"
#include "core/app/measurement_engine.h"
#include "core/replay/keying_file.h"
#include "core/replay/sequencer.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{

const char usage_text[] =
    "usage: ventrok-analyze measure RECORDING [options]\n"
    "       ventrok-analyze measure RECORDING|FOLDER... [-o FOLDER] [--summary-csv FILE]\n"
    "                                                   [--jobs N] [options]\n"
    "       ventrok-analyze replay FILE.csv OUT.wav [--speed X | --k N]\n"
    "\n"
    "measure: runs a recording (WAV, FLAC, Ogg and whatever else libsndfile reads; any\n"
    "rate and channel count) through the program's measurement as if 開始 had been\n"
    "pressed before it, prints the decoded text and the statistics panel, and writes\n"
    "the keying data file.\n"
    "  -o FILE                  keying data file (default 打鍵データ.csv here)\n"
    "\n"
    "With several recordings, a folder (its wav, flac, ogg, oga, opus, mp3, aif, aiff,\n"
    "aifc, caf, w64, rf64 and au/snd files, sorted by name), an existing folder after -o,\n"
    "or --summary-csv: every recording is measured with the same options, one per core,\n"
    "its keying data file written as NAME.csv (take1.flac gives take1.csv) into the\n"
    "folder -o names (default here), and a table with one row per recording printed.\n"
    "  -o FOLDER                folder for the keying data files (must exist)\n"
    "  --summary-csv FILE       the table as CSV for a spreadsheet (UTF-8 with BOM)\n"
    "  --jobs N, -j N           at most N recordings at once (default: one per core)\n"
    "\n"
    "Options of the measurement:\n"
    "  --threshold-position P   detection threshold trackbar position 0..100\n"
    "  --threshold N            detection threshold as a sample magnitude 510..31875\n"
    "                           (default 12240)\n"
    "  --key-delay MS           key delay 0..100 (default 2)\n"
    "  --interval narrow|medium|wide   code interval (default medium)\n"
    "  --wabun                  decode Wabun (和文) instead of European\n"
    "  --auto-switch            switch alphabets on ﾎﾚ / ﾗﾀ sent twice\n"
    "  --clipping               the clipping transform on the input\n"
    "  --continuous             after each stop press クリア and 開始 at once and go on\n"
    "                           to the end of the recording (the file keeps the last\n"
    "                           evaluated measurement, as the program's would)\n"
    "  --json                   print JSON (UTF-8) instead of the text (several\n"
    "                           recordings: a list with one object per recording)\n"
    "  --encoding utf-8|cp932   encoding of the printed text (default utf-8)\n"
    "  --tone-filter [auto|HZ]  a narrow tone filter before the detector, for keying\n"
    "                           in noise: at HZ (100..3000) or, with auto or no value,\n"
    "                           at the tone found in the recording\n"
    "  --no-progress            no progress line on stderr\n"
    "\n"
    "replay: renders a keying data file as the replay window plays it, 8-bit\n"
    "unsigned mono at 11025 Hz.\n"
    "  --speed X                0.33..2.2 (default 1.00): k = round(11 / X)\n"
    "  --k N                    samples per recorded ms, 5..33 (default 11)\n"
    "\n"
    "exit codes: 0 done, 1 unreadable input or unwritable output, 2 bad arguments,\n"
    "3 too few keyings to evaluate (no keying data file written). With several\n"
    "recordings: 1 when any failed (the others are measured all the same), else 3\n"
    "when any had too few keyings, else 0.\n";

// Usage texts are compiled to code page 932 like every literal; show them
// in UTF-8.
void print_usage(FILE *out)
{
    std::fputs(cp932_to_utf8(usage_text).c_str(), out);
}

// What the measurements leave for the end: for the text, only the last
// evaluated one (each is printed as it stops, through the stdio buffer);
// for JSON, every one.
struct collected {
    bool print_text;
    output_encoding encoding;
    int count;
    std::vector<measurement_result> results; // JSON only
    bool have_kept;
    measurement_result kept; // the last evaluated one: the keying data file's
};

void on_measurement_done(void *context, const measurement_result &result)
{
    collected *c = static_cast<collected *>(context);
    c->count++;
    if (result.evaluated) {
        c->kept = result;
        c->have_kept = true;
    }
    if (c->print_text) {
        if (c->count > 1)
            std::fputs("\n", stdout);
        print_measurement(stdout, result, c->count, c->encoding);
    } else {
        c->results.push_back(result);
    }
}

// One recording, as the window measures it: each measurement printed as it
// stops, the keying data file at -o or under the program's name here.
int measure_single(const measure_arguments &a)
{
    const std::string &recording = a.recordings.front();
    std::string error;
    std::string note;
    tone_filter_setting tone = {};
    if (!choose_tone_filter(recording.c_str(), a.tone_filter, a.tone_filter_hz, tone, note, error))
        return failure(error);
    if (!note.empty())
        std::fprintf(stderr, "ventrok-analyze: %s\n", note.c_str());
    recording_input *raw =
        open_recording(recording.c_str(), tone.on ? tone.frequency_hz : 0.0, error);
    if (!raw)
        return failure(error);
    std::unique_ptr<recording_input, void (*)(recording_input *)> input(raw, close_recording);

    if (tone.on && !a.json)
        print_tone_filter(stdout, tone);
    std::unique_ptr<collected> c(new collected());
    c->print_text = !a.json;
    c->encoding = a.encoding;
    if (!measure_recording(input.get(), a.options, on_measurement_done, c.get(), error))
        return failure(error);

    // The keying data file keeps the last evaluated measurement, as each
    // evaluated stop of the program replaces it.
    const measurement_result *kept = c->have_kept ? &c->kept : nullptr;
    if (kept && !write_file_whole(a.output, kept->keying_file, error))
        return failure(error);

    if (a.json) {
        std::fputs(measurements_json(recording_description(input.get()), a.options.settings, tone,
                                     c->results, kept ? a.output : std::string())
                       .c_str(),
                   stdout);
        std::fputs("\n", stdout);
    } else if (kept) {
        std::printf("\nkeying data file: %s\n", a.output.c_str());
    } else {
        std::printf("\nno keying data file written (fewer than %d timeline entries)\n",
                    MIN_TIMELINE_ENTRIES);
    }
    return kept ? EXIT_DONE : EXIT_TOO_FEW;
}

int run_measure(int argc, char **argv)
{
    measure_arguments a;
    if (const int code = parse_measure(argc, argv, a))
        return code;
    if (is_batch(a))
        return run_batch(a);
    return measure_single(a);
}

int run_replay(int argc, char **argv)
{
    std::string csv;
    std::string wav;
    int samples_per_ms = DEFAULT_SAMPLES_PER_MS;
    bool speed_given = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--speed" || arg == "--k") {
            if (speed_given)
                return usage_error("give the speed once, as --speed or as --k");
            speed_given = true;
            if (i + 1 >= argc)
                return usage_error(arg + " needs a value");
            const char *v = argv[++i];
            if (arg == "--speed") {
                double speed = 0;
                if (!parse_double(v, 0.33, 2.2, speed))
                    return usage_error("--speed needs a number 0.33..2.2");
                long k = std::lround(11.0 / speed);
                samples_per_ms = static_cast<int>(
                    k < MIN_SAMPLES_PER_MS ? MIN_SAMPLES_PER_MS
                                           : (k > MAX_SAMPLES_PER_MS ? MAX_SAMPLES_PER_MS : k));
            } else {
                long k = 0;
                if (!parse_long(v, MIN_SAMPLES_PER_MS, MAX_SAMPLES_PER_MS, k))
                    return usage_error("--k needs a whole number 5..33");
                samples_per_ms = static_cast<int>(k);
            }
        } else if (!arg.empty() && arg[0] == '-') {
            return usage_error("unknown option '" + arg + "'");
        } else if (csv.empty()) {
            csv = arg;
        } else if (wav.empty()) {
            wav = arg;
        } else {
            return usage_error("replay takes a keying data file and a WAV file name");
        }
    }
    if (wav.empty())
        return usage_error("replay needs a keying data file and a WAV file name");

    std::unique_ptr<replay_record> record(new replay_record());
    int measured_seconds = 0;
    switch (load_keying_data_file_named(csv.c_str(), *record, &measured_seconds)) {
    case LOAD_MISSING:
        return failure("cannot open the keying data file '" + csv + "': " + std::strerror(errno));
    case LOAD_DAMAGED:
        return failure("'" + csv + "' is not a readable keying data file (damaged or too long)");
    case LOAD_LOADED:
        break;
    }

    // A fresh tone generator: the replay as the program plays it the first
    // time after start-up.
    tone_generator tone = {false, 0};
    const replay_entries entries = {record->entries, record->entry_count, REPLAY_CAPACITY};
    const std::vector<uint8_t> samples = render_replay(tone, entries, samples_per_ms);
    std::string error;
    if (!write_file_whole(wav, wav_file_bytes(samples, SAMPLE_RATE_HZ), error))
        return failure(error);
    std::printf("%s: %d entries, %.3f s at k = %d (speed %.2f)\n", wav.c_str(), record->entry_count,
                samples.size() / static_cast<double>(SAMPLE_RATE_HZ), samples_per_ms,
                11.0 / samples_per_ms);
    return EXIT_DONE;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return usage_error("give a command: measure or replay");
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        print_usage(stdout);
        return EXIT_DONE;
    }
    int code;
    if (command == "measure")
        code = run_measure(argc - 2, argv + 2);
    else if (command == "replay")
        code = run_replay(argc - 2, argv + 2);
    else
        return usage_error("unknown command '" + command + "'");
    // The report on stdout is the command's main output: losing it (a full
    // disk, a closed pipe) is a failure, not a success.
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return failure("cannot write the report to standard output");
    return code;
}
