// The print and replay window's arithmetic: the strip's rows and ticks, the
// pointer marker, the speed read-out, and the volume word of both outputs.
#include "core/audio/volume_word.h"
#include "core/replay/replay_speed.h"
#include "core/replay/strip_geometry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace
{

std::unique_ptr<replay_record> record_of(const std::vector<uint16_t> &durations)
{
    auto record = std::make_unique<replay_record>();
    std::memset(record.get(), 0, sizeof *record);
    uint32_t sum_ms = 0;
    for (size_t i = 0; i < durations.size(); ++i) {
        record->entries[i] = durations[i];
        sum_ms += durations[i];
    }
    record->entry_count = static_cast<int>(durations.size());
    record->record_seconds = sum_ms / 1000;
    return record;
}

std::vector<std::pair<int, int>> ticks_of(const replay_record &record, int pitch, int height)
{
    std::vector<std::pair<int, int>> ticks;
    for_each_strip_tick(
        record, pitch, height,
        [](void *context, int x, int y) {
            static_cast<std::vector<std::pair<int, int>> *>(context)->push_back({x, y});
        },
        &ticks);
    return ticks;
}

} // namespace

TEST(StripGeometry, RowPitchFollowsRecordLength)
{
    // 630 / (seconds / 12 + 1), kept within 25 .. 50.
    const struct {
        uint32_t seconds;
        int pitch;
    } cases[] = {{0, 50},   {30, 50},  {143, 50}, {156, 45}, {200, 37},
                 {275, 27}, {287, 26}, {300, 25}, {400, 25}, {5000, 25}};
    for (const auto &c : cases)
        EXPECT_EQ(strip_row_pitch(c.seconds), c.pitch) << c.seconds << " s";
}

TEST(StripGeometry, MarkerPositionWrapsEvery1200Columns)
{
    const struct {
        uint32_t position_ms;
        int pitch;
        int x, y;
    } cases[] = {{0, 50, 0, 0},        {9, 50, 0, 0},      {10, 50, 1, 0},
                 {11999, 37, 1199, 0}, {12000, 37, 0, 37}, {36010, 25, 1, 75}};
    for (const auto &c : cases) {
        const strip_point at = strip_position(c.position_ms, c.pitch);
        EXPECT_EQ(at.x, c.x) << c.position_ms;
        EXPECT_EQ(at.y, c.y) << c.position_ms;
    }
}

TEST(StripGeometry, EachMarkColumnTickedOnceFromTheFirstMark)
{
    // Entry 0 (900 ms) takes no room. Picture time: mark 0..19 (columns 0,
    // 1), space to 1005, mark 1005..1029 (columns 100..102), space to 11995,
    // mark 11995..12004 (column 1199 of row 0 and column 0 of row 1), then a
    // closing space. Ticks start 65 pixels into their row.
    const auto record = record_of({900, 20, 985, 25, 10965, 10, 300});
    const std::vector<std::pair<int, int>> expected = {
        {0, 65}, {1, 65}, {100, 65}, {101, 65}, {102, 65}, {1199, 65}, {0, 115}};
    EXPECT_EQ(ticks_of(*record, 50, 740), expected);
    // Two marks sharing a column tick it once.
    const auto shared = record_of({0, 5, 1, 3, 100});
    EXPECT_EQ(ticks_of(*shared, 50, 740), (std::vector<std::pair<int, int>>{{0, 65}}));
}

TEST(StripGeometry, RowsBelowThePictureAreLeftOut)
{
    // At pitch 25 row 27 has its ticks at 740..742: outside a 740-pixel
    // picture. A mark of 12010 ms from the start of row 26 covers all of it
    // and the first column of row 27.
    std::vector<uint16_t> durations = {0, 10};
    durations.push_back(static_cast<uint16_t>(26 * 12000 - 10 - 60000 * 5));
    for (int i = 0; i < 5; ++i) {
        durations.push_back(0);
        durations.push_back(60000);
    }
    durations.push_back(12010);
    durations.push_back(100);
    const auto record = record_of(durations);
    const auto ticks = ticks_of(*record, 25, 740);
    ASSERT_EQ(ticks.size(), 1u + 1200u);
    EXPECT_EQ(ticks.front(), (std::pair<int, int>{0, 65}));
    EXPECT_EQ(ticks[1], (std::pair<int, int>{0, 26 * 25 + 65}));
    EXPECT_EQ(ticks.back(), (std::pair<int, int>{1199, 26 * 25 + 65}));
}

TEST(ReplaySpeed, ReadOutShowsElevenOverSamplesPerMs)
{
    const struct {
        int position;
        int samples_per_ms;
        const char *text;
    } cases[] = {{5, 33, "x0.33"}, {16, 22, "x0.50"}, {27, 11, "x1.00"}, {33, 5, "x2.20"}};
    for (const auto &c : cases) {
        char text[16];
        format_speed_readout(c.position, text, sizeof text);
        EXPECT_STREQ(text, c.text);
        EXPECT_EQ(samples_per_ms_for_speed(c.position), c.samples_per_ms);
    }
}

TEST(VolumeWord, CarriesTheLevelInBothChannels)
{
    const struct {
        int position;
        uint32_t word;
    } cases[] = {{0, 0x00000000u}, {50, 0x7FFF7FFFu}, {100, 0xFFFFFFFFu}, {1, 0x028F028Fu}};
    for (const auto &c : cases)
        EXPECT_EQ(wave_volume_word(c.position), c.word) << c.position;
}
