#include "text_output.h"

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

// Removes the blanks (ASCII and the ideographic space 0x81 0x40) a text
// carries only to erase what stood behind it on the screen.
void trim_trailing_blanks(std::string &line)
{
    for (;;) {
        if (!line.empty() && line.back() == ' ') {
            line.pop_back();
        } else if (line.size() >= 2 && line[line.size() - 2] == '\x81' &&
                   line[line.size() - 1] == '\x40') {
            line.resize(line.size() - 2);
        } else {
            return;
        }
    }
}

std::string lay_out(std::vector<placed_text> texts, int left_x)
{
    std::stable_sort(texts.begin(), texts.end(), [](const placed_text &a, const placed_text &b) {
        return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
    std::string lines;
    std::string line;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i > 0 && texts[i].y != texts[i - 1].y) {
            trim_trailing_blanks(line);
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
        trim_trailing_blanks(line);
        lines += line + "\n";
    }
    return lines;
}

const char *stop_description(stop_cause cause)
{
    return cause == STOP_AUTOMATIC ? "automatic stop" : "end of the recording";
}

} // namespace

std::string cp932_to_utf8(const std::string &cp932)
{
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return cp932;
    std::string utf8;
    char *in = const_cast<char *>(cp932.data());
    size_t in_left = cp932.size();
    std::vector<char> buffer(cp932.size() * 3 + 16);
    while (in_left > 0) {
        char *out = buffer.data();
        size_t out_left = buffer.size();
        const size_t result = iconv(converter, &in, &in_left, &out, &out_left);
        utf8.append(buffer.data(), static_cast<size_t>(out - buffer.data()));
        if (result == static_cast<size_t>(-1)) {
            // A byte that is no code page 932 character: replace and go on.
            utf8 += "\xEF\xBF\xBD";
            ++in;
            --in_left;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(converter);
    return utf8;
}

std::string utf8_to_cp932(const std::string &utf8)
{
    iconv_t converter = iconv_open("CP932", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return utf8;
    std::string cp932;
    char *in = const_cast<char *>(utf8.data());
    size_t in_left = utf8.size();
    std::vector<char> buffer(utf8.size() + 16);
    while (in_left > 0) {
        char *out = buffer.data();
        size_t out_left = buffer.size();
        const size_t result = iconv(converter, &in, &in_left, &out, &out_left);
        cp932.append(buffer.data(), static_cast<size_t>(out - buffer.data()));
        if (result == static_cast<size_t>(-1) && errno != E2BIG) {
            // No code for this character (or no UTF-8): one '?' for the
            // character, its continuation bytes skipped.
            cp932 += '?';
            do {
                ++in;
                --in_left;
            } while (in_left > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(converter);
    return cp932;
}

std::string panel_lines(const measurement_result &result)
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
    // The panel as the window shows it once the file is saved; a file that
    // cannot be written is reported on its own.
    panel_text formatted[MAX_PANEL_TEXTS];
    const int count =
        format_statistics_texts(result.statistics, static_cast<int32_t>(result.timeline.size()),
                                result.measured_seconds, true, formatted);
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

void print_measurement(FILE *out, const measurement_result &result, int number,
                       output_encoding encoding)
{
    const double rate = SAMPLE_RATE_HZ;
    std::fprintf(out, "measurement %d: ", number);
    if (result.first_onset_sample >= 0)
        std::fprintf(out, "first key-down at %.3f s, ", result.first_onset_sample / rate);
    else
        std::fprintf(out, "no key-down, ");
    std::fprintf(out, "stopped at %.3f s of the recording (%s), %zu timeline entries\n",
                 result.stop_sample / rate, stop_description(result.cause), result.timeline.size());

    std::string body = "decoded: " + decoded_text(result) + "\n\n" + panel_lines(result);
    if (encoding == OUTPUT_UTF8)
        body = cp932_to_utf8(body);
    std::fputs(body.c_str(), out);
}

void print_tone_filter(FILE *out, const tone_filter_setting &tone)
{
    std::fprintf(out, "tone filter: %.1f Hz%s\n\n", tone.frequency_hz,
                 !tone.estimated ? ""
                 : tone.clear    ? " (found in the recording)"
                                 : " (no clear tone found: the strongest frequency)");
}
