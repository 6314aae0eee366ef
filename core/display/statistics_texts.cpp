#include "core/display/statistics_texts.h"

#include <cstdio>

#include "core/cp932_literals.h"

namespace
{

namespace panel_texts
{
constexpr const char *measured_seconds = "集計時間  %3d[秒]";
constexpr const char *keying_seconds = "打鍵時間  %3d[秒]";
constexpr const char *mark_count = "打点数   %4d[個]";
constexpr const char *dot_count = "短点数   %4d[個]";
constexpr const char *dash_count = "長点数   %4d[個]";
constexpr const char *division_by_zero = "０割算のため計算できませんでした";
constexpr const char *no_dots_or_dashes = "長点もしくは短点の数が０です";
constexpr const char *press_clear = "クリアを押してください";
constexpr const char *dash_dot_ratio = "平均短点長点比  %5.1f";
constexpr const char *gap_dot_ratio = "平均短点点間比  %5.1f";
constexpr const char *decision_time = "長短判定時間     %4d[ms]";
constexpr const char *mean_dot = "平均短点長  %5.1f[ms]   偏差 %4.1f[ms]";
constexpr const char *mean_dash = "平均長点長  %5.1f[ms]   偏差 %4.1f[ms]";
constexpr const char *mean_gap = "平均点間長  %5.1f[ms]   偏差 %4.1f[ms]";
constexpr const char *press_clear_to_restart = "再開はクリアを押してください";
constexpr const char *replay_hint = "印字・再生で記録したデータの印字および再生ができます";
constexpr const char *file_not_saved = "打鍵データ.csvを保存できませんでした";
constexpr const char *too_few_keyings = "打鍵数が少なすぎます";
constexpr const char *key_twenty_times = "20回以上打鍵してください";
constexpr const char *press_clear_covering = "クリアを押してください"
                                             "　　　　　　　　　　　　　　";
} // namespace panel_texts

// Appends one text; the formats are fixed and short, so the buffer never
// truncates them.
panel_text &next(panel_text texts[], int &count, int x, int y)
{
    panel_text &text = texts[count++];
    text.x = x;
    text.y = y;
    return text;
}

void add_plain(panel_text texts[], int &count, int x, int y, const char *plain)
{
    panel_text &text = next(texts, count, x, y);
    std::snprintf(text.text, sizeof text.text, "%s", plain);
}

void add_integer(panel_text texts[], int &count, int x, int y, const char *format, int value)
{
    panel_text &text = next(texts, count, x, y);
    std::snprintf(text.text, sizeof text.text, format, value);
}

void add_real(panel_text texts[], int &count, int x, int y, const char *format, double value)
{
    panel_text &text = next(texts, count, x, y);
    std::snprintf(text.text, sizeof text.text, format, value);
}

void add_mean(panel_text texts[], int &count, int y, const char *format, double mean_ms,
              double deviation_ms)
{
    panel_text &text = next(texts, count, 420, y);
    std::snprintf(text.text, sizeof text.text, format, mean_ms, deviation_ms);
}

} // namespace

int format_statistics_texts(const keying_statistics &stats, int32_t timeline_count,
                            int measured_seconds, bool keying_file_saved,
                            panel_text texts[MAX_PANEL_TEXTS])
{
    namespace t = panel_texts;
    int count = 0;
    add_integer(texts, count, 120, 170, t::measured_seconds, measured_seconds);
    add_integer(texts, count, 420, 170, t::keying_seconds, static_cast<int>(stats.keying_seconds));
    add_integer(texts, count, 120, 198, t::mark_count, mark_count(timeline_count));
    add_integer(texts, count, 420, 198, t::dot_count, stats.dot_count);
    add_integer(texts, count, 720, 198, t::dash_count, stats.dash_count);

    if (stats.statistics_failed) {
        add_plain(texts, count, 120, 250, t::division_by_zero);
        add_plain(texts, count, 120, 270, t::no_dots_or_dashes);
        add_plain(texts, count, 120, 310, t::press_clear);
        if (!keying_file_saved)
            add_plain(texts, count, 120, 370, t::file_not_saved);
        return count;
    }

    // The ratios are derived here from the stored means.
    add_real(texts, count, 120, 236, t::dash_dot_ratio, dash_dot_ratio(stats));
    add_real(texts, count, 120, 264, t::gap_dot_ratio, gap_dot_ratio(stats));
    add_integer(texts, count, 120, 292, t::decision_time, stats.decision_time_ms);
    add_mean(texts, count, 236, t::mean_dot, stats.mean_dot_ms, stats.dot_deviation_ms);
    add_mean(texts, count, 264, t::mean_dash, stats.mean_dash_ms, stats.dash_deviation_ms);
    add_mean(texts, count, 292, t::mean_gap, stats.mean_gap_ms, stats.gap_deviation_ms);
    add_plain(texts, count, 120, 350, t::press_clear_to_restart);
    // 印字・再生 would replay an older keying when the file was not saved.
    add_plain(texts, count, 120, 370, keying_file_saved ? t::replay_hint : t::file_not_saved);
    return count;
}

int format_too_few_keyings_texts(panel_text texts[MAX_PANEL_TEXTS])
{
    namespace t = panel_texts;
    int count = 0;
    add_plain(texts, count, 180, 200, t::too_few_keyings);
    add_plain(texts, count, 180, 220, t::key_twenty_times);
    add_plain(texts, count, 180, 260, t::press_clear_covering);
    return count;
}
