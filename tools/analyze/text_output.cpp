#include "text_output.h"

#include "core/app/measurement_engine.h"
#include "core/display/statistics_texts.h"

#include <iconv.h>

#include <cerrno>

#include <algorithm>
#include <vector>

namespace
{

// The panel's left text column and the width of one byte of its font.
constexpr int PANEL_LEFT_X = 120;
constexpr int PIXELS_PER_BYTE = 8;

struct placed_text {
    int x;
    int y;
    std::string text;
};

std::string lay_out(std::vector<placed_text> texts, int left_x)
{
    std::stable_sort(texts.begin(), texts.end(), [](const placed_text &a, const placed_text &b) {
        return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
    std::string lines;
    std::string line;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i > 0 && texts[i].y != texts[i - 1].y) {
            trim_trailing_blanks(line, OUTPUT_CP932);
            lines += line + "\n";
            line.clear();
        }
        size_t column = static_cast<size_t>(std::max(0, (texts[i].x - left_x) / PIXELS_PER_BYTE));
        if (!line.empty() && column < line.size() + 1)
            column = line.size() + 1; // never run two texts together
        line.resize(std::max(column, line.size()), ' ');
        line += texts[i].text;
    }
    if (!texts.empty()) {
        trim_trailing_blanks(line, OUTPUT_CP932);
        lines += line + "\n";
    }
    return lines;
}

const char *stop_description(stop_cause cause)
{
    return cause == STOP_AUTOMATIC ? "automatic stop" : "end of the recording";
}

} // namespace

void trim_trailing_blanks(std::string &line, output_encoding encoding)
{
    for (;;) {
        if (!line.empty() && line.back() == ' ') {
            line.pop_back();
        } else if (encoding == OUTPUT_CP932 && line.size() >= 2 &&
                   line[line.size() - 2] == '\x81' && line[line.size() - 1] == '\x40') {
            line.resize(line.size() - 2);
        } else {
            return;
        }
    }
}

std::string valid_utf8(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        // The bytes of the sequence the lead byte starts (0: it starts none).
        size_t length = 0;
        if (lead < 0x80)
            length = 1;
        else if (lead >= 0xC2 && lead < 0xE0)
            length = 2;
        else if (lead >= 0xE0 && lead < 0xF0)
            length = 3;
        else if (lead >= 0xF0 && lead < 0xF5)
            length = 4;
        uint32_t code = lead & (0x7Fu >> length);
        size_t used = 1;
        while (used < length && i + used < text.size() &&
               (static_cast<unsigned char>(text[i + used]) & 0xC0) == 0x80)
            code = code << 6 | (static_cast<unsigned char>(text[i + used++]) & 0x3F);
        // Neither a longer form of a shorter sequence nor a surrogate.
        const uint32_t least = length == 3 ? 0x800 : length == 4 ? 0x10000 : 0;
        const bool valid = length > 0 && used == length && code >= least && code <= 0x10FFFF &&
                           (code < 0xD800 || code > 0xDFFF);
        out += valid ? text.substr(i, length) : std::string("\xEF\xBF\xBD");
        i += valid ? length : 1;
    }
    return out;
}

namespace
{

// Text from one encoding into the other through iconv. What the other has no
// code for (or what is not of the first) becomes replacement, and the reading
// goes on after it: after one byte of code page 932, after the whole
// character of UTF-8.
std::string converted(const std::string &text, const char *to, const char *from,
                      const char *replacement, bool utf8_in)
{
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return text;
    std::string out;
    char *in = const_cast<char *>(text.data());
    size_t in_left = text.size();
    std::vector<char> buffer(text.size() * 3 + 16);
    while (in_left > 0) {
        char *at = buffer.data();
        size_t room = buffer.size();
        const size_t result = iconv(converter, &in, &in_left, &at, &room);
        out.append(buffer.data(), static_cast<size_t>(at - buffer.data()));
        if (result == static_cast<size_t>(-1) && errno != E2BIG) {
            out += replacement;
            do {
                ++in;
                --in_left;
            } while (utf8_in && in_left > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(converter);
    return out;
}

} // namespace

std::string cp932_to_utf8(const std::string &cp932)
{
    return converted(cp932, "UTF-8", "CP932", "\xEF\xBF\xBD", false);
}

std::string utf8_to_cp932(const std::string &utf8)
{
    return converted(utf8, "CP932", "UTF-8", "?", true);
}

std::string panel_lines(const measurement_result &result, bool keying_file_saved)
{
    std::vector<placed_text> placed;
    if (!result.evaluated) {
        // What the stop sequence writes when there are fewer than 40 entries.
        panel_text too_few[MAX_PANEL_TEXTS];
        const int count = format_too_few_keyings_texts(too_few);
        for (int i = 0; i < count; ++i)
            placed.push_back({too_few[i].x, too_few[i].y, too_few[i].text});
        return lay_out(placed, 180);
    }
    // The panel as the window shows it after it has tried to save the file.
    panel_text formatted[MAX_PANEL_TEXTS];
    const int count =
        format_statistics_texts(result.statistics, static_cast<int32_t>(result.timeline.size()),
                                result.measured_seconds, keying_file_saved, formatted);
    for (int i = 0; i < count; ++i)
        placed.push_back({formatted[i].x, formatted[i].y, formatted[i].text});
    return lay_out(placed, PANEL_LEFT_X);
}

std::string decoded_text(const measurement_result &result)
{
    std::string text;
    for (const decoded_character &c : result.characters)
        text += c.text;
    return text;
}

namespace
{

// One measurement; number counts from 1.
void print_measurement(FILE *out, const measurement_result &result, int number,
                       output_encoding encoding, bool keying_file_saved)
{
    const double rate = SAMPLE_RATE_HZ;
    std::fprintf(out, "measurement %d: ", number);
    if (result.first_onset_sample >= 0)
        std::fprintf(out, "first key-down at %.3f s, ", result.first_onset_sample / rate);
    else
        std::fprintf(out, "no key-down, ");
    std::fprintf(out, "stopped at %.3f s of the recording (%s), %zu timeline entries\n",
                 result.stop_sample / rate, stop_description(result.cause), result.timeline.size());

    std::string body =
        "decoded: " + decoded_text(result) + "\n\n" + panel_lines(result, keying_file_saved);
    if (encoding == OUTPUT_UTF8)
        body = cp932_to_utf8(body);
    std::fputs(body.c_str(), out);
}

} // namespace

void print_recording_report(FILE *out, const recording_job &job, output_encoding encoding)
{
    const tone_filter_setting &tone = job.tone;
    if (tone.on)
        std::fprintf(out, "tone filter: %.1f Hz%s\n\n", tone.frequency_hz,
                     !tone.estimated ? ""
                     : tone.clear    ? " (found in the recording)"
                                     : " (no clear tone found: the strongest frequency)");
    for (size_t i = 0; i < job.results.size(); ++i) {
        if (i > 0)
            std::fputs("\n", out);
        print_measurement(out, job.results[i], static_cast<int>(i) + 1, encoding, job.file_written);
    }
    if (job.file_written)
        std::fprintf(out, "\nkeying data file: %s\n", job.keying_file.c_str());
    else if (job.status == JOB_TOO_FEW)
        std::fprintf(out, "\nno keying data file written (fewer than %d timeline entries)\n",
                     MIN_TIMELINE_ENTRIES);
}
