"""What the operator sees when things go wrong: the keying data file cannot
be saved (a file of that name that cannot be replaced, a folder that cannot
be written, a full disk), and the capture device dies under the program
(the sound server ends). Each is tried with the real program."""
import os
import subprocess
import tempfile
import time
import unittest

import harness
import keying
from harness import ProgramTest, cp932_hex, probe
from private_sound import PrivateSound

DATA_FILE = "打鍵データ.csv"
NOT_SAVED = "打鍵データ.csvを保存できませんでした"
REPLAY_HINT = "印字・再生で記録したデータの印字および再生ができます"
LETTERS = keying.KNOWN_LETTERS


STOPPED_BUTTONS = {1005: 0, 1007: 0, 1015: 1, 1016: 1}


def enabled_buttons(env):
    return {k: v[0] for k, v in harness.control_states(env).items()
            if k in (1005, 1007, 1015, 1016)}


class FailureTest(ProgramTest):
    # Renderings and captures go to the program's scratch folder, never into
    # its own folder, which these tests make unwritable or full.
    def oem_text_at(self, program, image, x, y, text):
        rendered_path = program.scratch_path("text.bmp")
        self.assertEqual(probe("render-oem", cp932_hex(text), rendered_path,
                               env=program.env).returncode, 0)
        rendered = harness.read_bmp(rendered_path)
        width, height, _ = rendered
        return harness.region(image, x, y, width, height) == harness.region(rendered, 0, 0,
                                                                            width, height)

    def capture(self, program, artifact):
        shot = harness.capture(program.scratch_path("shot.bmp"), env=program.env)
        harness.keep_artifact(shot, artifact)
        return harness.read_bmp(shot)

    def key_and_stop(self, program, play):
        """開始, twenty-odd keyings played in, then the stop button."""
        wav = program.scratch_path("keying.wav")
        keying.write_keying_wav(wav, keying.hand_keying(LETTERS), tail_ms=500)
        probe("click", "1005", env=program.env)
        harness.wait_enabled(1007, "the start (停止 enabled)", 15, env=program.env)
        play(wav).wait(120)
        probe("click", "1007", env=program.env)
        harness.wait_enabled(1015, "the stop (クリア enabled)", 15, env=program.env)


class UnsavedKeyingFile(FailureTest):
    """The earlier file stays as it was, nothing is left behind, the panel
    says the file was not saved, and 印字・再生 does not offer the older file."""

    def check_not_saved(self, folder, earlier, artifact):
        program = self.start(workdir=folder)
        self.key_and_stop(program, harness.play)
        buttons = harness.eventually(lambda: enabled_buttons(program.env),
                                     {1005: 0, 1007: 0, 1015: 1, 1016: 0}, 15)
        self.assertEqual(buttons, {1005: 0, 1007: 0, 1015: 1, 1016: 0})
        image = self.capture(program, artifact)
        self.assertTrue(self.oem_text_at(program, image, 120, 370, NOT_SAVED))
        self.assertFalse(self.oem_text_at(program, image, 120, 370, REPLAY_HINT))
        self.assertTrue(self.oem_text_at(program, image, 120, 350, "再開はクリアを押してください"))
        probe("command", "104", env=program.env)
        program.wait_exit(10)
        path = os.path.join(folder, DATA_FILE)
        if earlier is None:
            self.assertTrue(os.path.isdir(path))
        else:
            with open(path, "rb") as f:
                self.assertEqual(f.read(), earlier)
        self.assertEqual(sorted(os.listdir(folder)), [DATA_FILE])

    def test_a_folder_of_that_name_cannot_be_replaced(self):
        folder = tempfile.mkdtemp(prefix="ventrok-e2e-")
        os.mkdir(os.path.join(folder, DATA_FILE))
        self.check_not_saved(folder, None, "not_saved_folder_in_the_way.bmp")

    def test_a_folder_that_cannot_be_written(self):
        folder = tempfile.mkdtemp(prefix="ventrok-e2e-")
        earlier = b"earlier keying\r\n"
        with open(os.path.join(folder, DATA_FILE), "wb") as f:
            f.write(earlier)
        # Immutable: not even root may create or rename anything in it.
        subprocess.run(["chattr", "+i", folder], check=True)
        try:
            self.check_not_saved(folder, earlier, "not_saved_read_only_folder.bmp")
        finally:
            subprocess.run(["chattr", "-i", folder], check=True)

    def test_a_full_disk(self):
        mount_point = tempfile.mkdtemp(prefix="ventrok-full-")
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", mount_point],
                       check=True)
        try:
            folder = os.path.join(mount_point, "run")
            os.mkdir(folder)
            earlier = b"earlier keying\r\n"
            with open(os.path.join(folder, DATA_FILE), "wb") as f:
                f.write(earlier)
            # Fill what is left: the program can still create an empty file
            # there, but not write the keying into it.
            subprocess.run(["dd", "if=/dev/zero", "of=" + os.path.join(mount_point, "filler"),
                            "bs=1k", "count=128"], capture_output=True)
            self.check_not_saved(folder, earlier, "not_saved_full_disk.bmp")
        finally:
            for program in self.programs:
                program.kill()
            subprocess.run(["umount", "-l", mount_point])


class CaptureDies(FailureTest):
    """The sound server ends under the program: no more captured blocks."""

    def setUp(self):
        super().setUp()
        self.sound = PrivateSound()
        self.addCleanup(self.sound.close)

    def test_statistics_shown_after_a_stop_without_blocks(self):
        program = self.start(env=self.sound.env)
        original_play = self.sound.play

        def play_then_end_the_server(wav):
            player = original_play(wav)
            player.wait(120)
            time.sleep(0.5)
            self.sound.end()
            return player

        self.key_and_stop(program, play_then_end_the_server)
        self.assertEqual(harness.eventually(lambda: enabled_buttons(program.env),
                                            STOPPED_BUTTONS, 15), STOPPED_BUTTONS)
        image = self.capture(program, "statistics_after_capture_died.bmp")
        entries = keying.hand_keying(LETTERS)
        self.assertTrue(self.oem_text_at(program, image, 120, 198,
                                         "打点数   %4d[個]" % (len(entries) // 2)))
        self.assertTrue(self.oem_text_at(program, image, 120, 350, "再開はクリアを押してください"))
        self.assertTrue(self.oem_text_at(program, image, 120, 370, REPLAY_HINT))
        self.assertTrue(os.path.exists(program.path(DATA_FILE)))

    def test_level_meter_back_after_uncovering_without_blocks(self):
        program = self.start(env=self.sound.env)
        # The meter is drawn at the first paint and at every meter update.
        self.assertEqual(harness.eventually(lambda: harness.pixel(
            self.capture(program, "meter.bmp"), 948, 25), (0, 0, 0), 15), (0, 0, 0))
        self.sound.end()
        time.sleep(1.0)
        probe("cover", env=program.env)
        image = self.capture(program, "meter_after_uncover.bmp")
        self.assertEqual(harness.pixel(image, 948, 25), (0, 0, 0), "frame, top left")
        self.assertEqual(harness.pixel(image, 1010, 36), (0, 0, 0), "frame, bottom right")
        self.assertEqual(harness.pixel(image, 980, 25), (0, 0, 0), "frame, top edge")


if __name__ == "__main__":
    unittest.main()
