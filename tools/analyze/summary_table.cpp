#include "summary_table.h"

#include "text_output.h"

#include "core/analysis/statistics.h"
#include "core/app/measurement_engine.h"

#include <cmath>
#include <cstdio>

namespace
{

enum column_id {
    COLUMN_RECORDING,
    COLUMN_STATUS,
    COLUMN_MEASUREMENTS,
    COLUMN_TONE,
    COLUMN_MEASURED_SECONDS,
    COLUMN_KEYING_SECONDS,
    COLUMN_MARKS,
    COLUMN_DOTS,
    COLUMN_DASHES,
    COLUMN_DECISION_TIME,
    COLUMN_MEAN_DOT,
    COLUMN_DOT_DEVIATION,
    COLUMN_MEAN_DASH,
    COLUMN_DASH_DEVIATION,
    COLUMN_MEAN_GAP,
    COLUMN_GAP_DEVIATION,
    COLUMN_DASH_DOT_RATIO,
    COLUMN_GAP_DOT_RATIO,
    COLUMN_DECODED,
    COLUMN_KEYING_FILE, // CSV only
    COLUMN_MESSAGE,     // CSV only; the table shows it in place of the decoded text
};

// The figures carry the labels the panel and the keying data file give them
// (code page 932 literals, turned into UTF-8 when used).
struct column {
    column_id id;
    const char *label; // the table's heading
    const char *unit;  // the table's second heading line
    const char *csv_label;
    bool number; // right-aligned in the table
};

const column columns[] = {
    {COLUMN_RECORDING, "recording", "", "recording", false},
    {COLUMN_STATUS, "status", "", "status", false},
    {COLUMN_MEASUREMENTS, "measurements", "", "measurements", true},
    {COLUMN_TONE, "tone filter", "[Hz]", "tone filter[Hz]", true},
    {COLUMN_MEASURED_SECONDS, "集計時間", "[秒]", "集計時間[秒]", true},
    {COLUMN_KEYING_SECONDS, "打鍵時間", "[秒]", "打鍵時間[秒]", true},
    {COLUMN_MARKS, "打点数", "[個]", "打点数[個]", true},
    {COLUMN_DOTS, "短点数", "[個]", "短点数[個]", true},
    {COLUMN_DASHES, "長点数", "[個]", "長点数[個]", true},
    {COLUMN_DECISION_TIME, "長短判定時間", "[ms]", "長短判定時間[ms]", true},
    {COLUMN_MEAN_DOT, "平均短点長", "[ms]", "平均短点長[ms]", true},
    {COLUMN_DOT_DEVIATION, "偏差", "[ms]", "短点時間偏差[ms]", true},
    {COLUMN_MEAN_DASH, "平均長点長", "[ms]", "平均長点長[ms]", true},
    {COLUMN_DASH_DEVIATION, "偏差", "[ms]", "長点時間偏差[ms]", true},
    {COLUMN_MEAN_GAP, "平均点間長", "[ms]", "平均点間長[ms]", true},
    {COLUMN_GAP_DEVIATION, "偏差", "[ms]", "点間時間偏差[ms]", true},
    {COLUMN_DASH_DOT_RATIO, "平均短点長点比", "", "平均短点長点比", true},
    {COLUMN_GAP_DOT_RATIO, "平均短点点間比", "", "平均短点点間比", true},
    {COLUMN_DECODED, "decoded text", "", "decoded text", false},
    {COLUMN_KEYING_FILE, "", "", "keying data file", false},
    {COLUMN_MESSAGE, "", "", "message", false},
};

// Column gap in the table.
const char column_gap[] = "  ";

bool wanted(const column &c, const summary_layout &layout, bool csv)
{
    switch (c.id) {
    case COLUMN_MEASUREMENTS:
        return layout.measurements_column;
    case COLUMN_TONE:
        return layout.tone_column;
    case COLUMN_KEYING_FILE:
    case COLUMN_MESSAGE:
        return csv;
    default:
        return true;
    }
}

const char *status_word(const recording_job &job)
{
    switch (job.status) {
    case JOB_MEASURED:
        return job.shown.statistics.statistics_failed ? "class empty" : "measured";
    case JOB_TOO_FEW:
        return "too few";
    case JOB_FAILED:
        return "failed";
    case JOB_WAITING:
        break;
    }
    return "not run";
}

std::string integer(long long value)
{
    return std::to_string(value);
}

// One decimal, rounded as the panel's %5.1f rounds; nothing for a value
// that is not a number.
std::string tenths(double value)
{
    if (!std::isfinite(value))
        return "";
    char text[40];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string message(const recording_job &job)
{
    if (job.status == JOB_FAILED)
        return job.error;
    if (job.status == JOB_TOO_FEW)
        return "fewer than " + std::to_string(MIN_TIMELINE_ENTRIES) +
               " timeline entries (" + std::to_string(job.shown.timeline.size()) +
               "): no keying data file written";
    return "";
}

// A cell's text, UTF-8. The figures are there only where the panel shows
// them: none with too few keyings; with an empty class only the times and
// counts, as the panel then shows its failure texts instead of the rest.
std::string cell(const recording_job &job, column_id id)
{
    const measurement_result &r = job.shown;
    const keying_statistics &s = r.statistics;
    const bool counts = job.has_shown && r.evaluated;
    const bool figures = counts && !s.statistics_failed;
    switch (id) {
    case COLUMN_RECORDING:
        return job.recording;
    case COLUMN_STATUS:
        return status_word(job);
    case COLUMN_MEASUREMENTS:
        return job.has_shown ? integer(job.measurements) : "";
    case COLUMN_TONE:
        return job.tone.on ? tenths(job.tone.frequency_hz) : "";
    case COLUMN_MEASURED_SECONDS:
        return counts ? integer(r.measured_seconds) : "";
    case COLUMN_KEYING_SECONDS:
        return counts ? integer(s.keying_seconds) : "";
    case COLUMN_MARKS:
        return counts ? integer(mark_count(static_cast<int>(r.timeline.size()))) : "";
    case COLUMN_DOTS:
        return counts ? integer(s.dot_count) : "";
    case COLUMN_DASHES:
        return counts ? integer(s.dash_count) : "";
    case COLUMN_DECISION_TIME:
        return figures ? integer(s.decision_time_ms) : "";
    case COLUMN_MEAN_DOT:
        return figures ? tenths(s.mean_dot_ms) : "";
    case COLUMN_DOT_DEVIATION:
        return figures ? tenths(s.dot_deviation_ms) : "";
    case COLUMN_MEAN_DASH:
        return figures ? tenths(s.mean_dash_ms) : "";
    case COLUMN_DASH_DEVIATION:
        return figures ? tenths(s.dash_deviation_ms) : "";
    case COLUMN_MEAN_GAP:
        return figures ? tenths(s.mean_gap_ms) : "";
    case COLUMN_GAP_DEVIATION:
        return figures ? tenths(s.gap_deviation_ms) : "";
    case COLUMN_DASH_DOT_RATIO:
        return figures ? tenths(dash_dot_ratio(s)) : "";
    case COLUMN_GAP_DOT_RATIO:
        return figures ? tenths(gap_dot_ratio(s)) : "";
    case COLUMN_DECODED:
        return job.has_shown ? cp932_to_utf8(decoded_text(r)) : "";
    case COLUMN_KEYING_FILE:
        return job.status == JOB_MEASURED ? job.keying_file : "";
    case COLUMN_MESSAGE:
        return message(job);
    }
    return "";
}

// One code point of UTF-8 at text[i]; i moves past it.
unsigned next_code_point(const std::string &text, size_t &i)
{
    const unsigned char lead = static_cast<unsigned char>(text[i++]);
    int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    unsigned code = more == 3 ? lead & 0x07u : more == 2 ? lead & 0x0Fu : lead & 0x1Fu;
    if (more == 0)
        return lead;
    while (more-- > 0 && i < text.size())
        code = code << 6 | (static_cast<unsigned char>(text[i++]) & 0x3Fu);
    return code;
}

bool wide(unsigned code)
{
    return (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF) ||
           (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
           (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
           (code >= 0xFFE0 && code <= 0xFFE6) || (code >= 0x20000 && code <= 0x3FFFD);
}

// Cells of terminal width: one per character, two per wide (CJK,
// full-width) character.
size_t display_width(const std::string &utf8)
{
    size_t width = 0;
    for (size_t i = 0; i < utf8.size();)
        width += wide(next_code_point(utf8, i)) ? 2 : 1;
    return width;
}

std::string padded(const std::string &text, size_t width, bool right)
{
    const size_t used = display_width(text);
    const std::string blanks(width > used ? width - used : 0, ' ');
    return right ? blanks + text : text + blanks;
}

std::string csv_text_cell(const std::string &text)
{
    std::string value = valid_utf8(text);
    if (!value.empty() &&
        (value[0] == '=' || value[0] == '+' || value[0] == '-' || value[0] == '@'))
        value = "'" + value;
    if (value.find_first_of(",\"\r\n") == std::string::npos)
        return value;
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace

std::string summary_table_text(const std::vector<recording_job> &jobs,
                               const summary_layout &layout)
{
    std::vector<const column *> shown;
    for (const column &c : columns)
        if (wanted(c, layout, false))
            shown.push_back(&c);
    // Rows of cells: the labels, the units, then one per job.
    std::vector<std::vector<std::string>> rows(2 + jobs.size());
    for (const column *c : shown) {
        rows[0].push_back(cp932_to_utf8(c->label));
        rows[1].push_back(cp932_to_utf8(c->unit));
        for (size_t j = 0; j < jobs.size(); ++j) {
            const bool failed = jobs[j].status == JOB_FAILED;
            rows[2 + j].push_back(cell(jobs[j], failed && c->id == COLUMN_DECODED ? COLUMN_MESSAGE
                                                                                  : c->id));
        }
    }
    std::vector<size_t> widths(shown.size(), 0);
    for (const std::vector<std::string> &row : rows)
        for (size_t k = 0; k < row.size(); ++k)
            if (display_width(row[k]) > widths[k])
                widths[k] = display_width(row[k]);

    std::string text;
    for (const std::vector<std::string> &row : rows) {
        std::string line;
        for (size_t k = 0; k < row.size(); ++k) {
            if (k > 0)
                line += column_gap;
            // The last column, the decoded text, is as long as it is.
            line += k + 1 == row.size() ? row[k] : padded(row[k], widths[k], shown[k]->number);
        }
        trim_trailing_blanks(line, OUTPUT_UTF8);
        text += line + "\n";
    }
    return text;
}

std::string summary_csv_text(const std::vector<recording_job> &jobs, const summary_layout &layout)
{
    std::string csv = "\xEF\xBB\xBF";
    std::string line;
    for (const column &c : columns) {
        if (!wanted(c, layout, true))
            continue;
        line += (line.empty() ? "" : ",") + cp932_to_utf8(c.csv_label);
    }
    csv += line + "\r\n";
    for (const recording_job &job : jobs) {
        line.clear();
        bool first = true;
        for (const column &c : columns) {
            if (!wanted(c, layout, true))
                continue;
            const std::string value = cell(job, c.id);
            line += (first ? "" : ",") + (c.number ? value : csv_text_cell(value));
            first = false;
        }
        csv += line + "\r\n";
    }
    return csv;
}
