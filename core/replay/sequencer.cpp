#include "core/replay/sequencer.h"

namespace
{

// Entry j of the record. Everything beyond the second closing zero counts as
// 0 and is not read: the last step looks one entry past it, which at the
// largest record would lie outside the array.
uint32_t entry_ms(const replay_entries &record, int j)
{
    const int64_t last = static_cast<int64_t>(record.entry_count) + 1;
    if (j < 0 || j > last || j >= record.capacity)
        return 0;
    return record.entries[j];
}

replay_element element_of(int cursor)
{
    return (cursor % 2 != 0) ? ELEMENT_MARK : ELEMENT_SPACE;
}

// The cursor's entry is finished: move to the next one and add it to the
// position.
void advance(replay_sequencer &sequencer, const replay_entries &record)
{
    ++sequencer.cursor;
    sequencer.replay_position_ms += entry_ms(record, sequencer.cursor);
}

} // namespace

void prime_replay(replay_sequencer &sequencer, tone_generator &tone, const replay_entries &record,
                  int samples_per_ms, replay_buffer buffers[2], queue_buffer_fn queue_buffer,
                  void *context)
{
    // Entry 0, the space before the first mark, is never played.
    sequencer.cursor = 1;
    sequencer.carry_over_ms =
        generate_chunk(tone, buffers[0], entry_ms(record, 1), ELEMENT_MARK, samples_per_ms);
    queue_buffer(context, 0);

    if (sequencer.carry_over_ms == 0) {
        sequencer.cursor = 2;
        sequencer.replay_position_ms = entry_ms(record, 2);
        sequencer.carry_over_ms =
            generate_chunk(tone, buffers[1], entry_ms(record, 2), ELEMENT_SPACE, samples_per_ms);
    } else {
        sequencer.carry_over_ms =
            generate_chunk(tone, buffers[1], sequencer.carry_over_ms, ELEMENT_MARK, samples_per_ms);
    }
    queue_buffer(context, 1);

    if (sequencer.carry_over_ms == 0)
        advance(sequencer, record);
}

replay_step_result step_replay(replay_sequencer &sequencer, tone_generator &tone,
                               const replay_entries &record, int samples_per_ms,
                               replay_buffer &buffer)
{
    const uint32_t ms =
        sequencer.carry_over_ms != 0 ? sequencer.carry_over_ms : entry_ms(record, sequencer.cursor);
    sequencer.carry_over_ms =
        generate_chunk(tone, buffer, ms, element_of(sequencer.cursor), samples_per_ms);
    if (sequencer.carry_over_ms == 0)
        advance(sequencer, record);

    // The two zero entries behind the record give empty buffers, so the end
    // is seen only when the buffer with the last audible chunk comes back.
    const int64_t last = static_cast<int64_t>(record.entry_count) + 1;
    return sequencer.cursor > last ? STEP_ENDED : STEP_QUEUE_IT;
}

namespace
{

struct render_context {
    std::vector<uint8_t> *out;
    replay_buffer *buffers;
};

void append_buffer(void *context, int buffer_index)
{
    render_context *r = static_cast<render_context *>(context);
    const replay_buffer &b = r->buffers[buffer_index];
    r->out->insert(r->out->end(), b.samples, b.samples + b.length_samples);
}

} // namespace

std::vector<uint8_t> render_replay(tone_generator &tone, const replay_entries &record,
                                   int samples_per_ms)
{
    std::vector<uint8_t> out;
    std::vector<uint8_t> areas(2 * REPLAY_BUFFER_BYTES);
    replay_buffer buffers[2] = {{areas.data(), 0}, {areas.data() + REPLAY_BUFFER_BYTES, 0}};
    render_context context = {&out, buffers};

    replay_sequencer sequencer = {0, 0, 0};
    prime_replay(sequencer, tone, record, samples_per_ms, buffers, append_buffer, &context);

    // The device hands the buffers back in the order they were queued, which
    // with two in flight alternates between them.
    for (int back = 0;; back ^= 1) {
        if (step_replay(sequencer, tone, record, samples_per_ms, buffers[back]) == STEP_ENDED)
            break;
        append_buffer(&context, back);
    }
    return out;
}
