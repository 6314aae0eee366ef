#include "core/replay/keying_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace
{

std::string write_to_text(const std::vector<uint16_t> &entries, int seconds,
                          const keying_statistics &stats)
{
    return format_keying_data_file(entries.data(), int(entries.size()), seconds, stats);
}

// The text with every LF turned into CR LF, as the program writes its files.
std::string with_crlf(const char *text)
{
    std::string out;
    for (const char *p = text; *p; p++)
        out += *p == '\n' ? std::string("\r\n") : std::string(1, *p);
    return out;
}

load_result_t load_text(const std::string &text, replay_record &record, int *seconds)
{
    FILE *file = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), file);
    std::rewind(file);
    load_result_t result = load_keying_data_file(file, record, seconds);
    std::fclose(file);
    return result;
}

// A keying with dots, dashes and gaps around 60/180/60 ms, letter and word
// spaces, and some jitter.
std::vector<uint16_t> realistic_keying(int count)
{
    std::vector<uint16_t> entries;
    uint32_t seed = 12345;
    auto jitter = [&seed](int spread) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % uint32_t(2 * spread + 1)) - spread;
    };
    entries.push_back(0);
    while (int(entries.size()) < count) {
        const bool is_mark = entries.size() % 2 == 1;
        int base = 60;
        int pick = jitter(50) + 50; // 0..100
        if (is_mark)
            base = pick < 40 ? 180 : 60;
        else
            base = pick < 10 ? 420 : pick < 35 ? 180 : 60;
        entries.push_back(uint16_t(base + jitter(8)));
    }
    return entries;
}

keying_statistics sample_stats()
{
    keying_statistics s{};
    s.mean_dot_ms = 60.04;
    s.dot_deviation_ms = 0.06;
    s.mean_dash_ms = 179.96;
    s.dash_deviation_ms = 5.0;
    s.mean_gap_ms = 61.5;
    s.gap_deviation_ms = 2.3;
    s.decision_time_ms = 140;
    return s;
}

const char sample_file[] = "打鍵データ(CSV形式)\n"
                           "集計時間[秒],12\n"
                           "総打点数[点],2,総データー数[個],5\n"
                           "平均短点長[ms],60.0,短点時間偏差[ms],0.1\n"
                           "平均長点長[ms],180.0,長点時間偏差[ms],5.0\n"
                           "平均点間長[ms],61.5,点間時間偏差[ms],2.3\n"
                           "平均短点長点比,3.0,平均短点点間比,1.0,長短判定時間[ms],140\n"
                           "打点時間[ミリ秒](スペースから開始、最後0msで終了)\n"
                           "0,60,60,180,65535,0\n"
                           "打鍵終了\n";

std::string replaced(std::string text, const std::string &from, const std::string &to)
{
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

struct record_holder {
    std::unique_ptr<replay_record> record{new replay_record()};
    replay_record &operator*() { return *record; }
};

} // namespace

TEST(KeyingFileWriter, WritesTheExactLines)
{
    const std::vector<uint16_t> entries = {0, 60, 60, 180, 65535};
    EXPECT_EQ(write_to_text(entries, 12, sample_stats()), with_crlf(sample_file));
}

TEST(KeyingFileWriter, TitleIsCodePage932)
{
    const std::vector<uint16_t> entries = {0, 60};
    const std::string text = write_to_text(entries, 0, sample_stats());
    // 打鍵データ in Shift_JIS.
    const unsigned char title[] = {0x91, 0xC5, 0x8C, 0xAE, 0x83, 0x66, 0x81, 0x5B, 0x83, 0x5E};
    ASSERT_GE(text.size(), sizeof title);
    EXPECT_EQ(text.compare(0, sizeof title, reinterpret_cast<const char *>(title), sizeof title),
              0);
}

TEST(KeyingFileReader, ReadsBackWhatWasWritten)
{
    for (int count : {40, 42, 5000, 9001, MAX_REPLAY_DURATIONS}) {
        SCOPED_TRACE(count);
        std::vector<uint16_t> entries = realistic_keying(count);
        entries[7] = 65535;
        uint32_t total_ms = 0;
        for (uint16_t e : entries)
            total_ms += e;
        record_holder r;
        (*r).entries[count] = 99; // must be overwritten by the closing zero
        (*r).entries[count + 1] = 99;
        int seconds = -1;
        ASSERT_EQ(load_text(write_to_text(entries, 297, sample_stats()), *r, &seconds),
                  LOAD_LOADED);
        EXPECT_EQ(seconds, 297);
        EXPECT_EQ((*r).entry_count, count);
        EXPECT_EQ((*r).record_seconds, total_ms / 1000);
        EXPECT_TRUE(std::equal(entries.begin(), entries.end(), (*r).entries));
        EXPECT_EQ((*r).entries[count], 0);
        EXPECT_EQ((*r).entries[count + 1], 0);
    }
}

TEST(KeyingFileReader, ReadsCrLfLineEnds)
{
    const std::string text = with_crlf(sample_file);
    record_holder r;
    int seconds = 0;
    ASSERT_EQ(load_text(text, *r, &seconds), LOAD_LOADED);
    EXPECT_EQ(seconds, 12);
    EXPECT_EQ((*r).entry_count, 5);
    EXPECT_EQ((*r).entries[4], 65535);
    EXPECT_EQ((*r).record_seconds, 65u); // 65835 ms
}

TEST(KeyingFileReader, SkipsNonFiniteStatistics)
{
    // Mean dot length 0: the writer's own inf/nan text.
    keying_statistics zero_dot = sample_stats();
    zero_dot.mean_dot_ms = 0.0;
    zero_dot.mean_gap_ms = 0.0;
    const std::vector<uint16_t> entries = {0, 60, 60, 180};
    const std::string written = write_to_text(entries, 3, zero_dot);
    EXPECT_NE(written.find("inf"), std::string::npos);
    EXPECT_NE(written.find("nan"), std::string::npos);

    const std::string ratio_line = "平均短点長点比,3.0,平均短点点間比,1.0,";
    const std::string texts[] = {
        written,
        replaced(sample_file, ratio_line, "平均短点長点比,inf,平均短点点間比,-nan,"),
        replaced(sample_file, ratio_line, "平均短点長点比,1.#INF,平均短点点間比,-1.#IND,"),
        replaced(sample_file, ratio_line, "平均短点長点比,-inf,平均短点点間比,nan,"),
        replaced(sample_file, "60.0,短点", "1.#QNAN,短点"),
        replaced(sample_file, "2.3\n", "-nan(ind)\n"),
    };
    for (const std::string &text : texts) {
        SCOPED_TRACE(text);
        record_holder r;
        int seconds = 0;
        ASSERT_EQ(load_text(text, *r, &seconds), LOAD_LOADED);
        EXPECT_GT((*r).entry_count, 0);
        EXPECT_EQ((*r).entries[3], 180);
    }
}

TEST(KeyingFileReader, DamagedFilesLeaveAnEmptyRecord)
{
    const std::string s = sample_file;
    const struct {
        const char *what;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"count 65535", replaced(s, "[個],5", "[個],65535")},
        {"count one too many", replaced(s, "[個],5", "[個],10099")},
        {"count full but short", replaced(s, "[個],5", "[個],10098")},
        {"count negative", replaced(s, "[個],5", "[個],-1")},
        {"count huge", replaced(s, "[個],5", "[個],99999999999999999999999999")},
        {"count beyond int", replaced(s, "[個],5", "[個],4294967301")},
        {"count text", replaced(s, "[個],5", "[個],five")},
        {"count with junk", replaced(s, "[個],5", "[個],5x")},
        {"count more than durations", replaced(s, "[個],5", "[個],6")},
        {"count fewer than durations", replaced(s, "[個],5", "[個],4")},
        {"seconds text", replaced(s, "[秒],12", "[秒],abc")},
        {"duration text", replaced(s, ",180,", ",abc,")},
        {"duration real", replaced(s, ",180,", ",180.5,")},
        {"duration empty", replaced(s, ",180,", ",,")},
        {"duration overflow", replaced(s, ",180,", ",123456789012345678901234567890,")},
        {"decision time text", replaced(s, "[ms],140", "[ms],x")},
        {"statistic missing", replaced(s, "60.0,短点", ",短点")},
        {"line missing", replaced(s, "平均長点長[ms],180.0,長点時間偏差[ms],5.0\n", "")},
        {"closing zero missing", replaced(s, "65535,0\n", "65535,\n")},
        {"binary", std::string("\x00\x01\xff,,,\n", 7)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        record_holder r;
        int seconds = 0;
        ASSERT_EQ(load_text(sample_file, *r, &seconds), LOAD_LOADED);
        seconds = 77;
        EXPECT_EQ(load_text(c.text, *r, &seconds), LOAD_DAMAGED);
        EXPECT_EQ(seconds, 77);
        EXPECT_EQ((*r).entry_count, 0);
        EXPECT_EQ((*r).record_seconds, 0u);
        EXPECT_EQ((*r).entries[0], 0);
        EXPECT_EQ((*r).entries[3], 0);
    }
}

TEST(KeyingFileReader, EveryTruncationBeforeTheClosingZeroIsDamaged)
{
    const std::string s = sample_file;
    // The record is complete once the closing zero is in.
    const size_t complete = s.find("65535,0") + 7;
    for (size_t length = 0; length <= s.size(); length++) {
        SCOPED_TRACE(length);
        record_holder r;
        int seconds = 0;
        const load_result_t expected = length < complete ? LOAD_DAMAGED : LOAD_LOADED;
        EXPECT_EQ(load_text(s.substr(0, length), *r, &seconds), expected);
    }
}

TEST(KeyingFileReader, NamedFileLoadsOrIsMissing)
{
    char path[] = "/tmp/keying_file_testXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    FILE *file = fdopen(fd, "w");
    std::fputs(sample_file, file);
    std::fclose(file);

    record_holder r;
    int seconds = 0;
    EXPECT_EQ(load_keying_data_file_named(path, *r, &seconds), LOAD_LOADED);
    EXPECT_EQ((*r).entry_count, 5);
    std::remove(path);

    (*r).entry_count = 3;
    EXPECT_EQ(load_keying_data_file_named(path, *r, &seconds), LOAD_MISSING);
    EXPECT_EQ((*r).entry_count, 3); // a missing file changes nothing
}
