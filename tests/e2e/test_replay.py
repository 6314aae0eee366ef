"""The print and replay window playing a known keying data file: the speaker
is recorded and the tone's marks and spaces are measured in the recording."""
import array
import os
import subprocess
import tempfile
import time
import unittest

import harness
import keying
from harness import ProgramTest, cp932_hex, probe, probe_lines

DATA_FILE = "打鍵データ.csv"
REPLAY = cp932_hex("印字・再生")
MESSAGE_BOX = cp932_hex("メッセージボックス")
MAIN = cp932_hex("Ventrok Ver0.5")
PLAY_CAPTION = cp932_hex("再　生")
STOP_CAPTION = cp932_hex("停　止")

RATE = 11025
TONE_PERIOD_SAMPLES = 15  # 735 Hz at 11025 Hz
CHUNK_MS = 110

# Entry 0 is the space before the first mark and is never played. The marks
# include one over three chunks (300 ms) and one just over a chunk (120 ms);
# one space spans three chunks (250 ms).
SHORT_KEYING = [200, 60, 60, 180, 62, 58, 190, 185, 58, 60, 250, 300, 70, 120]
# About 12 s of sound: a 150 ms first mark, then 300 ms marks 100 ms apart.
LONG_KEYING = [0, 150, 100] + [300, 100] * 29 + [300]


def element_samples(duration_ms, samples_per_ms):
    """Samples one mark or space becomes: 110 ms chunks, each cut down to
    whole tone periods."""
    total = 0
    while duration_ms > 0:
        chunk = min(duration_ms, CHUNK_MS)
        total += chunk * samples_per_ms // TONE_PERIOD_SAMPLES * TONE_PERIOD_SAMPLES
        duration_ms -= chunk
    return total


def expected_marks_and_spaces(entries, samples_per_ms):
    marks = [element_samples(d, samples_per_ms) for d in entries[1::2]]
    spaces = [element_samples(d, samples_per_ms) for d in entries[2::2]]
    return marks, spaces


def sound_runs(samples):
    """(start, end) sample ranges where the tone sounds. Silence is exactly 0;
    inside a tone only single samples of a period come near 0, so quiet
    stretches of less than one period are joined."""
    peak = max((abs(s) for s in samples), default=0)
    threshold = max(peak // 50, 16)
    runs = []
    start = last = None
    for i, s in enumerate(samples):
        if abs(s) > threshold:
            if start is None:
                start = i
            elif i - last > TONE_PERIOD_SAMPLES:
                runs.append((start, last + 1))
                start = i
            last = i
    if start is not None:
        runs.append((start, last + 1))
    return runs


def tone_frequency(samples, start, end):
    """Rising zero crossings per second over the middle of a run."""
    crossings = sum(1 for i in range(start + 1, end) if samples[i - 1] < 0 <= samples[i])
    return crossings * RATE / (end - start)


class SpeakerRecording:
    """What the program plays, recorded from the speaker's monitor."""

    def __init__(self, path):
        self.path = path
        self.file = open(path, "wb")
        env = dict(harness.ENV, LC_ALL="C")
        self.process = subprocess.Popen(
            ["parec", "-d", "speaker.monitor", "--format=s16le", "--rate=%d" % RATE,
             "--channels=1", "--raw", "--latency-msec=10"], stdout=self.file, env=env)
        time.sleep(0.5)

    def stop(self):
        self.process.terminate()
        self.process.wait(10)
        self.file.close()
        samples = array.array("h")
        with open(self.path, "rb") as f:
            data = f.read()
        samples.frombytes(data[:len(data) // 2 * 2])
        return samples


def window_controls(caption_hex):
    return {int(r[0]): (int(r[2]), r[5] if len(r) > 5 else "")
            for r in probe_lines("window-controls", caption_hex)}


class ReplayTest(ProgramTest):
    def start_with_file(self, entries):
        workdir = tempfile.mkdtemp(prefix="ventrok-e2e-")
        if entries is not None:
            with open(os.path.join(workdir, DATA_FILE), "wb") as f:
                f.write(keying.expected_keying_file(entries, sum(entries) // 1000 + 2))
        return self.start(workdir=workdir)

    def open_replay_window(self):
        controls = {int(r[0]): int(r[2]) for r in probe_lines("controls")}
        self.assertEqual(controls[1016], 1)
        probe("command", "1016")
        self.assertEqual(probe("window-wait", REPLAY, "20").returncode, 0)
        time.sleep(0.5)

    def wait_for_play_caption(self, seconds):
        deadline = time.time() + seconds
        while time.time() < deadline:
            if window_controls(REPLAY)[1004][1] == PLAY_CAPTION:
                return True
            time.sleep(0.2)
        return False

    def replay_and_record(self, program, name, seconds):
        recording = SpeakerRecording(program.path(name))
        probe("window-click", REPLAY, "1004")
        playing = window_controls(REPLAY)
        self.assertEqual(playing[1004], (1, STOP_CAPTION))
        self.assertEqual(playing[1005][0], 0)
        self.assertTrue(self.wait_for_play_caption(seconds), "the replay did not end by itself")
        self.assertEqual(window_controls(REPLAY)[1005][0], 1)
        time.sleep(0.3)
        return recording.stop()

    def assert_keying_heard(self, samples, entries, samples_per_ms):
        marks, spaces = expected_marks_and_spaces(entries, samples_per_ms)
        runs = sound_runs(samples)
        self.assertEqual(len(runs), len(marks), runs)
        heard_marks = [(end - start) * 1000.0 / RATE for start, end in runs]
        heard_spaces = [(runs[i + 1][0] - runs[i][1]) * 1000.0 / RATE for i in range(len(runs) - 1)]
        # The release of a tone sounds for one period into the following
        # space, and every chunk is cut to whole periods: 2 ms of tolerance.
        tolerance_ms = 2.0
        for heard, expected in zip(heard_marks, marks):
            self.assertAlmostEqual(heard, expected * 1000.0 / RATE, delta=tolerance_ms,
                                   msg="marks %s, expected %s" % (heard_marks, marks))
        for heard, expected in zip(heard_spaces, spaces):
            self.assertAlmostEqual(heard, expected * 1000.0 / RATE, delta=tolerance_ms,
                                   msg="spaces %s, expected %s" % (heard_spaces, spaces))
        # Onset to onset the timing is exact: no buffer was lost or delayed.
        for i in range(len(runs) - 1):
            self.assertAlmostEqual(runs[i + 1][0] - runs[i][0], marks[i] + spaces[i],
                                   delta=2, msg="onsets %s" % [r[0] for r in runs])
        for start, end in runs:
            if end - start > 40 * samples_per_ms:
                middle = (start + TONE_PERIOD_SAMPLES, end - TONE_PERIOD_SAMPLES)
                self.assertAlmostEqual(tone_frequency(samples, *middle), 735.0, delta=8.0)

    def test_plays_the_file_at_two_speeds(self):
        program = self.start_with_file(SHORT_KEYING)
        self.open_replay_window()
        shot = program.path("replay.bmp")
        self.assertEqual(probe("window-capture", REPLAY, shot).returncode, 0)
        harness.keep_artifact(shot, "replay_window.bmp")
        controls = window_controls(REPLAY)
        self.assertEqual(controls[1004], (1, PLAY_CAPTION))
        self.assertEqual(controls[1005], (1, cp932_hex("終　了")))
        self.assertEqual(controls[1002][1], cp932_hex("x1.00"))
        self.assertEqual(probe_lines("window-trackbars", REPLAY),
                         [["1009", "5", "33", "27"], ["1008", "0", "100", "50"]])
        played_ms = sum(SHORT_KEYING[1:])

        samples = self.replay_and_record(program, "speed100.raw", played_ms / 1000 + 5)
        self.assert_keying_heard(samples, SHORT_KEYING, 11)

        # Position 16: 22 samples per recorded millisecond, half speed.
        probe("window-scroll", REPLAY, "1009", "16")
        self.assertEqual(window_controls(REPLAY)[1002][1], cp932_hex("x0.50"))
        samples = self.replay_and_record(program, "speed050.raw", 2 * played_ms / 1000 + 5)
        self.assert_keying_heard(samples, SHORT_KEYING, 22)

        probe("window-click", REPLAY, "1005")
        self.assertEqual(probe("window-gone", REPLAY, "10").returncode, 0)
        self.assertEqual(probe("focus").stdout.strip(), "1005")

    def test_stop_silences_at_once_and_play_starts_again(self):
        program = self.start_with_file(LONG_KEYING)
        self.open_replay_window()
        recording = SpeakerRecording(program.path("stopped.raw"))
        probe("window-click", REPLAY, "1004")
        time.sleep(2.0)
        before_click = time.time()
        probe("window-click", REPLAY, "1004")
        after_click = time.time()
        controls = window_controls(REPLAY)
        self.assertEqual(controls[1004], (1, PLAY_CAPTION))
        self.assertEqual(controls[1005][0], 1)
        time.sleep(1.0)
        recording_end = time.time()
        samples = recording.stop()
        runs = sound_runs(samples)
        self.assertTrue(runs)

        def seconds_before_end(index):
            return (len(samples) - index) / RATE

        # Sound until the click (300 ms marks 100 ms apart), none 100 ms after.
        self.assertLess(seconds_before_end(runs[-1][1]), recording_end - before_click + 0.5)
        self.assertGreaterEqual(seconds_before_end(runs[-1][1]), recording_end - after_click - 0.1)
        self.assertLess(len(runs), len(LONG_KEYING) // 2)

        # 再生 again starts from the first mark (150 ms, not 300 ms).
        samples = self.replay_and_record_first_second(program)
        runs = sound_runs(samples)
        self.assertGreaterEqual(len(runs), 2)
        first = element_samples(150, 11) * 1000.0 / RATE
        self.assertAlmostEqual((runs[0][1] - runs[0][0]) * 1000.0 / RATE, first, delta=2.0)
        probe("window-click", REPLAY, "1004")

    def replay_and_record_first_second(self, program):
        recording = SpeakerRecording(program.path("again.raw"))
        probe("window-click", REPLAY, "1004")
        time.sleep(1.0)
        return recording.stop()

    def test_close_request_during_a_replay(self):
        program = self.start_with_file(LONG_KEYING)
        self.open_replay_window()
        recording = SpeakerRecording(program.path("closed.raw"))
        probe("window-click", REPLAY, "1004")
        time.sleep(1.5)
        probe("window-close", REPLAY)
        self.assertEqual(probe("window-gone", REPLAY, "5").returncode, 0)
        time.sleep(1.0)
        samples = recording.stop()
        runs = sound_runs(samples)
        self.assertTrue(runs)
        self.assertGreater((len(samples) - runs[-1][1]) / RATE, 0.8)
        self.assertEqual(probe_lines("window-state", MAIN), [["1", "1"]])
        self.assertEqual(probe("focus").stdout.strip(), "1005")
        # The output was released: the window opens and plays again, and a
        # close request while idle closes it at once.
        self.open_replay_window()
        probe("window-click", REPLAY, "1004")
        self.assertEqual(window_controls(REPLAY)[1004], (1, STOP_CAPTION))
        probe("window-click", REPLAY, "1004")
        time.sleep(0.5)
        probe("window-close", REPLAY)
        self.assertEqual(probe("window-gone", REPLAY, "5").returncode, 0)

    def test_missing_file_shows_only_the_message(self):
        self.start_with_file(None)
        before = probe_lines("controls")
        self.open_replay_window_expecting_message()
        texts = [caption for _, caption in window_controls(MESSAGE_BOX).values()]
        self.assertIn(cp932_hex("打鍵データ.csvがありません。"), texts)
        # The window exists only while it is being initialised, never shown.
        self.assertEqual(probe_lines("window-state", REPLAY)[0][1], "0")
        probe("window-dismiss", MESSAGE_BOX)
        self.assertEqual(probe("window-gone", MESSAGE_BOX, "5").returncode, 0)
        time.sleep(0.5)
        self.assertEqual(probe_lines("window-state", REPLAY), [["0", "0"]])
        self.assertEqual(probe_lines("window-state", MAIN), [["1", "1"]])
        self.assertEqual(probe_lines("controls"), before)
        # Still usable: a measurement starts and stops.
        probe("click", "1005")
        time.sleep(0.5)
        states = {int(r[0]): int(r[2]) for r in probe_lines("controls")}
        self.assertEqual((states[1005], states[1007]), (0, 1))
        probe("click", "1007")
        time.sleep(0.5)
        states = {int(r[0]): int(r[2]) for r in probe_lines("controls")}
        self.assertEqual((states[1007], states[1015]), (0, 1))

    def open_replay_window_expecting_message(self):
        probe("command", "1016")
        self.assertEqual(probe("window-wait", MESSAGE_BOX, "20").returncode, 0)
        time.sleep(0.3)


if __name__ == "__main__":
    unittest.main()
