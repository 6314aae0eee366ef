// The keying data file as the program saves it on Windows: CR LF line ends
// exactly once (the bytes are written as they are, not through a text-mode
// stream), C99 number formatting even for non-finite ratios, and a file the
// print and replay window reads back.
#include "win32/replay/keying_file_store.h"

#include "core/analysis/statistics.h"
#include "core/replay/keying_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace
{

std::string save_and_read_back(const char *path, const keying_statistics &stats)
{
    static const uint16_t entries[] = {0, 60, 60, 180};
    EXPECT_TRUE(save_keying_data_file(path, format_keying_data_file(entries, 4, 7, stats)));
    FILE *file = std::fopen(path, "rb");
    std::string bytes;
    if (!file)
        return bytes;
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
    const std::string bytes = save_and_read_back("crlf_test.csv", stats);
    EXPECT_NE(bytes.find("平均短点長点比,3.0,平均短点点間比,1.0,長短判定時間[ms],140\r\n"),
              std::string::npos);
    EXPECT_NE(bytes.find("0,60,60,180,0\r\n打鍵終了\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find("\n\n"), std::string::npos);
    EXPECT_EQ(bytes.find("\r\r"), std::string::npos);
    std::remove("crlf_test.csv");
}

TEST(KeyingFileOnWindows, NonFiniteRatiosAreWrittenInC99FormAndReadBack)
{
    keying_statistics stats = {}; // mean dot length 0: 180/0 and 0/0
    stats.mean_dash_ms = 180.0;
    const std::string bytes = save_and_read_back("nonfinite_test.csv", stats);
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
