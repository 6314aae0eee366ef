"""Recordings measured in the window: the command line, a drop and the
open-file dialog give ventrok-analyze's keying data file and decoded text,
also right after live keying of other speed; the same audio keyed live gives
the same timeline; other rates and formats measure within 1 ms; while live
keying runs the menu item is greyed and a drop refused; a file that cannot
be measured is told and changes nothing."""
import json
import os
import subprocess
import tempfile

import harness
import keying
import sound_path
from harness import ProgramTest, cp932_hex, probe, probe_lines

ANALYZE = os.path.join(harness.BUILD, "native", "ventrok-analyze")
DATA_FILE = "打鍵データ.csv"
MESSAGE, OPEN_DIALOG = cp932_hex("録音ファイルの計測"), cp932_hex("録音ファイルを計測")
START, STOP, CLEAR, STOPPED = "1005", "1007", "1015", (0, 0, 1, 1)
KINDS = {"plain": 0, "error": 1, "prosign": 2, "voiced_kana": 3}


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def analysed(wav):
    """ventrok-analyze's keying data file (bytes), decoded (kind, text) and timeline."""
    out = subprocess.run([ANALYZE, "measure", wav, "-o", wav + ".csv", "--json", "--no-progress"],
                         capture_output=True, check=True).stdout
    measurement = json.loads(out)["measurements"][0]
    return (read(wav + ".csv"), [(KINDS[c["kind"]], c["text"]) for c in measurement["characters"]],
            measurement["timeline"])


def timeline_and_statistics(data):
    """All of a keying data file but 集計時間, which depends on the capture's blocks."""
    lines = data.decode("cp932").split("\r\n")
    return [int(v) for v in lines[8].split(",")[:-1]], lines[2:7]


def phase():
    states = harness.control_states()
    return tuple(states[i][0] for i in (1005, 1007, 1015, 1016))


def message_text():
    return "".join(bytes.fromhex(r[5]).decode("cp932") for r in probe_lines("window-controls", MESSAGE)
                   if r[1].lower() == "static" and len(r) > 5)


def menu_item_enabled(program):
    """The file menu opened: whether its first item, under the keyboard
    highlight, has white (enabled) rather than grey text."""
    path = program.scratch_path("menu.bmp")
    assert probe("file-menu", path).returncode == 0, "the file menu did not open"
    image = harness.read_bmp(path)
    return any(harness.pixel(image, x, y) == (255, 255, 255)
               for y in range(3, 15) for x in range(20, image[0] - 20))


class RecordingsInTheWindow(ProgramTest):
    def setUp(self):
        super().setUp()
        self.folder = tempfile.mkdtemp(prefix="ventrok-recordings-")
        self.recording = os.path.join(self.folder, "keying.wav")
        keying.write_keying_wav(self.recording, keying.hand_keying(keying.KNOWN_LETTERS), 1500)
        self.expected, self.characters, _ = analysed(self.recording)

    def measured(self, program, *probe_args, dialog_path=None):
        """The file saved once the probe command (and the open-file dialog) has
        handed the window the recording."""
        os.remove(program.path(DATA_FILE))
        probe(*probe_args)
        if dialog_path:
            # Into the recording's folder first, which moves the process's
            # current folder: the file must still be saved where it was.
            for part in (windows_path(os.path.dirname(dialog_path)), os.path.basename(dialog_path)):
                self.assertEqual(probe("file-dialog", OPEN_DIALOG, part).returncode, 0)
        harness.wait_until(lambda: os.path.exists(program.path(DATA_FILE)) and phase() == STOPPED,
                           30, "the recording measured and its file saved")
        return read(program.path(DATA_FILE))

    def assert_analyser_s(self, program, data, name):
        self.assertEqual(data, self.expected, name)
        image = harness.read_bmp(harness.capture(program.scratch_path(name + ".bmp")))
        # The 解読 group box's caption reaches into the line's two top rows
        # (blank in the decode font) when it is painted after the text.
        self.assertIsNone(harness.decoded_line_difference(program, image, self.characters,
                                                          "recording_" + name, from_row=2))

    def key_live(self, wav):
        probe("click", CLEAR)
        probe("click", START)
        harness.wait_started()
        harness.play(wav).wait(60)

    def test_every_way_in_gives_the_analyser_s_measurement(self):
        # The command line, then the same audio keyed live. A live run is
        # repeated only when the block log proves the sound path lost samples.
        for attempt in range(3):
            program = self.start("ventrok_blocklog.exe", args=[windows_path(self.recording)])
            harness.wait_until(lambda: phase() == STOPPED, 30, "the command line's recording measured")
            self.assert_analyser_s(program, read(program.path(DATA_FILE)), "command_line")
            self.key_live(self.recording)
            probe("click", STOP)
            harness.wait_enabled(1015, "the stop of the live keying")
            live = timeline_and_statistics(read(program.path(DATA_FILE)))
            if live == timeline_and_statistics(self.expected):
                break
            disturbance = sound_path.capture_disturbance(program.path("ventrok_blocks.log"),
                                                         self.recording)
            if disturbance is None or attempt == 2:
                self.assertEqual(live, timeline_and_statistics(self.expected), disturbance)
            harness.record_retry(self, "the live timeline differs; " + disturbance)
            probe("command", "104")
            program.wait_exit(10)

        # Other keying, live at 40 WPM: meanwhile the item is greyed and a
        # drop refused, and the recording measured after it is unchanged.
        self.assertTrue(menu_item_enabled(program))
        other = os.path.join(self.folder, "other.wav")
        keying.write_keying_wav(other, [0] + ([30, 30, 30, 30, 30, 90] * 8)[:-1], 500)
        self.key_live(other)
        harness.wait_until(lambda: harness.recording_runs(program), 10, "the live recording")
        self.assertFalse(menu_item_enabled(program))
        probe("drop", windows_path(self.recording))
        self.assertEqual(probe("window-wait", MESSAGE, "10").returncode, 0)
        self.assertIn("計測中は録音ファイルを計測できません", message_text())
        probe("window-dismiss", MESSAGE)
        self.assertEqual(phase(), (0, 1, 0, 0))
        probe("click", STOP)
        harness.wait_enabled(1015, "the stop of the live keying")
        self.assert_analyser_s(program, self.measured(program, "drop", windows_path(self.recording)),
                               "dropped")
        self.assert_analyser_s(program, self.measured(program, "command", "109",
                                                      dialog_path=self.recording), "dialog")

        # Other rates, channels and formats, converted by sox: the same count
        # of entries, each within 1 ms of ventrok-analyze's.
        for rate, channels, *encoding in [("22050", "1", "-b", "16"), ("44100", "2", "-b", "16"),
                                          ("22050", "2", "-e", "floating-point", "-b", "32"),
                                          ("48000", "1", "-e", "floating-point", "-b", "32"),
                                          ("44100", "1", "-b", "24"), ("48000", "2", "-b", "24")]:
            wav = os.path.join(self.folder, "%s-%s%s.wav" % (rate, channels, "".join(encoding)))
            subprocess.run(["sox", self.recording, "-r", rate, "-c", channels, *encoding, wav],
                           check=True)
            window = timeline_and_statistics(self.measured(program, "drop", windows_path(wav)))[0]
            reference = analysed(wav)[2]
            self.assertEqual(len(window), len(reference), wav)
            self.assertLessEqual(max(abs(a - b) for a, b in zip(window, reference)), 1, wav)

    def test_a_file_that_cannot_be_measured_changes_nothing(self):
        program = self.start(args=[windows_path(self.recording)])
        harness.wait_until(lambda: phase() == STOPPED, 30, "the command line's recording measured")
        wav = read(self.recording)

        def written(name, data=None, *sox_options):
            path = os.path.join(self.folder, name)
            if data is None:
                subprocess.run(["sox", self.recording, *sox_options, path], check=True)
            else:
                with open(path, "wb") as f:
                    f.write(data)
            return path

        locked = written("locked.wav", wav)
        lock = subprocess.Popen(["wine", harness.exe("window_probe.exe"), "lock",
                                 windows_path(locked), "120"], env=harness.ENV,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.addCleanup(lock.stdout.close)
        self.addCleanup(lock.kill)
        self.assertEqual(lock.stdout.readline().strip(), "locked")
        cases = [
            (written("notes.wav", b"73 de JA1VTK\r\n" * 20), "WAV ファイルではありません"),
            (program.path(DATA_FILE), "打鍵データのファイルで、録音ではありません"),
            (written("adpcm.wav", None, "-e", "ima-adpcm"), "符号化形式（IMA ADPCM）には対応していません"),
            (written("4000.wav", None, "-r", "4000"), "サンプリング周波数 4000 Hz には対応していません"),
            (written("cut.wav", wav[:len(wav) * 3 // 5]), "ファイルが途中で切れています"),
            (written("empty.wav", wav[:40] + bytes(4)), "音声が入っていません"),
            # A format chunk of almost 4 GB.
            (written("absurd.wav", wav[:16] + b"\xf0\xff\xff\xff" + wav[20:]),
             "fmt チャンクがファイルの終わりを越えています"),
            (os.path.join(self.folder, "missing.wav"), "ファイルが見つかりません"),
            (locked, "ほかのプログラムが使用中です"),
        ]
        band = lambda: harness.region(harness.read_bmp(harness.capture(
            program.scratch_path("band.bmp"))), 0, 150, 1145, 675)
        before, earlier = band(), read(program.path(DATA_FILE))
        for path, said in cases:
            probe("drop", windows_path(path))
            self.assertEqual(probe("window-wait", MESSAGE, "10").returncode, 0, path)
            text = message_text()
            self.assertTrue(said in text and windows_path(path) in text, text)
            probe("window-dismiss", MESSAGE)
            self.assertEqual(probe("window-gone", MESSAGE, "10").returncode, 0)
            self.assertEqual((phase(), read(program.path(DATA_FILE))), (STOPPED, earlier), path)
        self.assertTrue(band() == before, "the panel band changed")
