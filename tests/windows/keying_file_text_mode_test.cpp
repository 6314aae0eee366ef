// The keying data file as the Windows C runtime writes it: text mode with
// CR LF line ends, and C99 number formatting even for non-finite ratios.
#include "core/analysis/statistics.h"
#include "core/replay/keying_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace
{

std::string write_to_text_file(const char *path, const keying_statistics &stats)
{
    static const uint16_t entries[] = {0, 60, 60, 180};
    FILE *file = std::fopen(path, "w");
    write_keying_data_file(file, entries, 4, 7, stats);
    std::fclose(file);
    file = std::fopen(path, "rb");
    std::string bytes;
    for (int c; (c = std::fgetc(file)) != EOF;)
        bytes.push_back(static_cast<char>(c));
    std::fclose(file);
    return bytes;
}

TEST(KeyingFileOnWindows, LinesEndWithCarriageReturnLineFeed)
{
    keying_statistics stats = {};
    stats.mean_dot_ms = 60.0;
    stats.mean_dash_ms = 180.0;
    stats.mean_gap_ms = 60.0;
    stats.decision_time_ms = 140;
    const std::string bytes = write_to_text_file("crlf_test.csv", stats);
    EXPECT_NE(bytes.find("平均短点長点比,3.0,平均短点点間比,1.0,長短判定時間[ms],140\r\n"),
              std::string::npos);
    EXPECT_NE(bytes.find("0,60,60,180,0\r\n打鍵終了\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find("\n\n"), std::string::npos);
    std::remove("crlf_test.csv");
}

TEST(KeyingFileOnWindows, NonFiniteRatiosAreWrittenInC99FormAndReadBack)
{
    keying_statistics stats = {}; // mean dot length 0: 180/0 and 0/0
    stats.mean_dash_ms = 180.0;
    const std::string bytes = write_to_text_file("nonfinite_test.csv", stats);
    EXPECT_NE(bytes.find("平均短点長点比,inf,平均短点点間比,"), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find("#"), std::string::npos) << "msvcrt's 1.#INF form";

    static replay_record record;
    int measured_seconds = 0;
    EXPECT_EQ(load_keying_data_file_named("nonfinite_test.csv", record, &measured_seconds),
              LOAD_LOADED);
    EXPECT_EQ(measured_seconds, 7);
    EXPECT_EQ(record.entry_count, 4);
    EXPECT_EQ(record.entries[3], 180);
    std::remove("nonfinite_test.csv");
}

} // namespace
