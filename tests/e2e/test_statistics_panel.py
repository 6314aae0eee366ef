"""The statistics panel after a measurement of a known keying has stopped by
itself: every text, the markers under the MARK axis and the ratio bars are
read back from a capture of the window."""
import math
import unittest

import harness
import keying
from harness import ProgramTest, cp932_hex, probe

RED = (255, 0, 0)

# Two keyings whose last mark starts 300..700 ms into a second, so that the
# automatic stop (10 s after the last key-down) falls in a known whole second.
ENGLISH_LETTERS = keying.KNOWN_LETTERS
ONLY_DOTS = ["."] * 23


def tenths_tie(value):
    """True when value lies exactly half-way between two tenths, where C
    runtimes may round the other way than Python does."""
    return abs(abs(value * 10 - math.floor(value * 10)) - 0.5) < 1e-9


def expected_texts(entries, measured_seconds):
    """(x, y, text) of every panel text, computed from the keying itself."""
    decision, dot, dash, gap = keying.statistics(entries)
    texts = [
        (120, 170, "集計時間  %3d[秒]" % measured_seconds),
        (420, 170, "打鍵時間  %3d[秒]" % (sum(entries) // 1000)),
        (120, 198, "打点数   %4d[個]" % (len(entries) // 2)),
        (420, 198, "短点数   %4d[個]" % dot[2]),
        (720, 198, "長点数   %4d[個]" % dash[2]),
    ]
    if dot[2] == 0 or dash[2] == 0 or gap[2] == 0:
        return texts + [
            (120, 250, "０割算のため計算できませんでした"),
            (120, 270, "長点もしくは短点の数が０です"),
            (120, 310, "クリアを押してください"),
        ]
    return texts + [
        (120, 236, "平均短点長点比  %5.1f" % (dash[0] / dot[0])),
        (120, 264, "平均短点点間比  %5.1f" % (gap[0] / dot[0])),
        (120, 292, "長短判定時間     %4d[ms]" % decision),
        (420, 236, "平均短点長  %5.1f[ms]   偏差 %4.1f[ms]" % (dot[0], dot[1])),
        (420, 264, "平均長点長  %5.1f[ms]   偏差 %4.1f[ms]" % (dash[0], dash[1])),
        (420, 292, "平均点間長  %5.1f[ms]   偏差 %4.1f[ms]" % (gap[0], gap[1])),
        (120, 350, "再開はクリアを押してください"),
        (120, 370, "印字・再生で記録したデータの印字および再生ができます"),
    ]


def ratio_bar_columns(entries, mean_dot_ms, first_entry):
    """x of every ratio bar at least one pixel high, for the marks
    (first_entry 1) or the spaces (first_entry 2)."""
    histogram = [0] * 501
    for d in entries[first_entry::2]:
        histogram[min(d, 500)] += 1
    largest = max(histogram[5:])
    columns = set()
    for length, count in enumerate(histogram):
        if length == 0 and first_entry == 2:
            continue
        offset = int(length / mean_dot_ms * 100)
        if count and offset <= 500 and int(count / largest * 100) >= 1:
            columns.add(610 + offset)
    return columns


class StatisticsPanel(ProgramTest):
    def measure_and_capture(self, letters, artifact):
        entries = keying.hand_keying(letters)
        self.assertGreaterEqual(len(entries), 40)
        seconds = keying.automatic_stop_seconds(entries)
        program = self.start()
        wav = program.path("keying.wav")
        keying.write_keying_wav(wav, entries)
        probe("click", "1005")
        harness.wait_started()
        harness.play(wav).wait(120)
        harness.wait_automatic_stop(program)
        shot = program.path("panel.bmp")
        harness.capture(shot)
        harness.keep_artifact(shot, artifact)
        return program, entries, seconds, harness.read_bmp(shot)

    def assert_texts_drawn(self, program, image, texts):
        rendered_path = program.path("text.bmp")
        for x, y, text in texts:
            self.assertEqual(probe("render-oem", cp932_hex(text), rendered_path).returncode, 0)
            rendered = harness.read_bmp(rendered_path)
            width, height, _ = rendered
            self.assertEqual(harness.region(image, x, y, width, height),
                             harness.region(rendered, 0, 0, width, height), text)

    def test_values_of_the_keying_shown(self):
        program, entries, seconds, image = self.measure_and_capture(ENGLISH_LETTERS,
                                                                    "statistics_panel.bmp")
        decision, dot, dash, gap = keying.statistics(entries)
        for value in (dot[0], dot[1], dash[0], dash[1], gap[0], gap[1], dash[0] / dot[0],
                      gap[0] / dot[0]):
            self.assertFalse(tenths_tie(value), value)
        self.assert_texts_drawn(program, image, expected_texts(entries, seconds))

        # Red markers under the MARK axis (0 ms at x 80): mean dot, mean dash
        # and decision time, each from y 630 down to 639.
        for value in (int(dot[0]), int(dash[0]), decision):
            column = [harness.pixel(image, 80 + value, y) for y in range(630, 640)]
            self.assertEqual(column, [RED] * 10, value)

        # Ratio bars: their columns just above each baseline, 100 pixels per
        # mean dot length from x 610.
        for baseline, first_entry in ((630, 1), (510, 2)):
            shown = {x for x in range(610, 1111) if harness.pixel(image, x, baseline - 1) == RED}
            self.assertEqual(shown, ratio_bar_columns(entries, dot[0], first_entry), baseline)

    def test_failure_texts_when_no_dash_was_keyed(self):
        program, entries, seconds, image = self.measure_and_capture(ONLY_DOTS,
                                                                    "statistics_panel_failed.bmp")
        _, _, dash, _ = keying.statistics(entries)
        self.assertEqual(dash[2], 0)
        texts = expected_texts(entries, seconds)
        self.assertEqual(len(texts), 8)
        self.assert_texts_drawn(program, image, texts)


if __name__ == "__main__":
    unittest.main()
