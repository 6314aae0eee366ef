"""The operator settings of the main window's top band, seen through what the
program draws, decodes and saves."""
import os
import subprocess
import time
import unittest

import harness
import keying
from harness import ProgramTest, cp932_hex, probe, probe_lines
from test_measurement import DATA_FILE, button_states

METER_LEFT, METER_RIGHT = 948, 1011
# Rows of the threshold marker above and below the meter's frame (25..36).
MARKER_ROWS = (22, 23, 24, 38, 39, 40)
IDLE = {1005: 1, 1007: 0, 1015: 0, 1016: 0}
LEAD_MS = 150  # silence make_keying_wav puts before the first space


def capture(program, name):
    path = program.path(name)
    harness.capture(path)
    harness.keep_artifact(path, "settings_" + name)
    return harness.read_bmp(path)


def drawn_in_font(program, image, x, y, text, font):
    rendered_path = program.path("rendered.bmp")
    probe("render-font", font, cp932_hex(text), rendered_path)
    rendered = harness.read_bmp(rendered_path)
    width, height, _ = rendered
    return harness.region(image, x, y, width, height) == harness.region(rendered, 0, 0, width, height)


def marker_columns(image):
    """Columns of the level meter where the threshold marker is drawn."""
    return [x for x in range(METER_LEFT - 2, METER_RIGHT + 2)
            if all(harness.pixel(image, x, y) == (0, 0, 0) for y in MARKER_ROWS)]


def enabled_states():
    return {k: v[0] for k, v in button_states().items()}


def accepted(entries, delay_ms):
    """The timeline the program keeps from a keying of exact durations when a
    key-down or key-up must last more than delay_ms: a mark of d ms is still
    down at clock offsets 0..d-1, so it counts when d - 1 > delay_ms. A mark
    that does not count leaves no trace: its space and the next one merge.
    Every space here is long enough to count."""
    kept = [entries[0]]
    for i in range(1, len(entries), 2):
        mark = entries[i]
        space = entries[i + 1] if i + 1 < len(entries) else None
        if mark - 1 > delay_ms:
            kept.append(mark)
            if space is not None:
                kept.append(space)
        else:
            kept[-1] += mark + (space or 0)
    return kept


class Trackbars(ProgramTest):
    def test_threshold_marker_follows_the_trackbar(self):
        program = self.start()
        # Marker x = 948 + threshold / 510, threshold = position * 32385 / 100
        # kept within 510..31875; the initial 12240 is not a trackbar value.
        self.assertEqual(marker_columns(capture(program, "threshold_initial.bmp")), [948 + 24])
        for position, threshold in ((37, 11982), (0, 510), (100, 31875), (38, 12306),
                                    (50, 16192), (1, 510), (99, 31875)):
            probe("set-trackbar", "1009", str(position))
            # The probe's messages are handled before it returns; the capture
            # reads the screen the handler drew on.
            image = capture(program, "threshold_%d.bmp" % position)
            self.assertEqual(marker_columns(image), [948 + threshold // 510], position)

    def test_key_delay_readout_shows_the_position_in_three_places(self):
        self.start()
        for position, text in ((0, "  0"), (7, "  7"), (45, " 45"), (100, "100"), (2, "  2")):
            probe("set-trackbar", "1019", str(position))
            readout = [r for r in probe_lines("controls") if r[0] == "1023"][0]
            self.assertEqual(readout[5], cp932_hex(text), position)

    def saved_timeline(self, delay_ms, entries):
        program = self.start()
        probe("set-trackbar", "1019", str(delay_ms))
        wav = program.path("keying.wav")
        # Marks the default delay would drop make the tool warn: expected here.
        subprocess.run([keying.MAKE_KEYING_WAV, "durations", wav, "--durations",
                        ",".join(str(d) for d in entries), "--tail-ms", "11000",
                        "--amplitude", "24000"], check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        probe("click", "1005")
        harness.wait_started()
        harness.play(wav).wait(120)
        harness.wait_automatic_stop(program)
        with open(program.path(DATA_FILE), "rb") as f:
            lines = f.read().decode("cp932").splitlines()
        probe("command", "104")
        program.wait_exit(10)
        return [int(e) for e in lines[8].split(",")[:-1]]

    def test_key_delay_100_drops_marks_that_do_not_last_longer(self):
        # Marks of 150 and 102 ms count; 50 and 101 ms are too short.
        entries = [0] + [150, 110, 50, 110, 101, 110, 102, 110] * 10 + [150]
        expected = accepted(entries, 100)
        self.assertEqual(len(expected), 42)
        self.assertEqual(expected[:5], [0, 150, 110 + 50 + 110 + 101 + 110, 102, 110])
        self.assertEqual(self.saved_timeline(100, entries), expected)

    def test_key_delay_0_keeps_marks_of_two_ms(self):
        # With the default delay of 2 the marks of 2 and 3 ms would be lost.
        entries = [0] + [60, 60, 3, 60, 2, 60] * 7 + [60]
        self.assertEqual(accepted(entries, 0), entries)
        self.assertNotEqual(accepted(entries, 2), entries)
        self.assertEqual(self.saved_timeline(0, entries), entries)


class UnitTimeDisplay(ProgramTest):
    def test_shows_the_units_at_once_when_idle_and_blanks_them_when_off(self):
        program = self.start()
        blank = " " * 11
        for state, mark, space in (("on", "MARK : 50ms", "SPACE: 50ms"),
                                   ("off", blank, blank),
                                   ("on", "MARK : 50ms", "SPACE: 50ms")):
            probe("click", "1021")
            image = capture(program, "units_%s.bmp" % state)
            self.assertTrue(drawn_in_font(program, image, 1043, 33, mark, "oem"), state)
            self.assertTrue(drawn_in_font(program, image, 1043, 51, space, "oem"), state)
        # The read-outs live in the back buffer too: a repaint keeps them.
        probe("cover")
        image = capture(program, "units_after_cover.bmp")
        self.assertTrue(drawn_in_font(program, image, 1043, 33, "MARK : 50ms", "oem"))


class DuringRecording(ProgramTest):
    def test_large_text_toggle_ends_the_recording_without_file(self):
        program = self.start()
        wav = program.path("keying.wav")
        keying.write_keying_wav(wav, [0] + [60, 60] * 30 + [60])
        probe("click", "1005")
        harness.wait_started()
        player = harness.play(wav)
        harness.wait_until(lambda: harness.recording_runs(program), 10, "the recording")
        self.assertEqual(enabled_states(), {1005: 0, 1007: 1, 1015: 0, 1016: 0})
        probe("click", "1028")
        self.assertEqual(enabled_states(), IDLE)
        player.wait(120)
        # The WAV ends 11 s after the last key-down: past the moment an
        # unbroken recording would have stopped and saved.
        harness.holds(lambda: not os.path.exists(program.path(DATA_FILE)), 1.5,
                      "no keying data file")
        self.assertEqual(enabled_states(), IDLE)
        checked = {int(r[0]): int(r[4]) for r in probe_lines("controls")}
        self.assertEqual(checked[1028], 1)
        # Idle, not armed: a new keying is not recorded, though it reaches the
        # level meter (blue bar).
        player = harness.play(wav)
        harness.wait_until(lambda: harness.pixel(capture(program, "idle_keying.bmp"), 960, 31)
                           == (0, 0, 255), 10, "the keying on the level meter")
        self.assertEqual(enabled_states(), IDLE)
        self.assertFalse(harness.recording_runs(program))
        player.kill()
        player.wait()

    def test_alphabet_and_code_interval_apply_to_later_characters(self):
        program = self.start()
        dot, dash, gap, letter_gap, pause = 60, 180, 60, 220, 4000
        a_then_b = [dot, gap, dash, letter_gap, dash, gap, dot, gap, dot, gap, dot]
        # Decoded with the units the marks and spaces give (starting at 50 ms):
        # A B on 欧文, then ｲ ﾊ after switching to 和文, then ". (100 ms) -"
        # after switching to the narrow interval, where the space unit is
        # about 52 ms: 100 ms ends a character (more than 78) though it would
        # not on the medium interval (104), so it shows ﾍ ﾑ and not ｲ.
        # Each pause writes one word space.
        entries = [0] + a_then_b + [pause] + a_then_b + [pause] + [dot, 100, dash]
        wav = program.path("keying.wav")
        keying.write_keying_wav(wav, entries, tail_ms=1500)
        first_pause_ms = LEAD_MS + sum(entries[:12])
        second_pause_ms = first_pause_ms + pause + sum(a_then_b)
        probe("click", "1005")
        harness.wait_started()
        player = harness.play(wav)
        started = time.monotonic()
        for pause_start, control in ((first_pause_ms, "1014"), (second_pause_ms, "1024")):
            time.sleep(max(0.0, started + (pause_start + 1000) / 1000.0 - time.monotonic()))
            probe("click", control)
            late = time.monotonic() - started - (pause_start + pause - 500) / 1000.0
            self.assertLess(late, 0, "the setting changed too late in the pause")
        player.wait(60)
        # The WAV's silent tail of 1.5 s ends the last character and writes
        # its word space.
        image = capture(program, "decoded_text.bmp")
        self.assertTrue(drawn_in_font(program, image, 28, 90, "AB ｲﾊ ﾍﾑ ", "decode"))
        checked = {int(r[0]): int(r[4]) for r in probe_lines("controls")}
        self.assertEqual([checked[i] for i in (1013, 1014, 1024, 1025, 1026)], [0, 1, 1, 0, 0])


if __name__ == "__main__":
    unittest.main()
