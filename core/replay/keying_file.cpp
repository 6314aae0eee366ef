#include "core/replay/keying_file.h"

// The labels below are code page 932 in every build of the core (the other
// core files guard the compiler flag); the fuzz build of the reader alone,
// with clang, keeps them UTF-8, which the reader never looks at.

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace
{

// Appends one printf-formatted line and its CR LF line end.
void append_line(std::string &text, const char *format, ...)
{
    char line[300];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    if (length > 0)
        text.append(line, static_cast<size_t>(length) < sizeof line ? length : sizeof line - 1);
    text += "\r\n";
}

} // namespace

std::string format_keying_data_file(const uint16_t *entries, int timeline_count,
                                    int measured_seconds, const keying_statistics &stats)
{
    std::string text;
    text.reserve(512 + 6 * static_cast<size_t>(timeline_count));
    append_line(text, "打鍵データ(CSV形式)");
    append_line(text, "集計時間[秒],%d", measured_seconds);
    append_line(text, "総打点数[点],%d,総データー数[個],%d", mark_count(timeline_count),
                timeline_count);
    append_line(text, "平均短点長[ms],%3.1f,短点時間偏差[ms],%3.1f", stats.mean_dot_ms,
                stats.dot_deviation_ms);
    append_line(text, "平均長点長[ms],%3.1f,長点時間偏差[ms],%3.1f", stats.mean_dash_ms,
                stats.dash_deviation_ms);
    append_line(text, "平均点間長[ms],%3.1f,点間時間偏差[ms],%3.1f", stats.mean_gap_ms,
                stats.gap_deviation_ms);
    // With a mean dot length of 0 both ratios are inf or nan; the line is
    // written all the same and the reader skips over whatever text they get.
    append_line(text, "平均短点長点比,%3.1f,平均短点点間比,%3.1f,長短判定時間[ms],%d",
                dash_dot_ratio(stats), gap_dot_ratio(stats), stats.decision_time_ms);
    append_line(text, "打点時間[ミリ秒](スペースから開始、最後0msで終了)");
    char value[16];
    for (int i = 0; i < timeline_count; i++) {
        const int length = std::snprintf(value, sizeof value, "%d,", int(entries[i]));
        text.append(value, static_cast<size_t>(length));
    }
    // The closing zero makes the record end with a zero-length element.
    append_line(text, "0");
    append_line(text, "打鍵終了");
    return text;
}

// The reader goes value by value. Every read is checked: a value that is not
// where it belongs makes the whole file damaged rather than leaving a
// half-filled record.

// A whitespace-delimited word (title, heading, closing line), discarded.
static bool skip_word(FILE *file)
{
    char word[100];
    return std::fscanf(file, "%99s", word) == 1;
}

// A label: everything up to the next comma, and the comma. Labels are not
// compared; only their position counts.
static bool skip_label(FILE *file)
{
    char label[100];
    return std::fscanf(file, " %99[^,]", label) == 1 && std::getc(file) == ',';
}

// A decimal integer. Read as text and converted here, so that an
// out-of-range number is refused instead of overflowing.
static bool read_integer(FILE *file, long long *value)
{
    char digits[24];
    if (std::fscanf(file, " %22[-+0-9]", digits) != 1)
        return false;
    char *end = nullptr;
    errno = 0;
    const long long v = std::strtoll(digits, &end, 10);
    if (end == digits || *end != '\0' || errno == ERANGE)
        return false;
    *value = v;
    return true;
}

// A statistics value, skipped as text whatever it says ("12.5", "inf",
// "-nan", "1.#INF"): the program never uses it.
static bool skip_value(FILE *file)
{
    int skipped = 0;
    std::fscanf(file, "%*[^,\r\n]%n", &skipped);
    return skipped > 0;
}

static bool expect_comma(FILE *file)
{
    return std::getc(file) == ',';
}

// After the last value of a line: a line end (CR LF or LF), or the end of
// the file.
static bool expect_line_end(FILE *file)
{
    const int c = std::getc(file);
    return c == EOF || std::isspace(c);
}

static bool read_int_value(FILE *file, int *value)
{
    long long v = 0;
    if (!read_integer(file, &v) || v < INT_MIN || v > INT_MAX)
        return false;
    *value = int(v);
    return true;
}

static bool read_header(FILE *file, int *file_seconds, int *entry_count)
{
    int mark_total = 0;
    if (!skip_word(file))
        return false;
    if (!skip_label(file) || !read_int_value(file, file_seconds) || !expect_line_end(file))
        return false;
    if (!skip_label(file) || !read_int_value(file, &mark_total) || !expect_comma(file))
        return false;
    if (!skip_label(file) || !read_int_value(file, entry_count) || !expect_line_end(file))
        return false;
    // Three lines of "label,mean,label,deviation", then the ratio line.
    for (int line = 0; line < 3; line++) {
        if (!skip_label(file) || !skip_value(file) || !expect_comma(file))
            return false;
        if (!skip_label(file) || !skip_value(file) || !expect_line_end(file))
            return false;
    }
    for (int ratio = 0; ratio < 2; ratio++) {
        if (!skip_label(file) || !skip_value(file) || !expect_comma(file))
            return false;
    }
    int decision_time_ms = 0;
    if (!skip_label(file) || !read_int_value(file, &decision_time_ms) || !expect_line_end(file))
        return false;
    return skip_word(file); // heading of the duration record
}

static bool read_durations(FILE *file, replay_record &record)
{
    const int count = record.entry_count;
    uint32_t total_ms = 0;
    long long v = 0;
    for (int i = 0; i < count; i++) {
        if (!read_integer(file, &v) || !expect_comma(file))
            return false;
        record.entries[i] = uint16_t(v); // the low 16 bits, as written
        total_ms += record.entries[i];
    }
    if (!read_integer(file, &v) || !expect_line_end(file))
        return false;
    record.entries[count] = uint16_t(v); // the closing zero
    record.entries[count + 1] = 0;
    record.record_seconds = total_ms / 1000;
    return true;
}

load_result_t load_keying_data_file(FILE *file, replay_record &record, int *measured_seconds)
{
    std::memset(&record, 0, sizeof record);
    int file_seconds = 0;
    int entry_count = 0;
    // A count beyond the record's room is refused: the record must also hold
    // the closing zero and the zero entry behind it.
    if (!read_header(file, &file_seconds, &entry_count) || entry_count < 0 ||
        entry_count > MAX_REPLAY_DURATIONS) {
        return LOAD_DAMAGED;
    }
    record.entry_count = entry_count;
    if (!read_durations(file, record)) {
        std::memset(&record, 0, sizeof record);
        return LOAD_DAMAGED;
    }
    skip_word(file); // the closing line; the record is complete without it
    *measured_seconds = file_seconds;
    return LOAD_LOADED;
}

load_result_t load_keying_data_file_named(const char *path, replay_record &record,
                                          int *measured_seconds)
{
    FILE *file = std::fopen(path, "r");
    if (file == nullptr)
        return LOAD_MISSING;
    const load_result_t result = load_keying_data_file(file, record, measured_seconds);
    std::fclose(file);
    return result;
}
