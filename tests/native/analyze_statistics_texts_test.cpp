#include "core/display/statistics_texts.h"

#include "core/analysis/statistics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

struct expected_text {
    int x;
    int y;
    const char *text;
};

void expect_texts(const keying_statistics &stats, int32_t timeline_count, int measured_seconds,
                  const std::vector<expected_text> &expected, bool keying_file_saved = true)
{
    panel_text texts[MAX_PANEL_TEXTS];
    const int count = format_statistics_texts(stats, timeline_count, measured_seconds,
                                              keying_file_saved, texts);
    ASSERT_EQ(count, static_cast<int>(expected.size()));
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(texts[i].x, expected[i].x) << i;
        EXPECT_EQ(texts[i].y, expected[i].y) << i;
        EXPECT_EQ(std::string(texts[i].text), expected[i].text) << i;
    }
}

keying_statistics ten_dots_ten_dashes()
{
    keying_statistics stats = {};
    stats.decision_time_ms = 140;
    stats.mean_dot_ms = 60.0;
    stats.mean_dash_ms = 180.0;
    stats.mean_gap_ms = 60.0;
    stats.dot_count = 10;
    stats.dash_count = 10;
    stats.keying_seconds = 3;
    return stats;
}

} // namespace

TEST(StatisticsTexts, EvaluatedPanelShowsRatiosMeansAndHints)
{
    // Ten dots of 60 ms and ten dashes of 180 ms, 40 entries, 12 s measured.
    expect_texts(ten_dots_ten_dashes(), 40, 12,
                 {
                     {120, 170, "集計時間   12[秒]"},
                     {420, 170, "打鍵時間    3[秒]"},
                     {120, 198, "打点数     20[個]"},
                     {420, 198, "短点数     10[個]"},
                     {720, 198, "長点数     10[個]"},
                     {120, 236, "平均短点長点比    3.0"},
                     {120, 264, "平均短点点間比    1.0"},
                     {120, 292, "長短判定時間      140[ms]"},
                     {420, 236, "平均短点長   60.0[ms]   偏差  0.0[ms]"},
                     {420, 264, "平均長点長  180.0[ms]   偏差  0.0[ms]"},
                     {420, 292, "平均点間長   60.0[ms]   偏差  0.0[ms]"},
                     {120, 350, "再開はクリアを押してください"},
                     {120, 370, "印字・再生で記録したデータの印字および再生ができます"},
                 });
}

TEST(StatisticsTexts, RoundingAndWideValuesFollowTheFormats)
{
    keying_statistics stats = ten_dots_ten_dashes();
    stats.mean_dot_ms = 62.26;       // rounded to 62.3
    stats.dot_deviation_ms = 13.46;  // 13.5
    stats.mean_dash_ms = 1234.56;    // wider than %5.1f
    stats.dash_deviation_ms = 123.4; // wider than %4.1f
    stats.decision_time_ms = 1002;
    panel_text texts[MAX_PANEL_TEXTS];
    ASSERT_EQ(format_statistics_texts(stats, 10099, 300, true, texts), 13);
    EXPECT_STREQ(texts[0].text, "集計時間  300[秒]");
    EXPECT_STREQ(texts[2].text, "打点数   5049[個]");
    EXPECT_STREQ(texts[7].text, "長短判定時間     1002[ms]");
    EXPECT_STREQ(texts[8].text, "平均短点長   62.3[ms]   偏差 13.5[ms]");
    EXPECT_STREQ(texts[9].text, "平均長点長  1234.6[ms]   偏差 123.4[ms]");
}

TEST(StatisticsTexts, FailedStatisticsShowTheFailureTextsInstead)
{
    keying_statistics stats = ten_dots_ten_dashes();
    stats.statistics_failed = true;
    stats.dash_count = 0;
    expect_texts(stats, 41, 7,
                 {
                     {120, 170, "集計時間    7[秒]"},
                     {420, 170, "打鍵時間    3[秒]"},
                     {120, 198, "打点数     20[個]"},
                     {420, 198, "短点数     10[個]"},
                     {720, 198, "長点数      0[個]"},
                     {120, 250, "０割算のため計算できませんでした"},
                     {120, 270, "長点もしくは短点の数が０です"},
                     {120, 310, "クリアを押してください"},
                 });
}

TEST(StatisticsTexts, UnsavedFileIsToldWhereTheReplayHintStands)
{
    // Evaluated: the notice takes the replay hint's place, since 印字・再生
    // would replay an older keying.
    keying_statistics stats = ten_dots_ten_dashes();
    panel_text texts[MAX_PANEL_TEXTS];
    ASSERT_EQ(format_statistics_texts(stats, 40, 12, false, texts), 13);
    EXPECT_EQ(texts[12].x, 120);
    EXPECT_EQ(texts[12].y, 370);
    EXPECT_STREQ(texts[12].text, "打鍵データ.csvを保存できませんでした");
    EXPECT_STREQ(texts[11].text, "再開はクリアを押してください");

    // Failed statistics: the file is written all the same, and the notice
    // follows the failure texts.
    stats.statistics_failed = true;
    expect_texts(stats, 41, 7,
                 {
                     {120, 170, "集計時間    7[秒]"},
                     {420, 170, "打鍵時間    3[秒]"},
                     {120, 198, "打点数     20[個]"},
                     {420, 198, "短点数     10[個]"},
                     {720, 198, "長点数     10[個]"},
                     {120, 250, "０割算のため計算できませんでした"},
                     {120, 270, "長点もしくは短点の数が０です"},
                     {120, 310, "クリアを押してください"},
                     {120, 370, "打鍵データ.csvを保存できませんでした"},
                 },
                 false);
}

TEST(StatisticsTexts, TooFewKeyingsTellWhatToDoAndCoverTheEarlierText)
{
    panel_text texts[MAX_PANEL_TEXTS];
    const std::vector<expected_text> expected = {
        {180, 200, "打鍵数が少なすぎます"},
        {180, 220, "20回以上打鍵してください"},
        // 14 full-width blanks cover a longer text drawn there before.
        {180, 260, "クリアを押してください　　　　　　　　　　　　　　"},
    };
    ASSERT_EQ(format_too_few_keyings_texts(texts), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(texts[i].x, expected[i].x) << i;
        EXPECT_EQ(texts[i].y, expected[i].y) << i;
        EXPECT_EQ(std::string(texts[i].text), expected[i].text) << i;
    }
}
