#include "core/audio/clipping.h"

#include <gtest/gtest.h>

TEST(Clipping, LimiterSeriesScaledBy1Point2TruncatedTowardZero)
{
    // 1000: x = 0.030518, y = 0.030508, y * 32768 * 1.2 = 1199.6.
    // Full scale: y = 0.808079 (the first 11 terms of 1 - 1/3 + 1/5 ...),
    // times 39321.6 = 31774.9.
    const struct {
        int16_t in;
        int16_t out;
    } cases[] = {
        {0, 0},   {1000, 1199},   {-1000, -1199},   {100, 119},       {-100, -119},   {1, 1},
        {-1, -1}, {16384, 18231}, {-16384, -18231}, {-32768, -31774}, {32767, 31773},
    };
    for (const auto &c : cases)
        EXPECT_EQ(clip_sample(c.in), c.out) << c.in;
}

TEST(Clipping, AppliedInPlaceToEverySampleOfTheBlock)
{
    int16_t block[] = {1000, 100, 16384, -32768, 0};
    const int16_t expected[] = {1199, 119, 18231, -31774, 0};
    apply_clipping(block, 5);
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(block[i], expected[i]) << i;
}

TEST(Clipping, OutputMagnitudeNeverExceeds31774AndKeepsTheSign)
{
    for (int32_t s = -32768; s <= 32767; s++) {
        const int16_t out = clip_sample(static_cast<int16_t>(s));
        ASSERT_LE(out < 0 ? -out : out, 31774) << s;
        ASSERT_EQ(out < 0, s < 0) << s;
    }
}
