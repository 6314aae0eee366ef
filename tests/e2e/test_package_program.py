"""The unpacked package run under Wine: ventrok.exe started from its own
folder shows its window and the version of its version resource, replays
the sample keying data file beside it through 印字・再生, and ends with exit
code 0; given the demo recording on its command line, it measures it into
the same file as that sample.

The replay of the sample (a real hand keying, 20 s) is checked for being
this file played whole at its speed, not sample for sample: its letter
spaces leave chunks of a few milliseconds, and under Wine the two-buffer
output then runs dry now and then (gap fill, a few samples lost or silence
added at the stall). test_replay checks the replay's timing exactly with
keyings whose chunks avoid that."""
import os
import sys
import unittest

import harness
import package_build
import pe_resources
from harness import cp932_hex, probe, probe_lines
from test_replay import (RATE, REPLAY, WINE_GAP_FILL, ReplayWindowTest, expected_marks_and_spaces,
                         sound_runs, tone_frequency)

ABOUT = cp932_hex("バージョン情報")
SAMPLES_PER_MS = 11  # the replay speed the window opens with, x1.00


def gap_fill_runs(samples):
    """How many times Wine's output ran dry: runs of its gap fill value."""
    return sum(1 for i, s in enumerate(samples)
               if s == WINE_GAP_FILL and (i == 0 or samples[i - 1] != WINE_GAP_FILL))


def whole_replay_problems(samples, entries):
    """How a recording differs from the whole file played at x1.00, beyond
    what the sound path's stalls can do: stalls only add time or split a
    tone; they never lose more than a few samples of tone."""
    marks, spaces = expected_marks_and_spaces(entries, SAMPLES_PER_MS)
    runs = sound_runs(samples)
    if not runs:
        return ["no sound"]
    stalls = gap_fill_runs(samples[runs[0][0]:runs[-1][1]])
    problems = []
    if not len(marks) <= len(runs) <= len(marks) + stalls:
        problems.append("%d tones heard for %d marks with %d stalls" % (len(runs), len(marks), stalls))
    tone = sum(end - start for start, end in runs)
    if abs(tone - sum(marks)) > 0.02 * sum(marks):
        problems.append("%.3f s of tone heard, %.3f s expected" % (tone / RATE, sum(marks) / RATE))
    span = runs[-1][1] - runs[0][0]
    expected_span = sum(marks) + sum(spaces[:len(marks) - 1])
    if not expected_span - RATE // 100 <= span <= expected_span + RATE // 2:
        problems.append("the tones span %.3f s, %.3f s expected" % (span / RATE, expected_span / RATE))
    longest = max(runs, key=lambda run: run[1] - run[0])
    frequency = tone_frequency(samples, longest[0] + 15, longest[1] - 15)
    if abs(frequency - 735.0) > 1.0:
        problems.append("a tone of %.1f Hz" % frequency)
    return problems


class UnpackedProgram(ReplayWindowTest):
    @classmethod
    def setUpClass(cls):
        cls.zip_path = package_build.package()

    def about_text(self):
        """The about box's text as the running program shows it."""
        probe("command", "105")
        rows = probe_lines("dialog-controls", ABOUT)
        probe("dialog-button", ABOUT, "1")
        self.assertEqual(probe("gone", ABOUT).returncode, 0)
        texts = [bytes.fromhex(row[5]).decode("cp932") for row in rows
                 if row[1].lower() == "static" and len(row) > 5]
        self.assertEqual(len(texts), 1, rows)
        return texts[0]

    def test_starts_from_its_folder_replays_the_sample_and_ends_with_0(self):
        folder = package_build.unpack(self.zip_path)
        exe = os.path.join(folder, "ventrok.exe")
        _, entries = package_build.keying_file_entries(os.path.join(folder, "打鍵データ.csv"))
        # An absolute path: the harness runs it instead of the build's program.
        # A deeper buffer on the sound server's side of Wine's output keeps
        # the replay's tone flowing while other work holds up the CPU.
        program = self.start(name=exe, workdir=folder,
                             env=dict(harness.ENV, PULSE_LATENCY_MSEC="100"))

        # The version the about box shows is the version resource's.
        about = self.about_text()
        self.assertEqual(about, "Ventrok\u3000Ver0.5")
        shown = about.split("Ver", 1)[1]
        info = pe_resources.version_info(exe)
        for table in ("041104B0", "040904B0"):
            self.assertEqual(info.strings[table]["FileVersion"], shown)
            self.assertEqual(info.strings[table]["ProductVersion"], shown)
        major, minor = (int(number) for number in shown.split("."))
        self.assertEqual(info.fixed_version("file"), (major, minor, 0, 0))
        self.assertEqual(info.fixed_version("product"), (major, minor, 0, 0))

        # The sample file beside the program replays at once after start-up.
        self.open_replay_window()
        samples = self.replay_and_record(program, "replay.raw", sum(entries[1:]) / 1000.0,
                                         end_seconds=10)
        sys.stderr.write("replay of the sample: %d stalls of the sound path (load average %.2f)\n"
                         % (gap_fill_runs(samples), os.getloadavg()[0]))
        self.assertEqual(whole_replay_problems(samples, entries), [])

        probe("window-click", REPLAY, "1005")
        self.assertEqual(probe("window-gone", REPLAY, "10").returncode, 0)
        probe("command", "104")
        self.assertEqual(program.wait_exit(20), 0)

        # The sample is the demo recording measured: so is the file that the
        # program writes when the recording is given on its command line.
        sample = os.path.join(folder, "打鍵データ.csv")
        with open(sample, "rb") as f:
            expected = f.read()
        os.remove(sample)
        demo = os.path.join(harness.ROOT, "tests", "data", "demo_keying.wav")
        program = self.start(name=exe, workdir=folder, args=["Z:" + demo.replace("/", "\\")])
        harness.wait_enabled(1016, "the demo recording measured (印字・再生 enabled)", 30)
        with open(sample, "rb") as f:
            self.assertEqual(f.read(), expected)


if __name__ == "__main__":
    unittest.main()
