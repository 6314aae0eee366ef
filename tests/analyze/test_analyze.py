"""ventrok-analyze end to end: recordings made by the test-signal tool are
measured, the keying data file is compared with the bytes expected from the
keying, a keying data file is rendered to a WAV and compared with a replay
computed here from the tone tables, and bad input is refused cleanly.

Run by ctest (cmake/analyze_tool.cmake), which sets VENTROK_ANALYZE and
MAKE_KEYING_WAV to the built programs."""
import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import keying  # noqa: E402  (expected keying data file, computed independently)

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.join(ROOT, "build", "native")
ANALYZE = os.environ.get("VENTROK_ANALYZE", os.path.join(BUILD, "ventrok-analyze"))
MAKE_KEYING_WAV = os.environ.get("MAKE_KEYING_WAV", os.path.join(BUILD, "make_keying_wav"))
DATA_FILE = "打鍵データ.csv"

# The letters of the end-to-end measurement test: the last mark starts at
# 7.553 s of clock, so the automatic stop 10 s later falls inside second 17
# whatever the block phase.
LETTERS = [".--.", ".-", ".-.", "..", "...", "-.-.", "--.-", "-..", ".", "-.-", ".-.-.", "-."]


def run(args, cwd):
    return subprocess.run([ANALYZE] + args, cwd=cwd, capture_output=True, timeout=300)


def make_wav(path, entries):
    subprocess.run([MAKE_KEYING_WAV, "durations", path,
                    "--durations", ",".join(str(e) for e in entries),
                    "--amplitude", "24000", "--tail-ms", "11000"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def automatic_stop_seconds(entries):
    """Measured seconds when the key has stayed up 10 s after the last mark's
    onset (the meter update runs at most about 110 ms later)."""
    last_mark_start = sum(entries[:-1])
    assert 300 <= last_mark_start % 1000 <= 700, last_mark_start
    return (last_mark_start + 10000) // 1000


class Folder(unittest.TestCase):
    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory()
        self.dir = self._tmp.name

    def tearDown(self):
        self._tmp.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def measure_json(self, recording, *options):
        result = run(["measure", recording, "--json"] + list(options), self.dir)
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        return json.loads(result.stdout.decode("utf-8"))["measurements"]


class Measure(Folder):
    def test_file_and_panel_match_the_keying(self):
        cases = [
            ("hand keying", keying.hand_keying(LETTERS), False),
            ("dots only: no dash class", [0] + [60] * 41, True),
        ]
        for name, entries, failed in cases:
            with self.subTest(name):
                wav = self.path("keying.wav")
                make_wav(wav, entries)
                seconds = automatic_stop_seconds(entries)
                result = run(["measure", wav], self.dir)
                self.assertEqual(result.returncode, 0, result.stderr.decode())
                with open(self.path(DATA_FILE), "rb") as f:
                    self.assertEqual(f.read(), keying.expected_keying_file(entries, seconds))

                text = result.stdout.decode("utf-8")
                decision, dot, dash, gap = keying.statistics(entries)
                self.assertIn("集計時間  %3d[秒]" % seconds, text)
                self.assertIn("打点数   %4d[個]" % (len(entries) // 2), text)
                self.assertIn("短点数   %4d[個]" % dot[2], text)
                self.assertIn("長点数   %4d[個]" % dash[2], text)
                if failed:
                    for line in ("０割算のため計算できませんでした", "長点もしくは短点の数が０です",
                                 "クリアを押してください"):
                        self.assertIn("\n" + line + "\n", text)
                    self.assertNotIn("平均短点長", text)
                else:
                    self.assertIn("平均短点長点比  %5.1f" % (dash[0] / dot[0]), text)
                    self.assertIn("長短判定時間     %4d[ms]" % decision, text)
                    self.assertIn("平均短点長  %5.1f[ms]   偏差 %4.1f[ms]" % dot[:2], text)
                    self.assertIn("平均長点長  %5.1f[ms]   偏差 %4.1f[ms]" % dash[:2], text)
                    self.assertIn("平均点間長  %5.1f[ms]   偏差 %4.1f[ms]" % gap[:2], text)
                    self.assertIn("印字・再生で記録したデータの印字および再生ができます", text)

    def test_other_rates_and_channels_give_the_same_timeline(self):
        entries = keying.hand_keying(LETTERS)
        wav = self.path("keying.wav")
        make_wav(wav, entries)
        reference = self.measure_json(wav, "-o", self.path("reference.csv"))[0]
        self.assertEqual(reference["timeline"], entries)
        conversions = [
            ("44100 Hz stereo WAV", "k44.wav", ["-r", "44100", "-c", "2"]),
            ("48000 Hz stereo 24-bit FLAC", "k48.flac", ["-r", "48000", "-c", "2", "-b", "24"]),
            ("22050 Hz mono, medium resampler", "k22.wav", ["-r", "22050"]),
        ]
        for name, file_name, sox_options in conversions:
            with self.subTest(name):
                converted = self.path(file_name)
                subprocess.run(["sox", wav] + sox_options + [converted], check=True)
                options = ["-o", self.path("converted.csv")]
                if "medium" in name:
                    options += ["--resampler", "medium"]
                measured = self.measure_json(converted, *options)[0]
                timeline = measured["timeline"]
                self.assertEqual(len(timeline), len(entries))
                worst = max(abs(a - b) for a, b in zip(timeline, entries))
                self.assertLessEqual(worst, 1, timeline)
                self.assertEqual(measured["statistics"]["measured_seconds"],
                                 reference["statistics"]["measured_seconds"])

    def test_decoded_characters_carry_kind_clock_and_units(self):
        entries = keying.hand_keying(LETTERS)
        wav = self.path("keying.wav")
        make_wav(wav, entries)
        measured = self.measure_json(wav, "-o", self.path("out.csv"))[0]
        characters = measured["characters"]
        self.assertEqual("".join(c["text"] for c in characters), measured["decoded_text"])
        # PARIS... : P A R I S C Q D E K AR(prosign) N
        letters = [c for c in characters if c["text"] != " "]
        self.assertEqual(len(letters), len(LETTERS))
        self.assertEqual(letters[0]["text"], "P")
        self.assertEqual(letters[10]["kind"], "prosign")
        clocks = [c["clock_ms"] for c in characters]
        self.assertEqual(clocks, sorted(clocks))
        for c in letters:
            self.assertTrue(10 <= c["mark_unit_ms"] <= 200 and 10 <= c["space_unit_ms"] <= 200)
        self.assertEqual(measured["stopped_by"], "automatic stop")

    def test_too_few_keyings_write_nothing_and_keep_the_old_file(self):
        wav = self.path("short.wav")
        make_wav(wav, [0, 60, 60, 180, 180, 60, 60, 180])
        old = b"earlier file\r\n"
        with open(self.path(DATA_FILE), "wb") as f:
            f.write(old)
        result = run(["measure", wav], self.dir)
        self.assertEqual(result.returncode, 3)
        text = result.stdout.decode("utf-8")
        for line in ("打鍵数が少なすぎます", "20回以上打鍵してください", "クリアを押してください"):
            self.assertIn("\n" + line + "\n", text)
        with open(self.path(DATA_FILE), "rb") as f:
            self.assertEqual(f.read(), old)
        self.assertEqual(sorted(os.listdir(self.dir)), sorted(["short.wav", DATA_FILE]))

    def test_cp932_output_is_the_panel_bytes(self):
        wav = self.path("keying.wav")
        make_wav(wav, keying.hand_keying(LETTERS))
        result = run(["measure", wav, "--encoding", "cp932"], self.dir)
        self.assertEqual(result.returncode, 0)
        self.assertIn("再開はクリアを押してください".encode("cp932"), result.stdout)


# Tone tables of the replay: attack, steady, and the release derived from
# the attack read backwards and mirrored about 128.
ATTACK = [128, 133, 146, 162, 175, 177, 167, 143, 111, 75, 43, 24, 22, 41, 79]
STEADY = [128, 180, 223, 249, 255, 238, 203, 154, 102, 53, 18, 1, 7, 33, 76]
RELEASE = [256 - ATTACK[14 - i] for i in range(15)]


def expected_replay(w, count, k):
    """The buffers the replay queues, concatenated, from a fresh tone."""
    tone = {"on": False, "phase": 0}

    def entry(j):
        return w[j] if j <= count + 1 and j < len(w) else 0

    def chunk(ms, mark):
        piece = min(ms, 110)
        carry = ms - 110 if ms >= 110 else 0
        n = piece * k // 15 * 15
        samples = []
        if mark:
            if not tone["on"]:
                tone["phase"] = 0
                samples += ATTACK
                tone["phase"] += 15
                tone["on"] = True
            while len(samples) < n:
                samples.append(STEADY[tone["phase"] % 15])
                tone["phase"] += 1
        else:
            if tone["on"]:
                samples += RELEASE
                tone["on"] = False
            samples += [128] * (n - len(samples))
        if carry == 0:
            tone["phase"] = 0
        return samples[:n], carry

    out, cursor = [], 1
    samples, carry = chunk(entry(1), True)
    out += samples
    if carry == 0:
        cursor = 2
        samples, carry = chunk(entry(2), False)
    else:
        samples, carry = chunk(carry, True)
    out += samples
    if carry == 0:
        cursor += 1
    while True:
        samples, carry = chunk(carry if carry else entry(cursor), cursor % 2 == 1)
        if carry == 0:
            cursor += 1
        if cursor > count + 1:
            return bytes(out)
        out += samples


def wav_samples(path):
    with open(path, "rb") as f:
        data = f.read()
    assert data[:4] == b"RIFF" and data[8:12] == b"WAVE"
    channels, rate, _, _, bits = struct.unpack("<HIIHH", data[22:36])
    assert (struct.unpack("<H", data[20:22])[0], channels, rate, bits) == (1, 1, 11025, 8)
    assert data[36:40] == b"data"
    size = struct.unpack("<I", data[40:44])[0]
    return data[44:44 + size]


def keying_file_text(entries):
    """A keying data file with the given durations (its statistics are not
    read back by the replay)."""
    lines = ["打鍵データ(CSV形式)", "集計時間[秒],1",
             "総打点数[点],%d,総データー数[個],%d" % (len(entries) // 2, len(entries)),
             "平均短点長[ms],60.0,短点時間偏差[ms],0.0", "平均長点長[ms],180.0,長点時間偏差[ms],0.0",
             "平均点間長[ms],60.0,点間時間偏差[ms],0.0",
             "平均短点長点比,3.0,平均短点点間比,1.0,長短判定時間[ms],140",
             "打点時間[ミリ秒](スペースから開始、最後0msで終了)",
             "".join("%d," % e for e in entries) + "0", "打鍵終了"]
    return "".join(line + "\r\n" for line in lines).encode("cp932")


class Replay(Folder):
    def test_rendered_samples_match_the_replay(self):
        records = [
            ("worked example", [0, 60, 60, 180]),
            ("long marks and spaces, odd count", [250, 60, 1, 300, 111, 2, 110, 45, 500]),
            ("hand keying", keying.hand_keying(LETTERS)),
        ]
        speeds = [([], 11), (["--speed", "1.00"], 11), (["--speed", "0.5"], 22),
                  (["--speed", "2.2"], 5), (["--k", "33"], 33), (["--k", "7"], 7)]
        for name, entries in records:
            csv = self.path("record.csv")
            with open(csv, "wb") as f:
                f.write(keying_file_text(entries))
            for options, k in speeds:
                with self.subTest(name, k=k, options=options):
                    out = self.path("replay.wav")
                    result = run(["replay", csv, out] + options, self.dir)
                    self.assertEqual(result.returncode, 0, result.stderr.decode())
                    self.assertEqual(wav_samples(out),
                                     expected_replay(entries + [0, 0], len(entries), k))

    def test_worked_example_buffer_lengths(self):
        # 60 ms mark, 60 ms space, 110 ms + 70 ms of mark at k = 11.
        csv = self.path("record.csv")
        with open(csv, "wb") as f:
            f.write(keying_file_text([0, 60, 60, 180]))
        out = self.path("replay.wav")
        self.assertEqual(run(["replay", csv, out], self.dir).returncode, 0)
        samples = wav_samples(out)
        self.assertEqual(len(samples), 660 + 660 + 1200 + 765)
        self.assertEqual(list(samples[:15]), ATTACK)
        self.assertEqual(list(samples[660:675]), RELEASE)
        self.assertEqual(list(samples[1320:1335]), ATTACK)
        self.assertEqual(list(samples[2520:2535]), STEADY)  # the carried-over chunk


class BadInput(Folder):
    def check_refused(self, args, exit_code, message):
        before = set(os.listdir(self.dir))
        result = run(args, self.dir)
        self.assertEqual(result.returncode, exit_code, result.stderr.decode())
        self.assertIn(message, result.stderr.decode())
        self.assertEqual(set(os.listdir(self.dir)), before)  # nothing written or left behind

    def test_refusals(self):
        with open(self.path("text.wav"), "w") as f:
            f.write("this is not a recording\n")
        with open(self.path("damaged.csv"), "wb") as f:
            f.write("打鍵データ(CSV形式)\r\n集計時間[秒],x\r\n".encode("cp932"))
        with open(self.path("truncated.csv"), "wb") as f:
            f.write(keying_file_text([0, 60, 60, 180, 60, 60])[:-40])
        os.mkdir(self.path("folder.wav"))
        make_wav(self.path("good.wav"), keying.hand_keying(LETTERS))
        cases = [
            (["measure", "missing.wav"], 1, "cannot open the recording"),
            (["measure", "folder.wav"], 1, "not a recording"),
            (["measure", "text.wav"], 1, "not a recording"),
            (["measure", "good.wav", "-o", "no/such/folder/out.csv"], 1, "cannot create"),
            (["replay", "missing.csv", "out.wav"], 1, "cannot open the keying data file"),
            (["replay", "damaged.csv", "out.wav"], 1, "not a readable keying data file"),
            (["replay", "truncated.csv", "out.wav"], 1, "not a readable keying data file"),
            (["replay", "good.wav", "out.wav"], 1, "not a readable keying data file"),
            (["measure"], 2, "needs a recording"),
            (["measure", "good.wav", "--threshold", "100"], 2, "510..31875"),
            (["measure", "good.wav", "--threshold-position", "101"], 2, "0..100"),
            (["measure", "good.wav", "--interval", "loose"], 2, "narrow, medium or wide"),
            (["replay", "damaged.csv", "out.wav", "--speed", "3"], 2, "0.33..2.2"),
            (["replay", "damaged.csv", "out.wav", "--k", "4"], 2, "5..33"),
            (["frobnicate"], 2, "unknown command"),
        ]
        for args, exit_code, message in cases:
            with self.subTest(" ".join(args)):
                self.check_refused(args, exit_code, message)


if __name__ == "__main__":
    unittest.main()
