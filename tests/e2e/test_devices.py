"""The device selection and about dialogs with the sound server's devices."""
import os
import unittest

import harness
import keying
from harness import ProgramTest, cp932_hex, probe, probe_lines
from test_measurement import DATA_FILE, button_states, text_drawn_at

DEVICES = cp932_hex("入出力デバイス選択")
ABOUT = cp932_hex("バージョン情報")
INPUT_LIST, OUTPUT_LIST = "1002", "1001"
OK, CANCEL = "2", "3"
VK_RETURN, VK_ESCAPE = "13", "27"
IDLE = {1005: 1, 1007: 0, 1015: 0, 1016: 0}


def wine_devices():
    """The waveIn and waveOut product names in identifier order (hex CP932)."""
    rows = probe_lines("wave-devices")
    return [r[1] for r in rows if r[0] == "in"], [r[1] for r in rows if r[0] == "out"]


def combo(list_id):
    """(selected position, item names in hex) of a list in the device dialog."""
    rows = probe("dialog-combo", DEVICES, list_id).stdout.splitlines()
    return int(rows[0].split()[1]), [r.strip() for r in rows[1:]]


def open_device_dialog():
    probe("command", "107")
    assert probe("dialog-controls", DEVICES).returncode == 0


def dialog_gone(caption_hex):
    return probe("gone", caption_hex).returncode == 0


def selections():
    open_device_dialog()
    chosen = (combo(INPUT_LIST)[0], combo(OUTPUT_LIST)[0])
    probe("dialog-button", DEVICES, CANCEL)
    assert dialog_gone(DEVICES)
    return chosen


def enabled_states():
    return {k: v[0] for k, v in button_states().items()}


class DeviceDialog(ProgramTest):
    def test_lists_show_the_devices_wine_reports(self):
        self.start()
        inputs, outputs = wine_devices()
        self.assertGreaterEqual(len(inputs), 2)  # the default and the virtual microphone
        self.assertGreaterEqual(len(outputs), 2)
        self.assertIn(cp932_hex("Monitor of MicFeed"), inputs)
        open_device_dialog()
        self.assertEqual(combo(INPUT_LIST), (0, inputs))
        self.assertEqual(combo(OUTPUT_LIST), (0, outputs))
        self.assertEqual(probe("focus").stdout.strip(), INPUT_LIST)
        probe("dialog-button", DEVICES, CANCEL)
        self.assertTrue(dialog_gone(DEVICES))

    def test_escape_and_close_box_store_the_shown_choice_cancel_keeps_it(self):
        self.start()
        inputs, outputs = wine_devices()
        last_in, last_out = len(inputs) - 1, len(outputs) - 1
        # Each step: choice shown in the two lists, how the dialog ends, and
        # the selections the next opening shows.
        steps = [
            ((last_in, last_out), ("button", CANCEL), (0, 0)),
            ((1, last_out), ("key", VK_ESCAPE), (1, last_out)),
            ((0, 1), ("button", CANCEL), (1, last_out)),
            ((0, 1), ("close", None), (0, 1)),
            ((last_in, 0), ("button", OK), (last_in, 0)),
            ((0, 0), ("button", OK), (0, 0)),
        ]
        for shown, (how, what), expected in steps:
            open_device_dialog()
            probe("dialog-select", DEVICES, INPUT_LIST, str(shown[0]))
            probe("dialog-select", DEVICES, OUTPUT_LIST, str(shown[1]))
            if how == "button":
                probe("dialog-button", DEVICES, what)
            elif how == "key":
                probe("key", what)
            else:
                probe("dialog-close", DEVICES)
            self.assertTrue(dialog_gone(DEVICES), (shown, how, what))
            harness.wait_devices_open("ventrok.exe")  # the next paint reopens them
            self.assertEqual(selections(), expected, (shown, how, what))
            harness.wait_devices_open("ventrok.exe")
            self.assertEqual(enabled_states(), IDLE)

    def test_dialog_while_recording_drops_it_and_reopens_the_capture(self):
        program = self.start()
        wav = program.path("keying.wav")
        keying.write_keying_wav(wav, [0] + [60, 60] * 40 + [60], tail_ms=500)
        probe("click", "1005")
        harness.wait_started()
        player = harness.play(wav)
        harness.wait_until(lambda: harness.recording_runs(program), 10, "the recording")
        first = program.path("recording.bmp")
        harness.capture(first)
        self.assertFalse(text_drawn_at(program, harness.read_bmp(first), 180, 260,
                                       "開始を押してください"))
        open_device_dialog()
        self.assertEqual(enabled_states(), IDLE)
        probe("dialog-button", DEVICES, OK)
        self.assertTrue(dialog_gone(DEVICES))
        player.wait(60)
        harness.wait_devices_open("ventrok.exe")
        shot = program.path("after_dialog.bmp")

        def start_prompt_shown():
            harness.capture(shot)
            image = harness.read_bmp(shot)
            return image if text_drawn_at(program, image, 180, 260, "開始を押してください") else None

        # The paint after the dialog reopens the devices and draws the prompts.
        image = harness.wait_until(start_prompt_shown, 10, "the start prompt after the dialog")
        harness.keep_artifact(shot, "devices_after_dialog_while_recording.bmp")
        self.assertTrue(text_drawn_at(program, image, 180, 260, "開始を押してください"))
        self.assertTrue(text_drawn_at(program, image, 180, 286,
                                      "印字・再生で前回記録を再生できます"))
        self.assertEqual(enabled_states(), IDLE)
        self.assertFalse(os.path.exists(program.path(DATA_FILE)))
        # The capture runs again: a loud tone fills the level meter's bar.
        tone = program.path("tone.wav")
        harness.write_tone_wav(tone, 1.5, amplitude=16384)
        player = harness.play(tone)
        meter = program.path("meter.bmp")

        def blue_bar():
            harness.capture(meter)
            return harness.pixel(harness.read_bmp(meter), 960, 31) == (0, 0, 255)

        harness.wait_until(blue_bar, 10, "the tone's blue bar in the level meter")
        player.wait(30)

    def test_virtual_microphone_chosen_explicitly_still_measures(self):
        program = self.start()
        inputs, _ = wine_devices()
        microphone = inputs.index(cp932_hex("Monitor of MicFeed"))
        self.assertNotEqual(microphone, 0)
        open_device_dialog()
        probe("dialog-select", DEVICES, INPUT_LIST, str(microphone))
        probe("dialog-button", DEVICES, OK)
        self.assertTrue(dialog_gone(DEVICES))
        harness.wait_devices_open("ventrok.exe")
        self.assertEqual(selections()[0], microphone)
        harness.wait_devices_open("ventrok.exe")
        entries = [0] + [60, 60, 180, 60] * 10 + [60, 200, 60]
        wav = program.path("keying.wav")
        keying.write_keying_wav(wav, entries)
        probe("click", "1005")
        harness.wait_started()
        harness.play(wav).wait(120)
        harness.wait_automatic_stop(program)
        with open(program.path(DATA_FILE), "rb") as f:
            lines = f.read().decode("cp932").splitlines()
        self.assertEqual(lines[8], "".join("%d," % e for e in entries) + "0")


class AboutDialog(ProgramTest):
    def test_closes_every_way_and_changes_nothing(self):
        self.start()
        before = (probe_lines("controls"), probe_lines("trackbars"))
        for how, what in (("button", "1"), ("key", VK_RETURN), ("key", VK_ESCAPE),
                          ("close", None)):
            probe("command", "105")
            self.assertEqual(probe("dialog-controls", ABOUT).returncode, 0)
            rows = probe_lines("dialog-controls", ABOUT)
            self.assertIn(["65535", "Static", "1", "1", "0", cp932_hex("Ventrok　Ver0.5")], rows)
            if how == "button":
                probe("dialog-button", ABOUT, what)
            elif how == "key":
                self.assertEqual(probe("focus").stdout.strip(), "1")
                probe("key", what)
            else:
                probe("dialog-close", ABOUT)
            self.assertTrue(dialog_gone(ABOUT), how)
            self.assertEqual(harness.eventually(lambda: probe("focus").stdout.strip(), "1005"),
                             "1005", how)
            self.assertIsNone(self.programs[0].process.poll())
            self.assertEqual((probe_lines("controls"), probe_lines("trackbars")), before, how)
            self.assertEqual(probe("focus").stdout.strip(), "1005")


if __name__ == "__main__":
    unittest.main()
