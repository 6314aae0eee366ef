#include "json_output.h"

#include "core/analysis/code_tables.h"
#include "text_output.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace
{

std::string quoted(const std::string &text)
{
    std::string out = "\"";
    for (unsigned char c : valid_utf8(text)) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string cp932_quoted(const std::string &cp932)
{
    return quoted(cp932_to_utf8(cp932));
}

// Doubles in the shortest form that reads back exactly; a non-finite ratio
// (a mean dot length of 0) has no JSON number and is written as null.
std::string number(double value)
{
    if (!std::isfinite(value))
        return "null";
    char text[40];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string number(long long value)
{
    return std::to_string(value);
}

const char *kind_name(entry_kind_t kind)
{
    switch (kind) {
    case ENTRY_PLAIN:
        return "plain";
    case ENTRY_ERROR:
        return "error";
    case ENTRY_PROSIGN:
        return "prosign";
    case ENTRY_VOICED_KANA:
        return "voiced_kana";
    default:
        return "unknown";
    }
}

const char *interval_name(int interval)
{
    static const char *names[] = {"narrow", "medium", "wide"};
    return interval >= 0 && interval <= 2 ? names[interval] : "unknown";
}

std::string statistics_json(const measurement_result &r)
{
    const keying_statistics &s = r.statistics;
    std::string j = "{";
    j += "\"measured_seconds\": " + number(static_cast<long long>(r.measured_seconds));
    j += ", \"keying_seconds\": " + number(static_cast<long long>(s.keying_seconds));
    j += ", \"mark_count\": " +
         number(static_cast<long long>(mark_count(static_cast<int>(r.timeline.size()))));
    j += ", \"timeline_count\": " + number(static_cast<long long>(r.timeline.size()));
    j += ", \"dot_count\": " + number(static_cast<long long>(s.dot_count));
    j += ", \"dash_count\": " + number(static_cast<long long>(s.dash_count));
    j += ", \"decision_time_ms\": " + number(static_cast<long long>(s.decision_time_ms));
    j += ", \"mean_dot_ms\": " + number(s.mean_dot_ms);
    j += ", \"dot_deviation_ms\": " + number(s.dot_deviation_ms);
    j += ", \"mean_dash_ms\": " + number(s.mean_dash_ms);
    j += ", \"dash_deviation_ms\": " + number(s.dash_deviation_ms);
    j += ", \"mean_gap_ms\": " + number(s.mean_gap_ms);
    j += ", \"gap_deviation_ms\": " + number(s.gap_deviation_ms);
    j += ", \"dash_dot_ratio\": " + number(dash_dot_ratio(s));
    j += ", \"gap_dot_ratio\": " + number(gap_dot_ratio(s));
    j += std::string(", \"statistics_failed\": ") + (s.statistics_failed ? "true" : "false");
    return j + "}";
}

// keying_file_path: the file that holds this measurement, or empty.
std::string measurement_json(const measurement_result &r, const std::string &keying_file_path,
                             bool keying_file_saved)
{
    const double rate = SAMPLE_RATE_HZ;
    std::string j = "    {\n";
    j += "      \"start_seconds\": " + number(r.start_sample / rate) + ",\n";
    j += "      \"first_key_down_seconds\": " +
         (r.first_onset_sample >= 0 ? number(r.first_onset_sample / rate) : "null") + ",\n";
    j += "      \"stop_seconds\": " + number(r.stop_sample / rate) + ",\n";
    j += std::string("      \"stopped_by\": ") +
         (r.cause == STOP_AUTOMATIC ? "\"automatic stop\"" : "\"end of recording\"") + ",\n";
    j += "      \"measurement_clock_ms\": " +
         number(static_cast<long long>(r.measurement_clock_ms)) + ",\n";
    j += "      \"timeline\": [";
    for (size_t i = 0; i < r.timeline.size(); ++i)
        j += (i ? "," : "") + number(static_cast<long long>(r.timeline[i]));
    j += "],\n";
    j += "      \"decoded_text\": " + cp932_quoted(decoded_text(r)) + ",\n";
    j += "      \"characters\": [";
    for (size_t i = 0; i < r.characters.size(); ++i) {
        const decoded_character &c = r.characters[i];
        j += i ? ",\n        " : "\n        ";
        j += "{\"text\": " + cp932_quoted(c.text) + ", \"kind\": \"" + kind_name(c.kind) +
             "\", \"clock_ms\": " + number(static_cast<long long>(c.clock_ms)) +
             ", \"mark_unit_ms\": " + number(static_cast<long long>(c.mark_unit_ms)) +
             ", \"space_unit_ms\": " + number(static_cast<long long>(c.space_unit_ms)) + "}";
    }
    j += r.characters.empty() ? "],\n" : "\n      ],\n";
    j += "      \"alphabet_switch_after_character\": [";
    for (size_t i = 0; i < r.alphabet_switches_at.size(); ++i)
        j += (i ? "," : "") + number(static_cast<long long>(r.alphabet_switches_at[i]));
    j += "],\n";
    j += std::string("      \"too_few_keyings\": ") + (r.evaluated ? "false" : "true") + ",\n";
    j += "      \"statistics\": " + (r.evaluated ? statistics_json(r) : "null") + ",\n";
    j += "      \"keying_data_file\": " +
         (r.evaluated && !keying_file_path.empty() ? quoted(keying_file_path) : "null") + ",\n";
    j += "      \"panel\": [";
    const std::string lines = panel_lines(r, keying_file_saved);
    size_t begin = 0;
    bool first = true;
    while (begin < lines.size()) {
        const size_t end = lines.find('\n', begin);
        j += (first ? "" : ", ") + cp932_quoted(lines.substr(begin, end - begin));
        first = false;
        begin = end + 1;
    }
    return j + "]\n    }";
}

std::string tone_filter_json(const tone_filter_setting &tone)
{
    return ", \"tone_filter\": {\"frequency_hz\": " + number(tone.frequency_hz) +
           ", \"found_in_recording\": " + (tone.estimated ? "true" : "false") +
           ", \"clear\": " + (tone.clear ? "true" : "false") + ", \"level\": " +
           (tone.level ? number(static_cast<long long>(tone.level)) : "null") + "}";
}

// A count the file may not give: null then.
std::string known(long long value)
{
    return value >= 0 ? number(value) : "null";
}

} // namespace

std::string recording_json(const recording_job &job, const settings_record &settings)
{
    const recording_info &recording = job.info;
    const tone_filter_setting &tone = job.tone;
    std::string j = "{\n";
    j += "  \"recording\": {\"sample_rate\": " +
         number(static_cast<long long>(recording.sample_rate)) +
         ", \"channels\": " + number(static_cast<long long>(recording.channels)) +
         ", \"frames\": " + known(recording.frames) +
         ", \"seconds\": " + (recording.frames >= 0 ? number(recording.seconds) : "null") +
         ", \"format\": " + quoted(recording.format) + "},\n";
    j += "  \"settings\": {\"detection_threshold\": " +
         number(static_cast<long long>(settings.detection_threshold)) +
         ", \"key_delay_ms\": " + number(static_cast<long long>(settings.mark_delay_ms)) +
         ", \"interval\": \"" + interval_name(settings.code_interval) + "\"" +
         ", \"wabun\": " + (settings.decode_alphabet == ALPHABET_WABUN ? "true" : "false") +
         ", \"auto_switch\": " + (settings.alphabet_auto_switch ? "true" : "false") +
         ", \"clipping\": " + (settings.clipping_mode == CLIPPING_ON ? "true" : "false") +
         (tone.on ? tone_filter_json(tone) : std::string()) + "},\n";
    j += "  \"measurements\": [\n";
    const std::vector<measurement_result> &results = job.results;
    for (size_t i = 0; i < results.size(); ++i) {
        // Only the last evaluated measurement remains in the keying data file.
        bool kept_in_file = job.file_written;
        for (size_t later = i + 1; later < results.size(); ++later)
            kept_in_file = kept_in_file && !results[later].evaluated;
        j += measurement_json(results[i], kept_in_file ? job.keying_file : std::string(),
                              job.file_written);
        j += i + 1 < results.size() ? ",\n" : "\n";
    }
    return j + "  ]\n}";
}

std::string batch_json(const std::vector<recording_job> &jobs, const settings_record &settings)
{
    std::string j = "[\n";
    for (size_t i = 0; i < jobs.size(); ++i) {
        const recording_job &job = jobs[i];
        const char *status = job.status == JOB_MEASURED  ? "measured"
                             : job.status == JOB_TOO_FEW ? "too few"
                                                         : "failed";
        j += "  {\"path\": " + quoted(job.recording) + ", \"status\": \"" + status + "\"";
        j += ", \"error\": " + (job.status == JOB_FAILED ? quoted(job.error) : "null");
        j += ",\n   \"result\": " + (job.has_shown ? recording_json(job, settings) : "null") + "}";
        j += i + 1 < jobs.size() ? ",\n" : "\n";
    }
    return j + "]\n";
}
