#include "core/replay/tone.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

// The three cycles as written for the replay sound.
const uint8_t A[15] = {128, 133, 146, 162, 175, 177, 167, 143, 111, 75, 43, 24, 22, 41, 79};
const uint8_t S[15] = {128, 180, 223, 249, 255, 238, 203, 154, 102, 53, 18, 1, 7, 33, 76};
const uint8_t R[15] = {177, 215, 234, 232, 213, 181, 145, 113, 89, 79, 81, 94, 110, 123, 128};

struct area {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(REPLAY_BUFFER_BYTES, 0xEE);
    replay_buffer buffer{bytes.data(), 99999};
};

// Checks samples [from, to) are whole steady cycles starting at S[0].
void expect_steady(const area &a, uint32_t from, uint32_t to)
{
    for (uint32_t i = from; i < to; ++i)
        ASSERT_EQ(a.bytes[i], S[(i - from) % 15]) << "sample " << i;
}

void expect_cycle(const area &a, const uint8_t (&cycle)[15])
{
    for (int i = 0; i < 15; ++i)
        ASSERT_EQ(a.bytes[i], cycle[i]) << "sample " << i;
}

} // namespace

TEST(ReplayTone, ChunkLengthIsWholePeriodsOfAtMost110Ms)
{
    const struct {
        int k;
        uint32_t ms;
        uint32_t samples;
        uint32_t carry_ms;
    } cases[] = {
        {11, 0, 0, 0},        {11, 1, 0, 0},
        {11, 2, 15, 0},       {11, 50, 540, 0},
        {11, 80, 870, 0},     {11, 109, 1185, 0},
        {11, 110, 1200, 0},   {11, 111, 1200, 1},
        {11, 300, 1200, 190}, {33, 110, 3630, 0},
        {5, 110, 540, 0},     {5, 2, 0, 0},
        {5, 3, 15, 0},        {33, 65535, 3630, 65425},
        {34, 110, 3630, 0},   {4, 110, 540, 0},
    };
    for (const auto &c : cases) {
        for (replay_element e : {ELEMENT_MARK, ELEMENT_SPACE}) {
            tone_generator tone = {false, 0};
            area a;
            EXPECT_EQ(generate_chunk(tone, a.buffer, c.ms, e, c.k), c.carry_ms)
                << "k " << c.k << " ms " << c.ms;
            EXPECT_EQ(a.buffer.length_samples, c.samples) << "k " << c.k << " ms " << c.ms;
        }
    }
}

TEST(ReplayTone, MarkAfterSpaceStartsWithAttackAndNextSpaceWithRelease)
{
    tone_generator tone = {false, 0};
    area a;
    EXPECT_EQ(generate_chunk(tone, a.buffer, 50, ELEMENT_MARK, 11), 0u);
    ASSERT_EQ(a.buffer.length_samples, 540u);
    expect_cycle(a, A);
    expect_steady(a, 15, 540); // 35 whole steady cycles

    area space;
    EXPECT_EQ(generate_chunk(tone, space.buffer, 2, ELEMENT_SPACE, 11), 0u);
    ASSERT_EQ(space.buffer.length_samples, 15u);
    expect_cycle(space, R);
    // The release is the attack read backwards and mirrored about 128.
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(space.bytes[i], 256 - a.bytes[14 - i]) << "release sample " << i;

    area silence;
    generate_chunk(tone, silence.buffer, 20, ELEMENT_SPACE, 11);
    ASSERT_EQ(silence.buffer.length_samples, 210u);
    for (uint32_t i = 0; i < 210; ++i)
        ASSERT_EQ(silence.bytes[i], 128) << "sample " << i;
}

TEST(ReplayTone, LongMarkContinuesSteadyAndReadsSpeedForEveryChunk)
{
    tone_generator tone = {false, 0};
    area first, second, third;
    EXPECT_EQ(generate_chunk(tone, first.buffer, 300, ELEMENT_MARK, 11), 190u);
    EXPECT_EQ(generate_chunk(tone, second.buffer, 190, ELEMENT_MARK, 11), 80u);
    EXPECT_EQ(generate_chunk(tone, third.buffer, 80, ELEMENT_MARK, 11), 0u);
    EXPECT_EQ(first.buffer.length_samples, 1200u);
    EXPECT_EQ(second.buffer.length_samples, 1200u);
    EXPECT_EQ(third.buffer.length_samples, 870u);
    expect_cycle(first, A);
    expect_steady(first, 15, 1200);
    expect_steady(second, 0, 1200);
    expect_steady(third, 0, 870);

    // A speed change takes effect with the next chunk of the same mark.
    tone = {false, 0};
    EXPECT_EQ(generate_chunk(tone, first.buffer, 300, ELEMENT_MARK, 11), 190u);
    EXPECT_EQ(generate_chunk(tone, second.buffer, 190, ELEMENT_MARK, 33), 80u);
    EXPECT_EQ(second.buffer.length_samples, 3630u);
    expect_steady(second, 0, 3630);
}

TEST(ReplayTone, EmptyChunksStillSwitchTheTone)
{
    // A 1 ms space after a mark is an empty buffer, yet the tone goes off, so
    // the next mark begins with the attack again.
    tone_generator tone = {false, 0};
    area a;
    generate_chunk(tone, a.buffer, 30, ELEMENT_MARK, 11);
    EXPECT_EQ(generate_chunk(tone, a.buffer, 1, ELEMENT_SPACE, 11), 0u);
    EXPECT_EQ(a.buffer.length_samples, 0u);
    EXPECT_FALSE(tone.tone_on);
    area next;
    generate_chunk(tone, next.buffer, 30, ELEMENT_MARK, 11);
    expect_cycle(next, A);

    // A 1 ms mark after a space is empty but turns the tone on: the next mark
    // starts directly with the steady cycle.
    tone = {false, 0};
    generate_chunk(tone, a.buffer, 1, ELEMENT_MARK, 11);
    EXPECT_EQ(a.buffer.length_samples, 0u);
    EXPECT_TRUE(tone.tone_on);
    area steady;
    generate_chunk(tone, steady.buffer, 30, ELEMENT_MARK, 11);
    expect_steady(steady, 0, 330);

    // 111 ms: one 110 ms chunk and a 1 ms rest that yields an empty buffer.
    tone = {false, 0};
    EXPECT_EQ(generate_chunk(tone, a.buffer, 111, ELEMENT_MARK, 11), 1u);
    EXPECT_EQ(generate_chunk(tone, next.buffer, 1, ELEMENT_MARK, 11), 0u);
    EXPECT_EQ(next.buffer.length_samples, 0u);
    EXPECT_EQ(tone.phase_counter, 0u);
}
