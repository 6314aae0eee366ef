// The engine's step for one captured block: every sample through the
// detector, the accepted marks and spaces into the timeline and the decoder,
// the decoder's reports and the sweep to the display, then the meter cadence
// with the automatic stop.
#include "core/app/measurement_engine.h"

#include <algorithm>

#include "core/audio/clipping.h"

namespace
{

// The timeline drops what does not fit; the measurement must then end right
// after this block.
void append_entry(measurement_engine &e, bool mark, uint32_t duration_ms)
{
    if (mark)
        timeline_append_mark(e.timeline, duration_ms);
    else
        timeline_append_space(e.timeline, duration_ms);
    if (timeline_full(e.timeline))
        e.measurement.stop_request = true;
}

void show_text(const engine_display &display, const code_entry &entry)
{
    if (display.show_decoded_text)
        display.show_decoded_text(display.context, static_cast<entry_kind_t>(entry.kind),
                                  entry.text, code_entry_length(entry));
}

// A gap check's report, in the order it happened. An alphabet switch takes
// effect at once, for the next character of the same block too.
void pass_on(measurement_engine &e, decoder_settings &decoding, const decoder_report &report,
             const engine_display &display)
{
    if (report.unit_readouts && display.write_unit_readouts)
        display.write_unit_readouts(display.context, e.decoder.mark_unit_ms,
                                    e.decoder.space_unit_ms);
    if (report.character)
        show_text(display, *report.character);
    if (report.alphabet_switched) {
        e.settings.decode_alphabet = report.switched_to;
        decoding.alphabet = report.switched_to;
        if (display.alphabet_switched)
            display.alphabet_switched(display.context, report.switched_to);
    }
    if (report.word_space)
        show_text(display, word_space_entry());
}

void analyse_block(measurement_engine &e, const int16_t *samples, size_t count,
                   const engine_display &display)
{
    const detector_settings detecting = detector_settings_of(e.settings);
    decoder_settings decoding = decoder_settings_of(e.settings);
    measurement_state &m = e.measurement;
    // The detector runs on a copy the compiler can keep in registers; the
    // engine's record is brought up to date before anything else looks at
    // it, and at the end of the block.
    detector_state d = e.detector;
    // The gap check depends only on the key-up so far, which moves once per
    // clock millisecond, and on the decoder's state, which only an accepted
    // mark or space (or the check itself) changes: a check with neither
    // changed since the last one would change nothing, and is skipped. Once
    // the word space is shown, only the next accepted mark makes the check
    // matter again.
    bool awaits_gap = decoder_awaits_gap(e.decoder);
    bool gap_checked = false;
    uint32_t gap_checked_ms = 0;
    for (size_t i = 0; i < count;) {
        // Runs in which nothing can happen but counting go through the
        // detector's quick path: short of the next sweep step while the
        // sweep is drawn, and short of the next clock tick while the key is
        // up and the decoder waits for the gap to grow.
        size_t limit = count - i;
        if (display.sweep_step && m.recording_phase != RECORDING_WAITING)
            limit = std::min<size_t>(limit, DISPLAY_STEP_SAMPLES - 1 - d.display_step_counter);
        if (!d.key_down && awaits_gap) {
            // Every full step at a key-up sample has checked the gap as it
            // stands; only the first key-up sample of the block has not.
            if (!gap_checked)
                limit = 0;
            else
                limit = std::min<size_t>(limit, SAMPLES_PER_MS - 1 -
                                                    d.sample_counter % SAMPLES_PER_MS);
        }
        if (limit > 0) {
            const size_t taken = detector_take_uneventful(d, samples + i, limit, detecting);
            i += taken;
            if (taken > 0)
                continue;
        }

        const uint32_t events = detector_analyse_sample(d, samples[i++], detecting);
        const uint32_t changes = events & ~DETECTOR_DISPLAY_STEP;
        // A space accepted at a key-up already checked changes nothing the
        // check looks at (it ends a character only by the key-up's length).
        const bool gap_check_due = !d.key_down && awaits_gap &&
                                   (!gap_checked || detector_key_up_ms(d) != gap_checked_ms);
        if (changes || gap_check_due) {
            e.detector = d;
            if (events & DETECTOR_FIRST_ONSET) {
                m.recording_phase = RECORDING_ACTIVE;
                if (display.recording_started)
                    display.recording_started(display.context);
            }
            if (events & DETECTOR_MARK_ACCEPTED) {
                const uint32_t space_ms = detector_space_before_mark_ms(d);
                if (m.recording_phase != RECORDING_WAITING)
                    append_entry(e, false, space_ms);
                decode_on_mark_accepted(e.decoder, space_ms);
            }
            if (events & DETECTOR_SPACE_ACCEPTED) {
                const uint32_t mark_ms = detector_accepted_mark_ms(d);
                if (m.recording_phase != RECORDING_WAITING)
                    append_entry(e, true, mark_ms);
                decode_on_space_accepted(e.decoder, mark_ms);
            }
            if (gap_check_due) {
                gap_checked = true;
                gap_checked_ms = detector_key_up_ms(d);
                const decoder_report report =
                    decode_gap_check(e.decoder, decoding, gap_checked_ms);
                if (report.unit_readouts || report.character || report.alphabet_switched ||
                    report.word_space)
                    pass_on(e, decoding, report, display);
            }
            awaits_gap = decoder_awaits_gap(e.decoder);
        }
        if ((events & DETECTOR_DISPLAY_STEP) && m.recording_phase != RECORDING_WAITING &&
            display.sweep_step)
            display.sweep_step(display.context, d.key_down, d.measurement_clock);
    }
    e.detector = d;
}

// Meter update, when more than 100 ms of clock have passed since the last.
// After a stop the statistics are computed and drawn once more, unless the
// measurement had too few keyings; while recording the automatic stop is
// tested last.
meter_update meter_cadence(measurement_engine &e)
{
    meter_update update = {false, 0, LIVE_HISTOGRAMS_FROZEN, false};
    if (!detector_take_meter_reading(e.detector, update.peak_level))
        return update;
    update.due = true;
    measurement_state &m = e.measurement;
    switch (m.recording_phase) {
    case RECORDING_WAITING:
        update.histograms = LIVE_HISTOGRAMS_AXES;
        break;
    case RECORDING_ACTIVE:
        update.histograms = LIVE_HISTOGRAMS_BARS;
        if (detector_automatic_stop_due(e.detector, e.timeline.timeline_count))
            m.stop_request = true;
        break;
    case RECORDING_STOPPED:
        if (!m.statistics_redrawn) {
            // The statistics the stop computed still hold: nothing changes
            // the timeline until the next start or clear.
            update.redraw_statistics = !m.too_few_keyings;
            m.statistics_redrawn = true;
        }
        break;
    }
    return update;
}

} // namespace

block_result engine_process_block(measurement_engine &e, const int16_t *samples, size_t count,
                                  const engine_display &display)
{
    if (e.measurement.analysis_suspended)
        detector_count_samples(e.detector, samples, count);
    else
        analyse_block(e, samples, count, display);
    block_result result;
    result.meter = meter_cadence(e);
    result.stop_requested = e.measurement.stop_request;
    return result;
}

block_result engine_process_recording_block(measurement_engine &e, int16_t *samples, size_t count,
                                            const engine_display &display)
{
    // The window clips a captured block for the monitor echo before it is
    // analysed (with a free monitor buffer, as a recording always has one).
    if (e.settings.clipping_mode == CLIPPING_ON)
        apply_clipping(samples, count);
    return engine_process_block(e, samples, count, display);
}

meter_update engine_meter_live_block(measurement_engine &e, const int16_t *samples, size_t count)
{
    meter_update update = {false, 0, LIVE_HISTOGRAMS_FROZEN, false};
    detector_count_samples(e.live_detector, samples, count);
    update.due = detector_take_meter_reading(e.live_detector, update.peak_level);
    return update;
}
