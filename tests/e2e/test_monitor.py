"""The monitor echo of the captured sound to the speaker: on, off, through
the clipping transform, and at the monitor volume."""
import array
import math
import os
import subprocess
import unittest
import wave

import harness
from harness import ProgramTest, cp932_hex, probe, probe_lines

DEVICES = cp932_hex("入出力デバイス選択")


def tone_samples(seconds, amplitude, frequency=700.0, lead_seconds=0.2):
    lead = [0] * int(11025 * lead_seconds)
    count = int(11025 * seconds)
    return lead + [int(round(amplitude * math.sin(2 * math.pi * frequency * n / 11025)))
                   for n in range(count)]


def write_wav(path, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(11025)
        w.writeframes(array.array("h", samples).tobytes())


def read_wav(path):
    with wave.open(path, "rb") as w:
        data = array.array("h", w.readframes(w.getnframes()))
    return list(data)


def clipped(s):
    """The limiter: 11 terms of x - x^3/3 + x^5/5 - ..., times 1.2, truncated."""
    x = s / 32768.0
    y = sum((-1) ** i * x ** (2 * i + 1) / (2 * i + 1) for i in range(11))
    return int(y * 32768 * 1.2)


def echo_of(program, samples, name):
    """Plays samples into the microphone while recording the speaker."""
    played = program.path(name + "_played.wav")
    heard = program.path(name + "_heard.wav")
    write_wav(played, samples)
    env = dict(harness.ENV, LC_ALL="C")
    recorder = subprocess.Popen(["parec", "-d", "speaker.monitor", "--format=s16le",
                                 "--rate=11025", "--channels=1", "--file-format=wav", heard],
                                env=env)

    def recorded_bytes():
        return os.path.getsize(heard) if os.path.exists(heard) else 0

    harness.wait_until(lambda: recorded_bytes() > 1000, 10, "the speaker recording starting")
    harness.play(played).wait(60)
    # The echo's tail: half a second more of recorded sound.
    more = recorded_bytes() + 11025
    harness.wait_until(lambda: recorded_bytes() >= more, 10, "the echo's tail in the recording")
    recorder.terminate()
    recorder.wait(10)
    harness.keep_artifact(heard, "monitor_" + name + ".wav")
    return read_wav(heard)


def matching_samples(expected, heard, piece=1103):
    """How many of expected's non-zero samples the heard stream repeats
    exactly. Each piece of about 0.1 s is aligned on its own, so a dropout
    of the sound path costs only the piece it falls in instead of shifting
    everything after it."""
    loud = [i for i, e in enumerate(expected) if e != 0]
    total = 0
    for p in range(0, len(loud), piece):
        indices = loud[p:p + piece]
        first = indices[0]
        best = 0
        # Candidate offsets: where the piece's first values appear.
        for k in range(len(heard) - 3):
            if heard[k:k + 3] != expected[first:first + 3]:
                continue
            offset = k - first
            hits = sum(1 for i in indices
                       if 0 <= i + offset < len(heard) and heard[i + offset] == expected[i])
            best = max(best, hits)
        total += best
    return total


class MonitorEcho(ProgramTest):
    def test_off_sends_silence_and_on_echoes_the_tone(self):
        program = self.start()
        probe("set-trackbar", "1008", "100")
        tone = tone_samples(1.0, 12000)
        self.assertEqual(max(abs(s) for s in echo_of(program, tone, "off")), 0)
        probe("click", "1012")
        heard = echo_of(program, tone, "on")
        # The echo is the captured sound sample for sample (a short dropout
        # of the monitor stream is tolerated).
        hits = matching_samples(tone, heard)
        self.assertGreater(hits, 0.9 * sum(1 for s in tone if s != 0))
        probe("click", "1012")
        self.assertEqual(max(abs(s) for s in echo_of(program, tone, "off_again")), 0)

    def test_clipping_limits_the_echo_as_the_limiter_series(self):
        program = self.start()
        probe("set-trackbar", "1008", "100")
        probe("click", "1012")
        probe("click", "1035")
        # Full scale, then a quiet tone, then a ramp over every magnitude.
        samples = (tone_samples(0.5, 32767) + tone_samples(0.5, 1000)
                   + [int(32767 * math.sin(n / 40.0) * n / 5000) for n in range(5000)])
        samples = [max(-32768, min(32767, s)) for s in samples]
        expected = [clipped(s) for s in samples]
        # The limiter's worked values.
        self.assertEqual([clipped(s) for s in (1000, 100, 16384, -32768)],
                         [1199, 119, 18231, -31774])
        heard = echo_of(program, samples, "clipping")
        self.assertLessEqual(max(abs(s) for s in heard), 31774)
        self.assertGreaterEqual(max(abs(s) for s in heard), 31700)
        hits = matching_samples(expected, heard)
        self.assertGreater(hits, 0.9 * sum(1 for s in expected if s != 0))


class MonitorVolume(ProgramTest):
    TONE = tone_samples(1.0, 16000)

    def peak_of_echo(self, program, name):
        return max(abs(s) for s in echo_of(program, self.TONE, name))

    def test_volume_moved_while_the_devices_are_closed_applies_when_they_open(self):
        program = self.start()
        probe("click", "1012")
        half = self.peak_of_echo(program, "volume_50")
        # The device dialog closes the devices; the trackbar moves meanwhile.
        probe("command", "107")
        self.assertEqual(probe("dialog-controls", DEVICES).returncode, 0)
        probe("set-trackbar", "1008", "100")
        probe("dialog-button", DEVICES, "3")
        self.assertEqual(probe("gone", DEVICES).returncode, 0)
        harness.wait_devices_open("ventrok.exe")
        full = self.peak_of_echo(program, "volume_100_after_open")
        # At 100 % the echo is the captured sound unchanged; the initial 50 %
        # (volume word 0x7FFF7FFF) halves it.
        self.assertEqual(full, max(abs(s) for s in self.TONE))
        self.assertLess(abs(half - full / 2), 0.02 * full, (half, full))
        # While open, a move applies at once.
        probe("set-trackbar", "1008", "0")
        self.assertEqual(self.peak_of_echo(program, "volume_0"), 0)


if __name__ == "__main__":
    unittest.main()
