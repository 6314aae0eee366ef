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
# Wine fills gaps in an 8-bit output stream (an underrun, or what follows a
# reset) with byte 0 instead of the 8-bit silence 128: a full-scale negative
# level that the program's tone, whose lowest byte is 1, never reaches.
WINE_GAP_FILL = -32768

# What the recording may miss of the first tone without it counting as a
# disturbance. A stream that starts is mixed into the speaker at once over
# what the sink already rendered, which its monitor has passed on as silence:
# with the monitor readers' 10 ms latency, pacat's own sound recorded from
# speaker.monitor without Wine or the program lost 17 to 93 samples (up to
# 8.4 ms) of its head, run to run.
START_LOSS_MS = 10.0

# Entry 0 is the space before the first mark and is never played. One mark
# spans three chunks (300 ms), one two (170 ms), and one space three (280 ms).
# Every last chunk is at least 50 ms long: only two buffers are in flight, and
# under Wine a buffer comes back only once it has been played, so a short
# last chunk leaves too little time to refill the other buffer and the
# output runs dry for a moment (seen with 250 ms: 110 + 110 + 30).
SHORT_KEYING = [200, 60, 60, 180, 62, 58, 190, 185, 58, 60, 280, 300, 70, 170]
# About 12 s of sound: a 160 ms first mark, then 300 ms marks 100 ms apart.
LONG_KEYING = [0, 160, 100] + [300, 100] * 29 + [300]


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
    stretches of less than one period are joined. Wine's gap filling is not
    the program's sound."""
    peak = max((abs(s) for s in samples if s != WINE_GAP_FILL), default=0)
    threshold = max(peak // 50, 16)
    runs = []
    start = last = None
    for i, s in enumerate(samples):
        if abs(s) > threshold and s != WINE_GAP_FILL:
            if start is None:
                start = i
            elif i - last > TONE_PERIOD_SAMPLES:
                runs.append((start, last + 1))
                start = i
            last = i
    if start is not None:
        runs.append((start, last + 1))
    return runs


def platform_disturbance(samples, runs):
    """Why a recording cannot show the program's timing, or None: the
    output stream ran dry somewhere (Wine filled the gap), the sound server
    slipped silence into a tone (the tone has single zero samples only), or
    the stream's start stuttered (a break within the first 100 ms of sound)."""
    if not runs:
        return "no sound"
    underruns = [i for i in range(runs[0][0], runs[-1][1]) if samples[i] == WINE_GAP_FILL]
    if underruns:
        return "underrun at sample %d" % underruns[0]
    for start, end in runs:
        for i in range(start + 1, end):
            if samples[i] == 0 and samples[i - 1] == 0:
                return "silence slipped into the tone at sample %d" % i
    for (_, end), (start, _) in zip(runs, runs[1:]):
        if end - runs[0][0] < RATE // 10 and start - end < RATE // 50:
            return "start stutter at sample %d" % end
    return None


def start_cut(samples, runs, entries, samples_per_ms):
    """Why the first tone lost more than the usual few milliseconds at the
    stream's start through the sound path, or None. Every mark the program
    plays opens with its rise (the first samples at a small fraction of the
    peak); a recording whose first tone begins at full level lost the head of
    what the program wrote. A program that always lost it would fail every
    repeat."""
    if not runs:
        return None
    first_mark = expected_marks_and_spaces(entries, samples_per_ms)[0][0]
    lost_ms = (first_mark - (runs[0][1] - runs[0][0])) * 1000.0 / RATE
    peak = max(abs(s) for s in samples[runs[0][0]:runs[0][1]])
    if lost_ms > START_LOSS_MS and abs(samples[runs[0][0]]) > peak // 4:
        return ("the stream's start swallowed %.1f ms: the first tone begins at level %d "
                "without its rise" % (lost_ms, samples[runs[0][0]]))
    return None


def tone_frequency(samples, start, end):
    """Periods per second between the first and last rising zero crossing."""
    crossings = [i for i in range(start + 1, end) if samples[i - 1] < 0 <= samples[i]]
    return (len(crossings) - 1) * RATE / (crossings[-1] - crossings[0])


def keying_mismatches(samples, entries, samples_per_ms):
    """How the recorded tone differs from the entries at that speed; empty
    when every mark and space is heard at its length."""
    marks, spaces = expected_marks_and_spaces(entries, samples_per_ms)
    runs = sound_runs(samples)
    if len(runs) != len(marks):
        return ["%d tones heard, %d expected: %s" % (len(runs), len(marks), runs)]
    heard_marks = [(end - start) * 1000.0 / RATE for start, end in runs]
    heard_spaces = [(runs[i + 1][0] - runs[i][1]) * 1000.0 / RATE for i in range(len(runs) - 1)]
    mismatches = []
    # The release of a tone sounds for one period into the following space,
    # and every chunk is cut to whole periods: 2 ms of tolerance. The
    # recording may also miss the head of the first tone (START_LOSS_MS).
    tolerance_ms = 2.0
    for i, (heard, expected) in enumerate(zip(heard_marks, marks)):
        expected_ms = expected * 1000.0 / RATE
        if i == 0 and heard < expected_ms:
            heard = min(heard + START_LOSS_MS, expected_ms)
        if abs(heard - expected_ms) > tolerance_ms:
            mismatches.append("mark %d: %.1f ms heard, %.1f expected" % (i, heard, expected_ms))
    for i, (heard, expected) in enumerate(zip(heard_spaces, spaces)):
        expected_ms = expected * 1000.0 / RATE
        if abs(heard - expected_ms) > tolerance_ms:
            mismatches.append("space %d: %.1f ms heard, %.1f expected" % (i, heard, expected_ms))
    # Onset to onset the timing is exact to the sample: no buffer was lost or
    # delayed. The first onset is left out (the start may lose samples).
    for i in range(1, len(runs) - 1):
        if abs(runs[i + 1][0] - runs[i][0] - (marks[i] + spaces[i])) > 2:
            mismatches.append("onset %d: %d samples after the previous, %d expected"
                              % (i + 1, runs[i + 1][0] - runs[i][0], marks[i] + spaces[i]))
    for i, (start, end) in enumerate(runs):
        if end - start > 40 * samples_per_ms:
            frequency = tone_frequency(samples, start + TONE_PERIOD_SAMPLES,
                                       end - TONE_PERIOD_SAMPLES)
            if abs(frequency - 735.0) > 1.0:
                mismatches.append("mark %d: %.1f Hz" % (i, frequency))
    return mismatches


class SpeakerRecording:
    """What the program plays, recorded from the speaker's monitor. Waits are
    measured in recorded sound, which needs no Wine process while the tone
    plays (each one takes CPU time the sound path needs on a busy machine)."""

    def __init__(self, path):
        self.path = path
        self.file = open(path, "wb")
        env = dict(harness.ENV, LC_ALL="C")
        self.process = subprocess.Popen(
            ["parec", "-d", "speaker.monitor", "--format=s16le", "--rate=%d" % RATE,
             "--channels=1", "--raw", "--latency-msec=10"], stdout=self.file, env=env)
        harness.wait_until(lambda: self.samples() > 0, 10, "the speaker recording starting")

    def samples(self):
        return os.path.getsize(self.path) // 2

    def wait_for_more(self, seconds, what):
        """Waits until the given length of sound more has been recorded."""
        target = self.samples() + int(seconds * RATE)
        harness.wait_until(lambda: self.samples() >= target, seconds + 10, what)

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


class ReplayWindowTest(ProgramTest):
    """What the replay tests do with the print and replay window, without
    tests of its own: the package test drives the window through it too."""

    def start_with_file(self, entries):
        workdir = tempfile.mkdtemp(prefix="ventrok-e2e-")
        if entries is not None:
            with open(os.path.join(workdir, DATA_FILE), "wb") as f:
                f.write(keying.expected_keying_file(entries, sum(entries) // 1000 + 2))
        # A deeper buffer on the sound server's side of Wine's output keeps the
        # tone flowing while other work holds up the CPU for a moment.
        env = dict(harness.ENV, PULSE_LATENCY_MSEC="100")
        return self.start(workdir=workdir, env=env)

    def open_replay_window(self):
        controls = {int(r[0]): int(r[2]) for r in probe_lines("controls")}
        self.assertEqual(controls[1016], 1)
        probe("command", "1016")
        self.assertEqual(probe("window-wait", REPLAY, "20").returncode, 0)
        harness.wait_until(lambda: 1004 in window_controls(REPLAY), 10,
                           "the controls of the replay window")

    def wait_for_play_caption(self, seconds, what):
        harness.wait_until(lambda: window_controls(REPLAY)[1004][1] == PLAY_CAPTION, seconds, what)

    def replay_and_record(self, program, name, played_seconds, end_seconds=5):
        """Plays the file once through 再生 and returns what the speaker heard."""
        recording = SpeakerRecording(program.path(name))
        probe("window-click", REPLAY, "1004")
        recording.wait_for_more(played_seconds + 0.5, "the replay's length of recorded sound")
        self.wait_for_play_caption(end_seconds, "the replay did not end by itself")
        self.assertEqual(window_controls(REPLAY)[1005][0], 1)
        recording.wait_for_more(0.3, "the recording of the replay's end")
        return recording.stop()

    def assert_heard_at_speed(self, program, entries, samples_per_ms):
        """A recording of the replay is heard exactly as the file says. On a
        busy machine the sound path under Wine now and then runs dry (Wine's
        gap fill shows), slips silence into a tone, stutters at the start or
        swallows the head of the first tone; a replay that differs from the
        file and whose recording shows such a disturbance is repeated, and
        every repeat is reported. Any other difference fails at once."""
        played_seconds = sum(entries[1:]) * samples_per_ms / 11 / 1000
        for attempt in range(4):
            name = "speed%d-%d.raw" % (samples_per_ms, attempt)
            samples = self.replay_and_record(program, name, played_seconds)
            mismatches = keying_mismatches(samples, entries, samples_per_ms)
            if not mismatches:
                return
            runs = sound_runs(samples)
            disturbance = platform_disturbance(samples, runs)
            if disturbance is None and all(m.startswith("mark 0:") for m in mismatches):
                disturbance = start_cut(samples, runs, entries, samples_per_ms)
            if disturbance is None:
                self.assertEqual(mismatches, [])
            evidence = "%s in %s" % (disturbance, program.path(name))
            if attempt == 3:
                self.fail("every replay at %d samples per ms was disturbed by the sound path; "
                          "the last: %s" % (samples_per_ms, evidence))
            harness.record_retry(self, "replay at %d samples per ms: %s" % (samples_per_ms, evidence))


class ReplayTest(ReplayWindowTest):
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
        self.assert_heard_at_speed(program, SHORT_KEYING, 11)

        # Position 16: 22 samples per recorded millisecond, half speed.
        probe("window-scroll", REPLAY, "1009", "16")
        self.assertEqual(window_controls(REPLAY)[1002][1], cp932_hex("x0.50"))
        self.assertEqual(probe_lines("window-trackbars", REPLAY)[0], ["1009", "5", "33", "16"])
        self.assert_heard_at_speed(program, SHORT_KEYING, 22)

        probe("window-click", REPLAY, "1005")
        self.assertEqual(probe("window-gone", REPLAY, "10").returncode, 0)
        self.assertEqual(probe("focus").stdout.strip(), "1005")

    def test_stop_silences_at_once_and_play_starts_again(self):
        program = self.start_with_file(LONG_KEYING)
        self.open_replay_window()
        recording = SpeakerRecording(program.path("stopped.raw"))
        probe("window-click", REPLAY, "1004")
        playing = window_controls(REPLAY)
        self.assertEqual(playing[1004], (1, STOP_CAPTION))
        self.assertEqual(playing[1005][0], 0)
        recording.wait_for_more(2.0, "two seconds of the replay")
        before_click = time.time()
        probe("window-click", REPLAY, "1004")
        after_click = time.time()
        controls = window_controls(REPLAY)
        self.assertEqual(controls[1004], (1, PLAY_CAPTION))
        self.assertEqual(controls[1005][0], 1)
        recording.wait_for_more(1.0, "one second after the stop")
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

        # 再生 again starts from the first mark (160 ms, not 300 ms).
        samples = self.replay_and_record_first_second(program)
        # Breaks shorter than 30 ms are the stream's, not the keying's.
        runs = []
        for start, end in sound_runs(samples):
            if runs and start - runs[-1][1] < RATE * 30 // 1000:
                runs[-1] = (runs[-1][0], end)
            else:
                runs.append((start, end))
        heard_ms = [(end - start) * 1000.0 / RATE for start, end in runs]
        self.assertAlmostEqual(heard_ms[0], 160, delta=30, msg=heard_ms)
        self.assertTrue(any(abs(ms - 300) < 30 for ms in heard_ms[1:]), heard_ms)
        probe("window-click", REPLAY, "1004")

    def replay_and_record_first_second(self, program):
        recording = SpeakerRecording(program.path("again.raw"))
        probe("window-click", REPLAY, "1004")
        recording.wait_for_more(2.0, "two seconds of the replay")
        return recording.stop()

    def test_close_request_during_a_replay(self):
        program = self.start_with_file(LONG_KEYING)
        self.open_replay_window()
        recording = SpeakerRecording(program.path("closed.raw"))
        probe("window-click", REPLAY, "1004")
        recording.wait_for_more(1.5, "a second and a half of the replay")
        probe("window-close", REPLAY)
        self.assertEqual(probe("window-gone", REPLAY, "5").returncode, 0)
        recording.wait_for_more(1.0, "one second after the window closed")
        samples = recording.stop()
        runs = sound_runs(samples)
        self.assertTrue(runs)
        self.assertGreater((len(samples) - runs[-1][1]) / RATE, 0.8)
        self.assertEqual(probe_lines("window-state", MAIN), [["1", "1"]])
        self.assertEqual(harness.eventually(lambda: probe("focus").stdout.strip(), "1005"), "1005")
        # The output was released: the window opens and plays again, and a
        # close request while idle closes it at once.
        self.open_replay_window()
        probe("window-click", REPLAY, "1004")
        self.assertEqual(window_controls(REPLAY)[1004], (1, STOP_CAPTION))
        probe("window-click", REPLAY, "1004")
        self.wait_for_play_caption(5, "the replay did not stop")
        probe("window-close", REPLAY)
        self.assertEqual(probe("window-gone", REPLAY, "5").returncode, 0)

    def test_missing_or_damaged_file_shows_only_the_message(self):
        program = self.start_with_file(None)
        before = probe_lines("controls")
        # A spreadsheet's re-save: every field in quotes, or every line padded
        # with commas to the width of the widest.
        written = keying.expected_keying_file(SHORT_KEYING, 3).splitlines()
        quoted = b"".join(b",".join(b'"%s"' % f for f in line.split(b",")) + b"\r\n"
                          for line in written)
        padded = b"".join(line + b",,,\r\n" for line in written)
        damaged = "打鍵データ.csvが壊れているため読み込めません。"
        for content, message in [(None, "打鍵データ.csvがありません。"), (quoted, damaged),
                                 (padded, damaged)]:
            if content is not None:
                with open(program.path(DATA_FILE), "wb") as f:
                    f.write(content)
            self.open_replay_window_expecting_message()
            texts = [caption for _, caption in window_controls(MESSAGE_BOX).values()]
            self.assertIn(cp932_hex(message), texts)
            # The window exists only while it is being initialised, never shown.
            self.assertEqual(probe_lines("window-state", REPLAY)[0][1], "0")
            probe("window-dismiss", MESSAGE_BOX)
            self.assertEqual(probe("window-gone", MESSAGE_BOX, "5").returncode, 0)
            self.assertEqual(harness.eventually(lambda: probe_lines("window-state", REPLAY),
                                                [["0", "0"]]), [["0", "0"]])
            self.assertEqual(probe_lines("window-state", MAIN), [["1", "1"]])
            self.assertEqual(probe_lines("controls"), before)
            if content is not None:
                with open(program.path(DATA_FILE), "rb") as f:
                    self.assertEqual(f.read(), content, message)
        # Still usable: a measurement starts and stops.
        probe("click", "1005")
        harness.wait_started()
        states = {int(r[0]): int(r[2]) for r in probe_lines("controls")}
        self.assertEqual((states[1005], states[1007]), (0, 1))
        probe("click", "1007")
        harness.wait_enabled(1015, "the stop (クリア enabled)")
        states = {int(r[0]): int(r[2]) for r in probe_lines("controls")}
        self.assertEqual((states[1007], states[1015]), (0, 1))

    def open_replay_window_expecting_message(self):
        probe("command", "1016")
        self.assertEqual(probe("window-wait", MESSAGE_BOX, "20").returncode, 0)
        harness.wait_until(lambda: window_controls(MESSAGE_BOX), 10,
                           "the controls of the message box")


class ReplayEvidence(unittest.TestCase):
    """What counts as the sound path swallowing the head of the first tone."""

    # The program's attack and steady periods, as the 16-bit recording holds
    # its 8-bit samples.
    ATTACK = [(v - 128) * 256 for v in (128, 133, 146, 162, 175, 177, 167, 143, 111, 75, 43,
                                         24, 22, 41, 79)]
    STEADY = [(v - 128) * 256 for v in (128, 180, 223, 249, 255, 238, 203, 154, 102, 53, 18,
                                         1, 7, 33, 76)]

    def recording(self, cut):
        """Silence, then the first two marks of SHORT_KEYING at normal speed
        with the first `cut` samples of the first mark missing."""
        marks, spaces = expected_marks_and_spaces(SHORT_KEYING, 11)
        first = self.ATTACK + self.STEADY * (marks[0] // TONE_PERIOD_SAMPLES - 1)
        second = self.ATTACK + self.STEADY * (marks[1] // TONE_PERIOD_SAMPLES - 1)
        return array.array("h", [0] * 500 + first[cut:] + [0] * spaces[0] + second + [0] * 500)

    def test_only_a_long_loss_without_the_rise_is_evidence(self):
        entries = SHORT_KEYING[:4]
        cases = [
            (0, False),     # the whole tone
            (100, False),   # 9.1 ms: within what a stream's start may miss
            (130, True),    # 11.8 ms, the tone begins at full level
        ]
        for cut, evidence in cases:
            samples = self.recording(cut)
            found = start_cut(samples, sound_runs(samples), entries, 11)
            self.assertEqual(found is not None, evidence, (cut, found))

    def test_a_short_tone_that_keeps_its_rise_is_no_evidence(self):
        # The program itself playing 135 samples less, from the rise on.
        samples = self.recording(0)
        start = 500
        del samples[start + 15:start + 150]
        self.assertIsNone(start_cut(samples, sound_runs(samples), SHORT_KEYING[:4], 11))


if __name__ == "__main__":
    unittest.main()
