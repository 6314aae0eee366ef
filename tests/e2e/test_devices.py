"""The device selection and about dialogs with the sound server's devices."""
import os
import time
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
            time.sleep(0.5)  # the next paint reopens the devices
            self.assertEqual(selections(), expected, (shown, how, what))
            time.sleep(0.5)
            self.assertEqual(enabled_states(), IDLE)

    def test_dialog_while_recording_drops_it_and_reopens_the_capture(self):
        program = self.start()
        wav = program.path("keying.wav")
        keying.write_keying_wav(wav, [0] + [60, 60] * 40 + [60], tail_ms=500)
        probe("click", "1005")
        time.sleep(0.5)
        player = harness.play(wav)
        time.sleep(2.5)  # well into the keying: the recording runs
        first = program.path("recording.bmp")
        harness.capture(first)
        self.assertFalse(text_drawn_at(program, harness.read_bmp(first), 180, 260,
                                       "開始を押してください"))
        open_device_dialog()
        self.assertEqual(enabled_states(), IDLE)
        probe("dialog-button", DEVICES, OK)
        self.assertTrue(dialog_gone(DEVICES))
        player.wait(60)
        time.sleep(1.0)
        shot = program.path("after_dialog.bmp")
        harness.capture(shot)
        harness.keep_artifact(shot, "devices_after_dialog_while_recording.bmp")
        image = harness.read_bmp(shot)
        self.assertTrue(text_drawn_at(program, image, 180, 260, "開始を押してください"))
        self.assertTrue(text_drawn_at(program, image, 180, 286,
                                      "印字・再生で前回記録を再生できます"))
        self.assertEqual(enabled_states(), IDLE)
        self.assertFalse(os.path.exists(program.path(DATA_FILE)))
        # The capture runs again: a loud tone fills the level meter's bar.
        tone = program.path("tone.wav")
        harness.write_tone_wav(tone, 1.5, amplitude=16384)
        player = harness.play(tone)
        time.sleep(1.2)
        meter = program.path("meter.bmp")
        harness.capture(meter)
        player.wait(30)
        self.assertEqual(harness.pixel(harness.read_bmp(meter), 960, 31), (0, 0, 255))

    def test_virtual_microphone_chosen_explicitly_still_measures(self):
        program = self.start()
        inputs, _ = wine_devices()
        microphone = inputs.index(cp932_hex("Monitor of MicFeed"))
        self.assertNotEqual(microphone, 0)
        open_device_dialog()
        probe("dialog-select", DEVICES, INPUT_LIST, str(microphone))
        probe("dialog-button", DEVICES, OK)
        self.assertTrue(dialog_gone(DEVICES))
        time.sleep(1.0)
        self.assertEqual(selections()[0], microphone)
        time.sleep(1.0)
        entries = [0] + [60, 60, 180, 60] * 10 + [60, 200, 60]
        wav = program.path("keying.wav")
        keying.write_keying_wav(wav, entries)
        probe("click", "1005")
        time.sleep(0.5)
        harness.play(wav).wait(120)
        time.sleep(1.5)
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
            time.sleep(0.3)
            self.assertIsNone(self.programs[0].process.poll())
            self.assertEqual((probe_lines("controls"), probe_lines("trackbars")), before, how)
            self.assertEqual(probe("focus").stdout.strip(), "1005")


if __name__ == "__main__":
    unittest.main()
