#include "core/replay/sequencer.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

const uint8_t A0 = 128, A1 = 133; // first attack samples
const uint8_t R0 = 177;           // first release sample
const uint8_t S0 = 128, S1 = 180; // first steady samples

// Plays a record the way the window does, with the device handing buffers
// back in queue order, and records every buffer handed to the device.
struct player {
    std::vector<uint8_t> areas = std::vector<uint8_t>(2 * REPLAY_BUFFER_BYTES, 0xEE);
    replay_buffer buffers[2] = {{areas.data(), 0}, {areas.data() + REPLAY_BUFFER_BYTES, 0}};
    struct queued {
        int index;
        std::vector<uint8_t> samples;
    };
    std::vector<queued> queue;
    bool second_untouched_when_first_queued = false;
    replay_sequencer seq = {0, 0, 0};
    uint32_t position_after_prime = 0;
    int cursor_after_prime = 0;
    int ended_on = -1;

    static void on_queue(void *context, int index)
    {
        player *p = static_cast<player *>(context);
        if (p->queue.empty())
            p->second_untouched_when_first_queued = p->buffers[1].samples[0] == 0xEE;
        const replay_buffer &b = p->buffers[index];
        p->queue.push_back({index, std::vector<uint8_t>(b.samples, b.samples + b.length_samples)});
    }

    void play(tone_generator &tone, const replay_entries &record, int k)
    {
        prime_replay(seq, tone, record, k, buffers, on_queue, this);
        position_after_prime = seq.replay_position_ms;
        cursor_after_prime = seq.cursor;
        for (int back = 0; queue.size() < 100000; back ^= 1) {
            if (step_replay(seq, tone, record, k, buffers[back]) == STEP_ENDED) {
                ended_on = back;
                return;
            }
            on_queue(this, back);
        }
    }
};

} // namespace

TEST(ReplaySequencer, SmallRecordQueuesChunksInOrderAndEndsOnTheLastAudibleBuffer)
{
    // w[6] lies beyond the two closing zeros; it must count as 0.
    const uint16_t w[] = {400, 60, 60, 180, 0, 0, 999, 999};
    const replay_entries record = {w, 4, 8};
    tone_generator tone = {false, 0};
    player p;
    p.play(tone, record, 11);

    EXPECT_TRUE(p.second_untouched_when_first_queued);
    EXPECT_EQ(p.position_after_prime, 240u);
    // 60 ms mark, 60 ms space, 110 ms of mark, 70 ms of mark, empty (w[4]).
    const struct {
        int index;
        size_t samples;
        uint8_t first, second;
    } expected[] = {
        {0, 660, A0, A1}, {1, 660, R0, 215}, {0, 1200, A0, A1}, {1, 765, S0, S1}, {0, 0, 0, 0}};
    ASSERT_EQ(p.queue.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(p.queue[i].index, expected[i].index) << "buffer " << i;
        ASSERT_EQ(p.queue[i].samples.size(), expected[i].samples) << "buffer " << i;
        if (expected[i].samples > 0) {
            EXPECT_EQ(p.queue[i].samples[0], expected[i].first) << "buffer " << i;
            EXPECT_EQ(p.queue[i].samples[1], expected[i].second) << "buffer " << i;
        }
    }
    // The step generating w[5] runs when the 70 ms buffer comes back.
    EXPECT_EQ(p.ended_on, 1);
    EXPECT_EQ(p.seq.replay_position_ms, 240u);

    // The whole record in one vector, as heard.
    tone = {false, 0};
    const std::vector<uint8_t> all = render_replay(tone, record, 11);
    std::vector<uint8_t> joined;
    for (const auto &q : p.queue)
        joined.insert(joined.end(), q.samples.begin(), q.samples.end());
    EXPECT_EQ(all.size(), 660u + 660u + 1200u + 765u);
    EXPECT_EQ(all, joined);
}

TEST(ReplaySequencer, ToneLeftOnByAnEvenCountSkipsTheNextAttack)
{
    const uint16_t even[] = {0, 60, 60, 180, 0, 0};
    const uint16_t odd[] = {0, 60, 60, 180, 40, 0, 0};
    const struct {
        replay_entries record;
        bool tone_on_after;
        uint8_t next_second_sample;
    } cases[] = {{{even, 4, 6}, true, S1}, {{odd, 5, 7}, false, A1}};
    for (const auto &c : cases) {
        tone_generator tone = {false, 0};
        render_replay(tone, c.record, 11);
        EXPECT_EQ(tone.tone_on, c.tone_on_after) << "count " << c.record.entry_count;
        const std::vector<uint8_t> again = render_replay(tone, c.record, 11);
        ASSERT_GT(again.size(), 1u);
        EXPECT_EQ(again[1], c.next_second_sample) << "count " << c.record.entry_count;
    }
}

TEST(ReplaySequencer, PositionAfterPrimeFollowsTheFirstMarksLength)
{
    // The position counts from entry 2 on; entry 1 never enters it.
    const struct {
        uint16_t first_mark_ms;
        uint32_t position;
        int cursor;
    } cases[] = {{60, 240, 3}, {110, 240, 3}, {111, 60, 2}, {220, 60, 2}, {221, 0, 1}, {300, 0, 1}};
    for (const auto &c : cases) {
        const uint16_t w[] = {0, c.first_mark_ms, 60, 180, 0, 0};
        const replay_entries record = {w, 4, 6};
        tone_generator tone = {false, 0};
        player p;
        p.play(tone, record, 11);
        EXPECT_EQ(p.position_after_prime, c.position) << "mark " << c.first_mark_ms;
        EXPECT_EQ(p.cursor_after_prime, c.cursor) << "mark " << c.first_mark_ms;
        EXPECT_EQ(p.seq.replay_position_ms, 240u) << "mark " << c.first_mark_ms;
    }
}

TEST(ReplaySequencer, LargestRecordEndsWithoutReadingPastTheClosingZeros)
{
    // 10098 durations fill the 10100-entry record with its two zeros; a
    // poison value just past the record would show in the position if read.
    const int count = 10098;
    std::vector<uint16_t> w(10101, 0);
    for (int j = 0; j < count; ++j)
        w[j] = (j % 2 != 0) ? 30 : 90;
    w[10100] = 50000;
    const replay_entries record = {w.data(), count, 10100};
    tone_generator tone = {false, 0};
    player p;
    p.play(tone, record, 11);

    // Marks 1..10097 (5049 of 30 ms = 330 samples), spaces 2..10096 (5048 of
    // 90 ms = 990 samples), then the empty buffer of the closing zero.
    ASSERT_EQ(p.queue.size(), 10098u);
    EXPECT_TRUE(p.queue.back().samples.empty());
    EXPECT_EQ(p.seq.replay_position_ms, 5048u * 90u + 5048u * 30u);
    // 2 buffers from the prime and 10097 steps: the last step is the 10097th,
    // on buffer 0.
    EXPECT_EQ(p.ended_on, 0);
    tone = {false, 0};
    EXPECT_EQ(render_replay(tone, record, 11).size(), 5049u * 330u + 5048u * 990u);
}
