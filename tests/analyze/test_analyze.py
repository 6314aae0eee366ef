"""ventrok-analyze end to end: recordings made by the test-signal tool are
measured, the keying data file is compared with the bytes expected from the
keying, other rates, channel counts and formats give the same timeline, the
tone filter reads clean keying as the plain path does and noisy keying that
the plain path cannot, a keying data file is rendered to a WAV and compared
with a replay computed here from the tone tables, and bad input is refused
cleanly.

Run by ctest (cmake/analyze_tool.cmake), which sets VENTROK_ANALYZE and
MAKE_KEYING_WAV to the built programs."""
import csv
import io
import json
import os
import pty
import re
import resource
import shutil
import struct
import subprocess
import sys
import tempfile
import unicodedata
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import keying  # noqa: E402  (expected keying data file, computed independently)

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.join(ROOT, "build", "native")
BUILD = os.environ.get("VENTROK_BUILD_DIR", BUILD)
ANALYZE = os.environ.get("VENTROK_ANALYZE", os.path.join(BUILD, "ventrok-analyze"))
MAKE_KEYING_WAV = os.environ.get("MAKE_KEYING_WAV", os.path.join(BUILD, "make_keying_wav"))
DATA_FILE = "打鍵データ.csv"

# The letters of the end-to-end measurement test: the last mark starts at
# 7.553 s of clock, so the automatic stop 10 s later falls inside second 17
# whatever the block phase.
LETTERS = keying.KNOWN_LETTERS


def run(args, cwd, **extra):
    if "input" not in extra:
        extra.setdefault("stdin", subprocess.DEVNULL)
    return subprocess.run([ANALYZE] + args, cwd=cwd, capture_output=True, timeout=300, **extra)


def make_wav(path, entries):
    subprocess.run([MAKE_KEYING_WAV, "durations", path,
                    "--durations", ",".join(str(e) for e in entries),
                    "--amplitude", "24000", "--tail-ms", "11000"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Folder(unittest.TestCase):
    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory()
        self.dir = self._tmp.name

    def tearDown(self):
        self._tmp.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def make_recordings(self, folder, names):
        """Recordings by name: hand.wav, dots.wav, short.wav (too few),
        stereo.flac (the hand keying at 48 kHz stereo)."""
        os.makedirs(self.path(folder), exist_ok=True)
        for name in names:
            target = os.path.join(self.path(folder), name)
            if name.endswith(".flac"):
                make_wav(self.path("source.wav"), HAND)
                subprocess.run(["sox", self.path("source.wav"), "-r", "48000", "-c", "2", target],
                               check=True)
                os.remove(self.path("source.wav"))
            else:
                make_wav(target, {"hand": HAND, "dots": DOTS_ONLY,
                                  "short": TOO_FEW}[name.split(".")[0].rstrip("0123456789")])

    def measure_json(self, recording, *options):
        result = run(["measure", recording, "--json"] + list(options), self.dir)
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        # Numbers in the shortest form that reads back as the same double.
        for number in re.findall(rb": (-?\d+\.\d+(?:e[-+]?\d+)?)", result.stdout):
            self.assertEqual(number.decode(), repr(float(number)))
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
                seconds = keying.automatic_stop_seconds(entries)
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
        with open(self.path("reference.csv"), "rb") as f:
            reference_file = f.read()
        conversions = [
            ("22050 Hz mono WAV", "k22.wav", ["-r", "22050"]),
            ("22050 Hz stereo FLAC", "k22.flac", ["-r", "22050", "-c", "2"]),
            ("44100 Hz mono FLAC", "k44.flac", ["-r", "44100"]),
            ("44100 Hz stereo WAV", "k44.wav", ["-r", "44100", "-c", "2"]),
            ("48000 Hz mono WAV", "k48.wav", ["-r", "48000"]),
            ("48000 Hz stereo 24-bit FLAC", "k48.flac", ["-r", "48000", "-c", "2", "-b", "24"]),
            ("48000 Hz stereo 32-bit float WAV", "k48f.wav",
             ["-r", "48000", "-c", "2", "-e", "floating-point", "-b", "32"]),
        ]
        identical = 0
        for name, file_name, sox_options in conversions:
            with self.subTest(name):
                converted = self.path(file_name)
                subprocess.run(["sox", wav] + sox_options + [converted], check=True)
                csv = self.path("converted.csv")
                measured = self.measure_json(converted, "-o", csv)[0]
                timeline = measured["timeline"]
                self.assertEqual(len(timeline), len(entries))
                worst = max(abs(a - b) for a, b in zip(timeline, entries))
                self.assertLessEqual(worst, 1, timeline)
                self.assertEqual(measured["statistics"]["measured_seconds"],
                                 reference["statistics"]["measured_seconds"])
                # Where the detector decided the same, the file is the same.
                if timeline == entries:
                    identical += 1
                    with open(csv, "rb") as f:
                        self.assertEqual(f.read(), reference_file)
        # The byte comparison above has run for some of the conversions.
        self.assertGreater(identical, 0)

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


SENT_TEXT = "CQ CQ DE JA1VTK JA1VTK K THE QUICK BROWN FOX 1234567890"


def make_text_wav(path, *options):
    subprocess.run([MAKE_KEYING_WAV, "text", path, "--text", SENT_TEXT, "--wpm", "20",
                    "--tail-ms", "3000"] + list(options),
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class ToneFilter(Folder):
    def test_clean_keying_reads_as_without_the_filter(self):
        entries = keying.hand_keying(LETTERS)
        wav = self.path("keying.wav")
        make_wav(wav, entries)
        plain = self.measure_json(wav, "-o", self.path("plain.csv"))[0]
        stereo = self.path("k48.flac")
        subprocess.run(["sox", wav, "-r", "48000", "-c", "2", stereo], check=True)
        # (recording, options, frequency given or found, tolerance in Hz, found,
        # worst entry in ms): the tone of 24000 is brought to 20000, where the
        # envelope reaches the threshold 9 samples late and leaves it 8 early,
        # shortening the marks by 1.5 ms; a threshold given leaves the tone at
        # 24000, where both edges are within a sample or two.
        cases = [
            (wav, ["--tone-filter", "700"], 700.0, 0.0, False, 2),
            (wav, ["--tone-filter=700"], 700.0, 0.0, False, 2),
            (wav, ["--tone-filter", "auto"], 700.0, 1.5, True, 2),
            (wav, ["--tone-filter"], 700.0, 1.5, True, 2),
            (stereo, ["--tone-filter"], 700.0, 1.5, True, 2),
            (wav, ["--tone-filter", "--threshold", "12240"], 700.0, 1.5, True, 1),
        ]
        for recording, options, hz, tolerance, found, worst_ms in cases:
            with self.subTest(" ".join(options), recording=os.path.basename(recording)):
                result = run(["measure"] + options + [recording, "--json", "-o",
                                                      self.path("filtered.csv")], self.dir)
                self.assertEqual(result.returncode, 0, result.stderr.decode())
                out = json.loads(result.stdout.decode("utf-8"))
                tone = out["settings"]["tone_filter"]
                self.assertAlmostEqual(tone["frequency_hz"], hz, delta=tolerance)
                self.assertEqual(tone["found_in_recording"], found)
                self.assertTrue(tone["clear"])
                if worst_ms == 1:
                    self.assertIsNone(tone["level"])
                else:
                    self.assertAlmostEqual(tone["level"], 24000, delta=24)
                measured = out["measurements"][0]
                self.assertEqual(measured["decoded_text"], plain["decoded_text"])
                self.assertEqual(len(measured["timeline"]), len(entries))
                worst = max(abs(a - b) for a, b in zip(measured["timeline"], entries))
                self.assertEqual(worst, worst_ms, measured["timeline"])
                # The delay is taken out: the first key-down where it was.
                self.assertAlmostEqual(measured["first_key_down_seconds"],
                                       plain["first_key_down_seconds"],
                                       delta=(2 if worst_ms == 1 else 10) / 11025)

    def test_noisy_keying_is_read_through_the_filter_at_any_level(self):
        # Noise against a tone of 20000: 0 dB over the full band, and 5 dB in
        # a recording normalised to its loudest sample, where the tone comes
        # out under the default threshold unless the filter sets its level.
        for noise, options in [("14142", []), ("7953", ["--normalize"])]:
            with self.subTest(noise=noise, options=options):
                wav = self.path("noisy.wav")
                make_text_wav(wav, "--jitter", "0.05", "--seed", "4", "--noise", noise, *options)
                # Without it the noise holds the key down or fills the gaps.
                result = run(["measure", wav, "--json", "-o", self.path("plain.csv")], self.dir)
                plain = json.loads(result.stdout.decode("utf-8"))["measurements"][0]
                self.assertNotEqual(plain["decoded_text"].strip(), SENT_TEXT)
                filtered = self.measure_json(wav, "--tone-filter", "-o", self.path("f.csv"))[0]
                self.assertEqual(filtered["decoded_text"].strip(), SENT_TEXT)

    def test_text_names_the_filter_and_nothing_without_it(self):
        wav = self.path("keying.wav")
        make_text_wav(wav, "--freq", "600")
        result = run(["measure", wav, "--tone-filter"], self.dir)
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        self.assertTrue(result.stdout.decode().startswith(
            "tone filter: 600.0 Hz (found in the recording)\n"), result.stdout.decode()[:80])
        result = run(["measure", wav, "--json"], self.dir)
        self.assertNotIn("tone_filter", result.stdout.decode())
        result = run(["measure", wav], self.dir)
        self.assertNotIn("tone filter", result.stdout.decode())

    def test_silence_has_no_tone_to_find(self):
        wav = self.path("silence.wav")
        subprocess.run(["sox", "-n", "-r", "11025", "-b", "16", "-c", "1", wav, "trim", "0", "3"],
                       check=True)
        result = run(["measure", wav, "--tone-filter"], self.dir)
        self.assertEqual(result.returncode, 3, result.stderr.decode())
        self.assertIn("no tone in the recording", result.stderr.decode())


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


def flac_frame_starts(data):
    """Offsets of the FLAC frame sync codes (0xFFF8 or 0xFFF9) after the
    metadata."""
    return [i for i in range(42, len(data) - 1)
            if data[i] == 0xFF and data[i + 1] in (0xF8, 0xF9)]


class BadInput(Folder):
    def check_refused(self, args, exit_code, message):
        before = tree(self.dir)
        result = run(args, self.dir, input=b"")
        self.assertEqual(result.returncode, exit_code, result.stderr.decode())
        self.assertIn(message, result.stderr.decode())
        self.assertEqual(tree(self.dir), before)  # nothing written, replaced or left behind

    def test_refusals(self):
        with open(self.path("text.wav"), "w") as f:
            f.write("this is not a recording\n")
        with open(self.path("damaged.csv"), "wb") as f:
            f.write("打鍵データ(CSV形式)\r\n集計時間[秒],x\r\n".encode("cp932"))
        with open(self.path("truncated.csv"), "wb") as f:
            f.write(keying_file_text([0, 60, 60, 180, 60, 60])[:-40])
        os.mkdir(self.path("folder.wav"))
        make_wav(self.path("good.wav"), keying.hand_keying(LETTERS))
        with open(self.path("good.wav"), "rb") as f:
            good = f.read()
        with open(self.path("cut.wav"), "wb") as f:
            f.write(good[:len(good) // 2])
        with open(self.path("header_only.wav"), "wb") as f:
            f.write(good[:44])
        subprocess.run(["sox", "-n", "-r", "11025", "-b", "16", "-c", "1", self.path("empty.wav"),
                        "trim", "0", "0"], check=True, stderr=subprocess.DEVNULL)
        subprocess.run(["sox", self.path("good.wav"), "-r", "48000", "-c", "2",
                        self.path("good.flac")], check=True)
        with open(self.path("good.flac"), "rb") as f:
            flac = f.read()
        frames = flac_frame_starts(flac)
        self.assertGreater(len(frames), 10)
        with open(self.path("cut_at_frame.flac"), "wb") as f:
            f.write(flac[:frames[len(frames) // 2]])
        with open(self.path("cut_in_frame.flac"), "wb") as f:
            f.write(flac[:frames[len(frames) // 2] + 100])
        os.remove(self.path("good.flac"))
        os.link(self.path("good.wav"), self.path("linked.csv"))
        cases = [
            (["measure", "missing.wav"], 1, "cannot open the recording"),
            # A folder is measured as a batch of its recordings; this one has none.
            (["measure", "folder.wav"], 1, "no recordings in the folder"),
            (["measure", "text.wav"], 1, "not a recording"),
            (["measure", "good.wav", "-o", "no/such/folder/out.csv"], 1,
             "cannot write into the folder 'no/such/folder'"),
            # No output replaces an input, whatever its name.
            (["measure", "good.wav", "-o", "good.wav"], 2,
             "the keying data file 'good.wav' would replace the recording 'good.wav'"),
            (["measure", "good.wav", "-o", "linked.csv"], 2, "would replace the recording"),
            (["measure", "cut.wav", "linked.csv", "-o", "."], 2,
             "the keying data file './linked.csv' would replace the recording 'linked.csv'"),
            (["replay", "damaged.csv", "./damaged.csv"], 2, "would replace the keying data file"),
            (["measure", "-", "--tone-filter", "700"], 2, "'-' is a stream"),
            (["measure", "cut.wav"], 1, "is truncated"),
            (["measure", "header_only.wav"], 1, "is truncated"),
            (["measure", "empty.wav"], 1, "holds no sound"),
            (["measure", "cut_at_frame.flac"], 1, "truncated"),
            (["measure", "cut_in_frame.flac"], 1, "truncated"),
            (["measure", "cut.wav", "--tone-filter"], 1, "is truncated"),
            (["replay", "missing.csv", "out.wav"], 1, "cannot open the keying data file"),
            (["replay", "damaged.csv", "out.wav"], 1, "not a readable keying data file"),
            (["replay", "truncated.csv", "out.wav"], 1, "not a readable keying data file"),
            (["replay", "good.wav", "out.wav"], 1, "not a readable keying data file"),
            (["measure"], 2, "needs a recording"),
            (["measure", "good.wav", "--threshold", "100"], 2, "510..31875"),
            (["measure", "good.wav", "--threshold-position", "101"], 2, "0..100"),
            (["measure", "good.wav", "--interval", "loose"], 2, "narrow, medium or wide"),
            (["measure", "good.wav", "--tone-filter", "99.9"], 2, "100..3000 Hz"),
            (["measure", "good.wav", "--tone-filter", "3000.5"], 2, "100..3000 Hz"),
            (["measure", "good.wav", "--tone-filter", "-700"], 2, "100..3000 Hz"),
            (["measure", "good.wav", "--tone-filter=50"], 2, "100..3000 Hz"),
            (["measure", "good.wav", "--tone-filter=loud"], 2, "100..3000 Hz"),
            (["measure", "good.wav", "--resampler", "medium"], 2, "no longer an option"),
            (["measure", "good.wav", "--json=yes"], 2, "--json takes no value"),
            (["replay", "damaged.csv", "out.wav", "--speed", "3"], 2, "0.33..2.2"),
            (["replay", "damaged.csv", "out.wav", "--k", "4"], 2, "5..33"),
            (["frobnicate"], 2, "unknown command"),
        ]
        for args, exit_code, message in cases:
            with self.subTest(" ".join(args)):
                self.check_refused(args, exit_code, message)

    def test_report_that_cannot_be_written_is_a_failure(self):
        make_wav(self.path("good.wav"), keying.hand_keying(LETTERS))
        shutil.copy(self.path("good.wav"), self.path("again.wav"))
        for args in (["measure", "good.wav"], ["measure", "good.wav", "--json"],
                     ["measure", "good.wav", "again.wav", "-o", "."]):
            with self.subTest(" ".join(args)), open("/dev/full", "wb") as full:
                result = subprocess.run([ANALYZE, *args], cwd=self.dir, stdout=full,
                                        stderr=subprocess.PIPE)
                self.assertEqual(result.returncode, 1, result.stderr.decode())
                self.assertIn("cannot write the report", result.stderr.decode())

    def test_recording_cut_after_the_keying_keeps_the_earlier_file(self):
        # The keying is whole before the cut, so a reader that took the cut
        # for the end of the recording would measure it and write the file.
        make_wav(self.path("good.wav"), keying.hand_keying(LETTERS))
        subprocess.run(["sox", self.path("good.wav"), "-r", "44100", self.path("good.flac")],
                       check=True)
        with open(self.path("good.flac"), "rb") as f:
            flac = f.read()
        frames = flac_frame_starts(flac)
        with open(self.path("cut.flac"), "wb") as f:
            f.write(flac[:frames[len(frames) * 9 // 10]])
        os.remove(self.path("good.flac"))
        old = b"earlier file\r\n"
        with open(self.path(DATA_FILE), "wb") as f:
            f.write(old)
        self.check_refused(["measure", "cut.flac", "--continuous"], 1, "truncated")
        with open(self.path(DATA_FILE), "rb") as f:
            self.assertEqual(f.read(), old)


def read_summary(path):
    """The rows of a summary CSV as dictionaries, after checking that it is
    UTF-8 with a byte order mark and CR LF line ends."""
    with open(path, "rb") as f:
        data = f.read()
    assert data.startswith(b"\xef\xbb\xbf"), data[:10]
    assert data.endswith(b"\r\n") and b"\n" not in data.replace(b"\r\n", b""), data[-40:]
    return list(csv.DictReader(io.StringIO(data[3:].decode("utf-8"), newline="")))


def tree(folder):
    """Every file and folder under folder, relative, with its bytes (None for
    a folder)."""
    found = {}
    for parent, folders, files in os.walk(folder):
        for name in folders + files:
            path = os.path.join(parent, name)
            relative = os.path.relpath(path, folder)
            if os.path.isdir(path):
                found[relative] = None
            else:
                with open(path, "rb") as f:
                    found[relative] = f.read()
    return found


# Figures of a summary row, computed from the timeline by keying.statistics.
FIGURES = ["集計時間[秒]", "打鍵時間[秒]", "打点数[個]", "短点数[個]", "長点数[個]",
           "長短判定時間[ms]", "平均短点長[ms]", "短点時間偏差[ms]", "平均長点長[ms]",
           "長点時間偏差[ms]", "平均点間長[ms]", "点間時間偏差[ms]", "平均短点長点比",
           "平均短点点間比"]


def expected_figures(entries):
    decision, dot, dash, gap = keying.statistics(entries)
    values = [keying.automatic_stop_seconds(entries), sum(entries) // 1000, len(entries) // 2, dot[2],
              dash[2]]
    row = dict(zip(FIGURES, ["%d" % v for v in values]))
    if dot[2] and dash[2] and gap[2]:
        row.update(zip(FIGURES[5:], ["%d" % decision] + ["%.1f" % v for v in (
            dot[0], dot[1], dash[0], dash[1], gap[0], gap[1], dash[0] / dot[0], gap[0] / dot[0])]))
    else:  # an empty class: the panel shows its failure texts instead
        row.update((name, "") for name in FIGURES[5:])
    return row


HAND = keying.hand_keying(LETTERS)
DOTS_ONLY = [0] + [60] * 41  # 21 dots: no dash class
TOO_FEW = [0, 60, 60, 180, 180, 60, 60, 180]


class Batch(Folder):
    def single_file(self, recording, *options):
        """The keying data file a single run writes for the recording."""
        out = self.path("single.csv")
        result = run(["measure", recording, "-o", out] + list(options), self.dir)
        self.assertIn(result.returncode, (0, 3), result.stderr.decode())
        if result.returncode == 3:
            return None
        with open(out, "rb") as f:
            data = f.read()
        os.remove(out)
        return data

    def test_each_keying_data_file_is_the_single_runs(self):
        names = ["hand.wav", "dots.wav", "short.wav", "stereo.flac"]
        self.make_recordings("rec", names)
        os.mkdir(self.path("out"))
        result = run(["measure", "rec", "-o", "out"], self.dir)
        # The too-few recording makes it 3; nothing failed.
        self.assertEqual(result.returncode, 3, result.stderr.decode())
        files = tree(self.path("out"))
        self.assertEqual(sorted(files), ["dots.csv", "hand.csv", "stereo.csv"])
        for name in names:
            with self.subTest(name):
                single = self.single_file(os.path.join("rec", name))
                self.assertEqual(files.get(name.split(".")[0] + ".csv"), single)
        self.assertEqual(files["hand.csv"],
                         keying.expected_keying_file(HAND, keying.automatic_stop_seconds(HAND)))
        self.assertEqual(files["dots.csv"],
                         keying.expected_keying_file(DOTS_ONLY, keying.automatic_stop_seconds(DOTS_ONLY)))

    def test_summary_has_the_panel_figures_in_name_order(self):
        self.make_recordings("rec", ["hand.wav", "dots.wav", "short.wav", "stereo.flac"])
        os.mkdir(self.path("out"))
        result = run(["measure", "rec", "-o", "out", "--summary-csv", "summary.csv"], self.dir)
        self.assertEqual(result.returncode, 3, result.stderr.decode())
        rows = read_summary(self.path("summary.csv"))
        self.assertEqual([r["recording"] for r in rows],
                         ["rec/dots.wav", "rec/hand.wav", "rec/short.wav", "rec/stereo.flac"])
        decoded = self.measure_json(self.path("rec/hand.wav"), "-o", self.path("x.csv"))[0][
            "decoded_text"]
        cases = [
            # recording, status, figures, keying data file, message
            ("rec/dots.wav", "class empty", expected_figures(DOTS_ONLY), "out/dots.csv", ""),
            ("rec/hand.wav", "measured", expected_figures(HAND), "out/hand.csv", ""),
            ("rec/short.wav", "too few", dict.fromkeys(FIGURES, ""), "",
             "fewer than 40 timeline entries (8): no keying data file written"),
            ("rec/stereo.flac", "measured", expected_figures(HAND), "out/stereo.csv", ""),
        ]
        for row, (recording, status, figures, file_name, message) in zip(rows, cases):
            with self.subTest(recording):
                self.assertEqual(row["status"], status)
                self.assertEqual({name: row[name] for name in FIGURES}, figures)
                self.assertEqual(row["keying data file"], file_name)
                self.assertEqual(row["message"], message)
        self.assertEqual(rows[1]["decoded text"], decoded)
        self.assertEqual(rows[3]["decoded text"], decoded)
        # Options that were not given have no column.
        self.assertNotIn("measurements", rows[0])
        self.assertNotIn("tone filter[Hz]", rows[0])

        # The printed table: two heading lines, then the rows in the same order.
        lines = result.stdout.decode("utf-8").splitlines()
        self.assertTrue(lines[0].startswith("recording") and "集計時間" in lines[0], lines[0])
        self.assertIn("[秒]", lines[1])
        self.assertEqual([line.split()[:2] for line in lines[2:6]],
                         [["rec/dots.wav", "class"], ["rec/hand.wav", "measured"],
                          ["rec/short.wav", "too"], ["rec/stereo.flac", "measured"]])
        hand = expected_figures(HAND)
        self.assertEqual(lines[3].split()[2:16], [hand[name] for name in FIGURES])
        self.assertTrue(lines[3].endswith(decoded.rstrip()), lines[3])
        self.assertIn("4 recordings: 3 measured, 1 with too few keyings, 0 failed", lines)

    def test_folders_are_listed_by_name_and_arguments_in_their_order(self):
        rec = self.path("rec")
        os.mkdir(rec)
        make_wav(self.path("short.wav"), TOO_FEW)
        for name in ["b.wav", "c.WAV", "Z.wav", "a b.aiff", "e.ogg", "f.au"]:
            subprocess.run(["sox", self.path("short.wav"), os.path.join(rec, name)], check=True)
        # Not taken: other extensions, hidden files, subfolders (even named
        # like a recording) and what lies in them.
        for name in ["notes.txt", "b.csv", ".hidden.wav", "wav", "x.wav.bak"]:
            with open(os.path.join(rec, name), "w") as f:
                f.write("not a recording\n")
        os.makedirs(os.path.join(rec, "sub.wav"))
        shutil.copy(self.path("short.wav"), os.path.join(rec, "sub.wav", "inner.wav"))
        shutil.copy(self.path("short.wav"), self.path("last.wav"))
        result = run(["measure", "short.wav", "rec", "last.wav", "--summary-csv", "s.csv",
                      "-o", "rec/sub.wav"], self.dir)
        self.assertEqual(result.returncode, 3, result.stderr.decode())
        rows = read_summary(self.path("s.csv"))
        # Byte order of the names: capitals first.
        self.assertEqual([r["recording"] for r in rows],
                         ["short.wav", "rec/Z.wav", "rec/a b.aiff", "rec/b.wav", "rec/c.WAV",
                          "rec/e.ogg", "rec/f.au", "last.wav"])
        self.assertEqual({r["status"] for r in rows}, {"too few"})

    def test_bad_recordings_get_their_row_and_the_others_go_on(self):
        self.make_recordings("rec", ["hand.wav", "hand2.wav", "stereo.flac"])
        rec = self.path("rec")
        with open(os.path.join(rec, "hand.wav"), "rb") as f:
            good = f.read()
        with open(os.path.join(rec, "cut.wav"), "wb") as f:
            f.write(good[:len(good) // 2])
        with open(os.path.join(rec, "header_only.wav"), "wb") as f:
            f.write(good[:44])
        with open(os.path.join(rec, "text.wav"), "w") as f:
            f.write("this is not a recording\n")
        subprocess.run(["sox", "-n", "-r", "11025", "-b", "16", "-c", "1",
                        os.path.join(rec, "empty.wav"), "trim", "0", "0"],
                       check=True, stderr=subprocess.DEVNULL)
        with open(os.path.join(rec, "stereo.flac"), "rb") as f:
            flac = f.read()
        frames = flac_frame_starts(flac)
        with open(os.path.join(rec, "cut_in_frame.flac"), "wb") as f:
            f.write(flac[:frames[len(frames) // 2] + 100])
        out = self.path("out")
        os.mkdir(out)
        # An earlier file of a recording that now fails stays as it was; a
        # folder where hand2's file should go makes its write fail.
        with open(os.path.join(out, "cut.csv"), "wb") as f:
            f.write(b"earlier file\r\n")
        os.mkdir(os.path.join(out, "hand2.csv"))
        result = run(["measure", "rec", "missing.wav", "-o", "out", "--summary-csv", "s.csv"],
                     self.dir)
        self.assertEqual(result.returncode, 1, result.stderr.decode())

        expected = {
            # recording: (status, message)
            "rec/cut.wav": ("failed", "'rec/cut.wav' is truncated"),
            "rec/cut_in_frame.flac": ("failed", "truncated"),
            "rec/empty.wav": ("failed", "'rec/empty.wav' holds no sound"),
            "rec/hand.wav": ("measured", ""),
            "rec/hand2.wav": ("failed", "cannot write 'out/hand2.csv'"),
            "rec/header_only.wav": ("failed", "'rec/header_only.wav' is truncated"),
            "rec/stereo.flac": ("measured", ""),
            "rec/text.wav": ("failed", "'rec/text.wav' is not a recording"),
            "missing.wav": ("failed", "cannot open the recording 'missing.wav'"),
        }
        rows = read_summary(self.path("s.csv"))
        self.assertEqual([r["recording"] for r in rows], list(expected))
        stderr = result.stderr.decode()
        for row in rows:
            status, message = expected[row["recording"]]
            with self.subTest(row["recording"]):
                self.assertEqual(row["status"], status)
                self.assertIn(message, row["message"])
                if status == "failed":
                    self.assertTrue(row["message"] and row["message"] in stderr, stderr)
        # hand2 was measured before its write failed: its figures are there.
        self.assertEqual(rows[4]["平均短点長[ms]"], expected_figures(HAND)["平均短点長[ms]"])
        files = tree(out)
        self.assertEqual(files, {"cut.csv": b"earlier file\r\n", "hand2.csv": None,
                                 "hand.csv": self.single_file("rec/hand.wav"),
                                 "stereo.csv": self.single_file("rec/stereo.flac")})

    def test_keying_data_files_are_named_after_the_recordings(self):
        make_wav(self.path("dots.wav"), DOTS_ONLY)
        cases = [
            # recording given, its keying data file
            ("take 1.flac", "take 1.csv"),
            ("a.b.wav", "a.b.csv"),
            ("UPPER.WAV", "UPPER.csv"),
            ("no_extension", "no_extension.csv"),
            (".wav", ".wav.csv"),  # a hidden name, not an extension
            ("sub.d/rec.aiff", "rec.csv"),
        ]
        os.mkdir(self.path("sub.d"))
        os.mkdir(self.path("out"))
        for recording, _ in cases:
            subprocess.run(["sox", self.path("dots.wav"), "-t",
                            "aiff" if recording.endswith("aiff") else
                            "flac" if recording.endswith("flac") else "wav",
                            self.path(recording)], check=True)
        result = run(["measure"] + [r for r, _ in cases] + ["-o", "out", "--summary-csv", "s.csv"],
                     self.dir)
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        rows = read_summary(self.path("s.csv"))
        self.assertEqual([(r["recording"], r["keying data file"]) for r in rows],
                         [(r, "out/" + f) for r, f in cases])
        expected = keying.expected_keying_file(DOTS_ONLY, keying.automatic_stop_seconds(DOTS_ONLY))
        self.assertEqual(tree(self.path("out")), {f: expected for _, f in cases})

    def test_refusals_measure_and_write_nothing(self):
        self.make_recordings("rec", ["short.wav", "short2.wav"])
        os.mkdir(self.path("empty"))
        os.mkdir(self.path("nothing"))
        with open(self.path("nothing/notes.txt"), "w") as f:
            f.write("no recording here\n")
        with open(self.path("file.txt"), "w") as f:
            f.write("a file\n")
        shutil.copy(self.path("rec/short.wav"), self.path("short.flac"))
        os.mkdir(self.path("out"))
        cases = [
            (["empty"], 1, "no recordings in the folder 'empty'"),
            (["nothing"], 1, "no recordings in the folder 'nothing'"),
            (["rec", "empty"], 1, "no recordings in the folder 'empty'"),
            (["rec", "-o", "file.txt"], 2, "-o 'file.txt' is a file"),
            (["rec", "-o", "missing"], 1, "the output folder 'missing' does not exist"),
            (["rec", "-o", "file.txt/out"], 1, "the output folder 'file.txt/out' does not exist"),
            (["rec/short.wav", "short.flac", "-o", "out"], 2,
             "'rec/short.wav' and 'short.flac' would both write the keying data file "
             "'out/short.csv'"),
            (["rec/short.wav", "rec/short.wav"], 2, "'rec/short.wav' is given twice"),
            (["rec", "--summary-csv", "out"], 1, "cannot write the summary 'out': it is a folder"),
            (["rec", "--summary-csv", "missing/s.csv"], 1, "cannot write into the folder 'missing'"),
            (["rec", "-o", "out", "--summary-csv", "./out/short.csv"], 2,
             "would replace a keying data file"),
            (["rec", "--summary-csv", "./rec/short2.wav"], 2,
             "the summary './rec/short2.wav' would replace the recording 'rec/short2.wav'"),
            (["rec", "--jobs", "0"], 2, "--jobs needs a whole number 1..64"),
            (["rec", "--jobs", "two"], 2, "--jobs needs a whole number 1..64"),
            (["rec", "--summary-csv"], 2, "--summary-csv needs a file name"),
        ]
        before = tree(self.dir)
        for args, exit_code, message in cases:
            with self.subTest(" ".join(args)):
                result = run(["measure"] + args, self.dir)
                self.assertEqual(result.returncode, exit_code, result.stderr.decode())
                self.assertIn(message, result.stderr.decode())
                self.assertEqual(result.stdout, b"")
                self.assertEqual(tree(self.dir), before)

    def test_worker_count_changes_nothing(self):
        self.make_recordings("rec", ["hand.wav", "dots.wav", "short.wav", "stereo.flac"])
        for seed, wpm in [("5", "16"), ("6", "25"), ("7", "30")]:
            make_text_wav(self.path("rec/text%s.wav" % seed), "--jitter", "0.15", "--seed", seed,
                          "--wpm", wpm)
        outputs = []
        for jobs in [["--jobs", "1"], [], ["--jobs", "64"]]:
            with self.subTest(jobs=jobs):
                out = self.path("out")
                os.mkdir(out)
                result = run(["measure", "rec", "-o", "out", "--summary-csv", "out/summary.csv"]
                             + jobs, self.dir)
                self.assertEqual(result.returncode, 3, result.stderr.decode())
                outputs.append((tree(out), result.stdout))
                shutil.rmtree(out)
        self.assertEqual(len(outputs[0][0]), 7)  # six keying data files and the summary
        self.assertEqual(outputs[1], outputs[0])
        self.assertEqual(outputs[2], outputs[0])

    def test_options_apply_to_every_recording(self):
        self.make_recordings("rec", ["hand.wav", "stereo.flac"])
        # Two keyings one after the other: two measurements with --continuous.
        subprocess.run(["sox", self.path("rec/hand.wav"), self.path("rec/hand.wav"),
                        self.path("rec/twice.wav")], check=True)
        os.mkdir(self.path("out"))
        options = ["--continuous", "--tone-filter", "700", "--key-delay", "5", "--interval", "wide"]
        result = run(["measure", "rec", "-o", "out", "--summary-csv", "s.csv"] + options, self.dir)
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        rows = read_summary(self.path("s.csv"))
        self.assertEqual([(r["recording"], r["measurements"], r["tone filter[Hz]"]) for r in rows],
                         [("rec/hand.wav", "1", "700.0"), ("rec/stereo.flac", "1", "700.0"),
                          ("rec/twice.wav", "2", "700.0")])
        for name in ["hand", "stereo", "twice"]:
            with self.subTest(name):
                recording = "rec/" + name + (".flac" if name == "stereo" else ".wav")
                with open(self.path("out/%s.csv" % name), "rb") as f:
                    self.assertEqual(f.read(), self.single_file(recording, *options))

    def test_tone_found_in_each_recording(self):
        self.make_recordings("rec", ["hand.wav"])
        make_text_wav(self.path("rec/high.wav"), "--freq", "600")
        subprocess.run(["sox", "-n", "-r", "11025", "-b", "16", "-c", "1",
                        self.path("rec/silence.wav"), "trim", "0", "3"], check=True)
        result = run(["measure", "rec", "--tone-filter", "--summary-csv", "s.csv"], self.dir)
        self.assertEqual(result.returncode, 3, result.stderr.decode())
        rows = read_summary(self.path("s.csv"))
        tones = [float(r["tone filter[Hz]"]) for r in rows]
        self.assertAlmostEqual(tones[0], 700.0, delta=1.5)
        self.assertAlmostEqual(tones[1], 600.0, delta=1.5)
        self.assertEqual(rows[2]["status"], "too few")
        self.assertIn("rec/silence.wav: no tone in the recording", result.stderr.decode())

    def test_json_lists_what_single_runs_print(self):
        self.make_recordings("rec", ["hand.wav", "short.wav"])
        os.mkdir(self.path("out"))
        singles = []
        for name in ["hand", "short"]:
            result = run(["measure", "rec/%s.wav" % name, "--json", "-o", "out/%s.csv" % name],
                         self.dir)
            singles.append(json.loads(result.stdout.decode("utf-8")))
        result = run(["measure", "rec", "missing.wav", "--json", "-o", "out"], self.dir)
        self.assertEqual(result.returncode, 1, result.stderr.decode())
        listed = json.loads(result.stdout.decode("utf-8"))
        self.assertEqual([(e["path"], e["status"]) for e in listed],
                         [("rec/hand.wav", "measured"), ("rec/short.wav", "too few"),
                          ("missing.wav", "failed")])
        self.assertEqual([e["result"] for e in listed[:2]], singles)
        self.assertEqual(listed[0]["result"]["measurements"][0]["keying_data_file"],
                         "out/hand.csv")
        self.assertIsNone(listed[2]["result"])
        self.assertIn("cannot open the recording 'missing.wav'", listed[2]["error"])
        self.assertIsNone(listed[0]["error"])

    def test_one_recording_is_a_batch_with_an_output_folder_or_a_summary(self):
        self.make_recordings("rec", ["hand.wav"])
        os.mkdir(self.path("out"))
        expected = self.single_file("rec/hand.wav")
        cases = [
            (["-o", "out"], "out/hand.csv"),
            (["-o", "out/"], "out/hand.csv"),
            (["--summary-csv", "s.csv"], "hand.csv"),
        ]
        for options, written in cases:
            with self.subTest(" ".join(options)):
                result = run(["measure", "rec/hand.wav"] + options, self.dir)
                self.assertEqual(result.returncode, 0, result.stderr.decode())
                self.assertTrue(result.stdout.decode().startswith("recording"))
                with open(self.path(written), "rb") as f:
                    self.assertEqual(f.read(), expected)
                os.remove(self.path(written))
        self.assertFalse(os.path.exists(self.path(DATA_FILE)))

    def test_csv_cells_are_quoted_and_kept_from_formulas(self):
        # A keying that starts with "-" (-....-) and a name with a comma.
        entries = keying.hand_keying(["-....-"] + LETTERS[1:])
        make_wav(self.path("take, 1.wav"), entries)
        decoded = self.measure_json(self.path("take, 1.wav"), "-o", self.path("x.csv"))[0][
            "decoded_text"]
        self.assertTrue(decoded.startswith("-"), decoded)
        result = run(["measure", "take, 1.wav", "--summary-csv", "s.csv"], self.dir)
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        with open(self.path("s.csv"), "rb") as f:
            self.assertIn(b'\r\n"take, 1.wav",measured,', f.read())
        row = read_summary(self.path("s.csv"))[0]
        self.assertEqual(row["recording"], "take, 1.wav")
        self.assertEqual(row["decoded text"], "'" + decoded)
        self.assertEqual(row["keying data file"], "take, 1.csv")

    def test_table_columns_line_up_with_wide_names(self):
        self.make_recordings("rec", ["hand.wav"])
        shutil.copy(self.path("rec/hand.wav"), self.path("rec/打鍵.wav"))
        result = run(["measure", "rec"], self.dir)
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        lines = result.stdout.decode("utf-8").splitlines()

        def width(text):
            return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in text)

        def right_edge(line, text, start=0):
            return width(line[:line.index(text, start) + len(text)])

        hand = expected_figures(HAND)
        for label, name in [("集計時間", "集計時間[秒]"), ("平均短点点間比", "平均短点点間比")]:
            with self.subTest(label):
                edge = right_edge(lines[0], label)
                for row in lines[2:4]:
                    # The figures are right-aligned under their labels.
                    after_status = row.index("measured") + len("measured")
                    values = row[after_status:].split()
                    position = FIGURES.index(name)
                    start = after_status
                    for value in values[:position]:
                        start = row.index(value, start) + len(value)
                    self.assertEqual(right_edge(row, values[position], start), edge, row)
                    self.assertEqual(values[position], hand[name])

    def test_cp932_table(self):
        self.make_recordings("rec", ["hand.wav", "short.wav"])
        result = run(["measure", "rec", "--encoding", "cp932"], self.dir)
        self.assertEqual(result.returncode, 3, result.stderr.decode())
        heading = result.stdout.split(b"\n")[0]
        self.assertIn("集計時間".encode("cp932"), heading)
        self.assertIn("平均短点点間比".encode("cp932"), heading)


def version_text():
    with open(os.path.join(ROOT, "win32", "resources", "version.h")) as f:
        numbers = dict(re.findall(r"#define VENTROK_VERSION_(MAJOR|MINOR) (\d+)", f.read()))
    return "%s.%s" % (numbers["MAJOR"], numbers["MINOR"])


def on_terminal(args, cwd):
    """Runs the program with stdout and stderr on one pseudo-terminal; the
    exit code and everything the terminal received."""
    master, slave = pty.openpty()
    process = subprocess.Popen([ANALYZE] + args, cwd=cwd, stdin=subprocess.DEVNULL,
                               stdout=slave, stderr=slave)
    os.close(slave)
    received = b""
    while True:
        try:
            chunk = os.read(master, 65536)
        except OSError:  # the other side closed
            break
        if not chunk:
            break
        received += chunk
    os.close(master)
    return process.wait(timeout=300), received.decode("utf-8")


class CommandLine(Folder):
    def keying_file(self, args, **extra):
        """The keying data file a single run writes, read and removed."""
        result = run(["measure"] + args + ["-o", "out.csv"], self.dir, **extra)
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        with open(self.path("out.csv"), "rb") as f:
            data = f.read()
        os.remove(self.path("out.csv"))
        return data, result

    def test_version_help_and_option_forms(self):
        for args, start in [(["--version"], "ventrok-analyze %s\n" % version_text()),
                            (["measure", "--help"], "usage: ventrok-analyze measure"),
                            (["replay", "a.csv", "--help"], "usage: ventrok-analyze replay")]:
            with self.subTest(args):
                result = run(args, self.dir)
                self.assertEqual(result.returncode, 0, result.stderr.decode())
                self.assertTrue(result.stdout.decode().startswith(start), result.stdout[:80])
                self.assertEqual(args[0] != "--version", b"exit codes: 0 done" in result.stdout)
        make_wav(self.path("-x.wav"), HAND)
        expected, _ = self.keying_file(["./-x.wav", "--key-delay", "5", "--interval", "wide"])
        self.assertEqual(run(["measure", "--key-delay=5", "--interval=wide", "--output=eq.csv",
                              "--", "-x.wav"], self.dir).returncode, 0)
        with open(self.path("eq.csv"), "rb") as f:
            self.assertEqual(f.read(), expected)

    def test_streams_and_recordings_without_a_length_are_read_once_to_their_end(self):
        make_wav(self.path("hand.wav"), HAND)
        expected, _ = self.keying_file(["hand.wav"])
        with open(self.path("hand.wav"), "rb") as f:
            wav = f.read()
        # sox writing to a pipe cannot go back to fill in the length.
        raw = subprocess.run(["sox", "hand.wav", "-t", "raw", "-"], cwd=self.dir,
                             capture_output=True, check=True).stdout
        piped = {kind: subprocess.run(["sox", "-t", "raw", "-r", "11025", "-e", "signed", "-b",
                                       "16", "-c", "1", "-", "-t", kind, "-"], input=raw,
                                      capture_output=True, check=True).stdout
                 for kind in ("flac", "wav")}
        for kind, data in piped.items():
            with open(self.path("piped." + kind), "wb") as f:
                f.write(data)
        producer = subprocess.Popen(["cat", "hand.wav"], cwd=self.dir, stdout=subprocess.PIPE)
        pipe = producer.stdout.fileno()
        cases = [("standard input", ["-"], dict(input=wav), None),
                 ("a pipe", ["/dev/fd/%d" % pipe], dict(pass_fds=(pipe,)), None),
                 ("FLAC without its length", ["piped.flac", "--continuous"], {}, None),
                 ("the same from standard input", ["-"], dict(input=piped["flac"]), None),
                 ("WAV with sox's length for a pipe", ["piped.wav"], {}, len(raw) // 2)]
        for name, args, extra, frames in cases:
            with self.subTest(name):
                data, result = self.keying_file(args + ["--json"], **extra)
                self.assertEqual(data, expected)
                # A stream's length is not known before its end.
                recording = json.loads(result.stdout.decode("utf-8"))["recording"]
                self.assertEqual(recording["frames"], frames)
        # Standard input from a file is read from its start for each pass.
        with open(self.path("hand.wav"), "rb") as recording:
            filtered, _ = self.keying_file(["-", "--tone-filter"], stdin=recording)
        self.assertEqual(filtered, self.keying_file(["hand.wav", "--tone-filter"])[0])
        producer.wait()

    def test_progress_is_erased_before_the_report(self):
        self.make_recordings("rec", ["hand.wav", "dots.wav"])
        code, received = on_terminal(["measure", "rec", "-o", "rec"], self.dir)
        self.assertEqual(code, 0, received)
        self.assertRegex(received, r"^\rmeasured 0 of 2 recordings(\rmeasured [12] of 2 recordings)+"
                                   r"\r {60}\rrecording ")
        # One recording is read in a moment: no progress at all.
        subprocess.run(["sox", "rec/hand.wav", "long.wav", "pad", "0", "60"], cwd=self.dir,
                       check=True)
        code, received = on_terminal(["measure", "long.wav"], self.dir)
        self.assertEqual(code, 0, received)
        self.assertTrue(received.startswith("measurement 1: "), received[:80])
        self.assertNotIn("\r", received.replace("\r\n", ""))

    def test_a_file_that_cannot_be_written_is_not_offered_for_replay(self):
        make_wav(self.path("hand.wav"), HAND)

        def small_files():
            resource.setrlimit(resource.RLIMIT_FSIZE, (100, resource.RLIM_INFINITY))

        for options in ([], ["--json"]):
            with self.subTest(options):
                # Python ignores SIGXFSZ and the program inherits that: a write
                # over the limit fails with EFBIG.
                result = run(["measure", "hand.wav"] + options, self.dir, preexec_fn=small_files,
                             restore_signals=False)
                self.assertEqual(result.returncode, 1)
                self.assertIn("cannot write '%s'" % DATA_FILE, result.stderr.decode())
                text = result.stdout.decode("utf-8")
                self.assertIn("打鍵データ.csvを保存できませんでした", text)
                self.assertNotIn("印字・再生で記録した", text)
                self.assertNotIn(DATA_FILE + "\"", text)
                self.assertNotIn("keying data file:", text)
                self.assertEqual(os.listdir(self.dir), ["hand.wav"])

    def test_names_that_are_not_utf8_give_valid_json_and_csv(self):
        name = b"\x91\xc5\x8c\xae"  # 打鍵 in code page 932
        os.mkdir(self.path("rec"))
        make_wav(self.path("rec/hand.wav"), HAND)
        shutil.copy(self.path("rec/hand.wav"), os.path.join(self.path("rec"),
                                                            os.fsdecode(name + b".wav")))
        os.mkdir(self.path("out"))
        result = run(["measure", "rec", "--json", "-o", "out", "--summary-csv", "s.csv"], self.dir)
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        shown = name.decode("utf-8", "replace")
        listed = json.loads(result.stdout.decode("utf-8"))
        self.assertEqual([e["path"] for e in listed], ["rec/hand.wav", "rec/%s.wav" % shown])
        self.assertEqual(listed[1]["result"]["measurements"][0]["keying_data_file"],
                         "out/%s.csv" % shown)
        self.assertEqual([r["keying data file"] for r in read_summary(self.path("s.csv"))],
                         ["out/hand.csv", "out/%s.csv" % shown])
        self.assertEqual(sorted(os.listdir(os.fsencode(self.path("out")))),
                         [b"hand.csv", name + b".csv"])

    def test_a_worker_that_cannot_start_leaves_its_recordings_to_the_others(self):
        os.mkdir(self.path("rec"))
        for name, entries in [("hand", HAND), ("dots", DOTS_ONLY)]:
            make_wav(self.path("rec/%s.wav" % name), entries)

        def huge_stacks():
            # Threads get stacks of the soft limit: 256 TiB, more than a
            # process's address space, cannot be mapped.
            resource.setrlimit(resource.RLIMIT_STACK,
                               (1 << 48, resource.getrlimit(resource.RLIMIT_STACK)[1]))

        result = run(["measure", "rec", "--jobs=2", "-o", "rec"], self.dir,
                     preexec_fn=huge_stacks)
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        for name, entries in [("hand", HAND), ("dots", DOTS_ONLY)]:
            with open(self.path("rec/%s.csv" % name), "rb") as f:
                self.assertEqual(f.read(), keying.expected_keying_file(
                    entries, keying.automatic_stop_seconds(entries)))
        self.assertEqual(len(os.sched_getaffinity(0)) > 1,
                         "cannot start another worker thread" in result.stderr.decode())



class Package(Folder):
    def test_deb_installs_runs_and_carries_its_man_page(self):
        def output(*command, **extra):
            return subprocess.run(command, capture_output=True, check=True, **extra).stdout

        output("cpack", "-G", "DEB", "-B", self.path("package"), cwd=BUILD)
        deb = self.path("package/ventrok-analyze_%s_amd64.deb" % version_text())
        depends = output("dpkg-deb", "--field", deb, "Depends").decode()
        for library in ("libsndfile1", "libsoxr0"):
            self.assertRegex(depends, r"(^|, )%s( |,|$)" % library)
        output("dpkg", "-x", deb, self.path("root"))
        # cmake --install lays out the same files.
        output("cmake", "--install", BUILD, "--prefix", self.path("prefix"))
        self.assertEqual(sorted(tree(self.path("root/usr"))), sorted(tree(self.path("prefix"))))
        program = self.path("root/usr/bin/ventrok-analyze")
        self.assertEqual(output(program, "--version").decode(), "ventrok-analyze %s\n" % version_text())
        demo = os.path.join(ROOT, "tests", "data", "demo_keying.wav")
        output(program, "measure", demo, "-o", "installed.csv", cwd=self.dir)
        self.assertEqual(run(["measure", demo, "-o", "built.csv"], self.dir).returncode, 0)
        with open(self.path("installed.csv"), "rb") as a, open(self.path("built.csv"), "rb") as b:
            self.assertEqual(a.read(), b.read())
        page = subprocess.run(["man", "--warnings", "-l",
                               self.path("root/usr/share/man/man1/ventrok-analyze.1.gz")],
                              capture_output=True, env=dict(os.environ, MANWIDTH="80"))
        self.assertEqual((page.returncode, page.stderr), (0, b""))
        for heading in ("SYNOPSIS", "MEASURE OPTIONS", "EXIT STATUS"):
            self.assertIn(heading, page.stdout.decode("utf-8"))


if __name__ == "__main__":
    unittest.main()
