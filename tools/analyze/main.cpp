// ventrok-analyze: the program's measurement and replay on the command line.
// The commands, their options and the exit codes are in the help texts below
// (and docs/ventrok-analyze.md).
#include "command_line.h"
#include "measure_command.h"
#include "paths.h"
#include "tools/common/file_output.h"
#include "tools/common/wav_file.h"
#include "win32/resources/version.h"

#include "core/replay/keying_file.h"
#include "core/replay/sequencer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{

const char measure_help[] =
    "usage: ventrok-analyze measure RECORDING [options]\n"
    "       ventrok-analyze measure RECORDING|FOLDER... [-o FOLDER] [--summary-csv FILE]\n"
    "                                                   [--jobs N] [options]\n"
    "\n"
    "Runs a recording (WAV, FLAC, Ogg and whatever else libsndfile reads; any rate and\n"
    "channel count; - for standard input) through the program's measurement as if 開始\n"
    "had been pressed before it, prints the decoded text and the statistics panel, and\n"
    "writes the keying data file.\n"
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
    "No output may be a recording given (the same file): such a command is refused.\n"
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
    "                           at the tone found in the recording; the filtered tone\n"
    "                           is brought to a fixed level unless a threshold is given\n"
    "                           (a stream takes only --tone-filter HZ --threshold N)\n"
    "  --no-progress            no count of the recordings done on stderr\n";

const char replay_help[] =
    "usage: ventrok-analyze replay FILE.csv OUT.wav [--speed X | --k N]\n"
    "\n"
    "Renders a keying data file as the replay window plays it, 8-bit unsigned mono at\n"
    "11025 Hz. OUT.wav may not be FILE.csv.\n"
    "  --speed X                0.33..2.2 (default 1.00): k = round(11 / X)\n"
    "  --k N                    samples per recorded ms, 5..33 (default 11)\n";

const char common_help[] =
    "\n"
    "Every option takes its value as the next argument or as --option=value; -- ends\n"
    "the options. ventrok-analyze --version prints the version.\n"
    "\n"
    "exit codes: 0 done, 1 unreadable input or unwritable output, 2 bad arguments,\n"
    "3 too few keyings to evaluate (no keying data file written). With several\n"
    "recordings: 1 when any failed (the others are measured all the same), else 3\n"
    "when any had too few keyings, else 0.\n";

// Help texts are compiled to code page 932 like every literal; show them in
// UTF-8.
void print_help(const char *command_help)
{
    std::fputs(cp932_to_utf8(command_help).c_str(), stdout);
    std::fputs(common_help, stdout);
}

int run_replay(const replay_arguments &a)
{
    std::string output;
    std::string input;
    if (output_replacing_input({a.wav}, {a.keying_file}, output, input))
        return usage_error("the WAV '" + output + "' would replace the keying data file '" +
                           input + "'");
    std::unique_ptr<replay_record> record(new replay_record());
    int measured_seconds = 0;
    switch (load_keying_data_file_named(a.keying_file.c_str(), *record, &measured_seconds)) {
    case LOAD_MISSING:
        return failure("cannot open the keying data file '" + a.keying_file +
                       "': " + system_error_text(errno));
    case LOAD_DAMAGED:
        return failure("'" + a.keying_file +
                       "' is not a readable keying data file (damaged or too long)");
    case LOAD_LOADED:
        break;
    }

    // A fresh tone generator: the replay as the program plays it the first
    // time after start-up.
    tone_generator tone = {false, 0};
    const replay_entries entries = {record->entries, record->entry_count, REPLAY_CAPACITY};
    const std::vector<uint8_t> samples = render_replay(tone, entries, a.samples_per_ms);
    std::string error;
    if (!write_file_whole(a.wav, wav_file_bytes(samples, SAMPLE_RATE_HZ), error))
        return failure(error);
    std::printf("%s: %d entries, %.3f s at k = %d (speed %.2f)\n", a.wav.c_str(),
                record->entry_count, samples.size() / static_cast<double>(SAMPLE_RATE_HZ),
                a.samples_per_ms, 11.0 / a.samples_per_ms);
    return EXIT_DONE;
}

int run_command(int argc, char **argv)
{
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(cp932_to_utf8(measure_help).c_str(), stdout);
        std::fputs("\n", stdout);
        print_help(replay_help);
        return EXIT_DONE;
    }
    if (command == "--version") {
        std::printf("ventrok-analyze %s\n", VENTROK_VERSION_TEXT);
        return EXIT_DONE;
    }
    if (command == "measure") {
        measure_arguments a;
        if (const int code = parse_measure(argc - 2, argv + 2, a))
            return code;
        if (a.help)
            print_help(measure_help);
        return a.help ? EXIT_DONE : run_measure(a);
    }
    if (command == "replay") {
        replay_arguments a;
        if (const int code = parse_replay(argc - 2, argv + 2, a))
            return code;
        if (a.help)
            print_help(replay_help);
        return a.help ? EXIT_DONE : run_replay(a);
    }
    return usage_error("unknown command '" + command + "'");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return usage_error("give a command: measure or replay");
    const int code = run_command(argc, argv);
    // The report on stdout is the command's main output: losing it (a full
    // disk, a closed pipe) is a failure, not a success.
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return failure("cannot write the report to standard output");
    return code;
}
