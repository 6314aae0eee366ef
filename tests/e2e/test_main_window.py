"""The running main window, read back through Win32 calls."""
import os
import subprocess
import unittest

import harness
from harness import ProgramTest, cp932_hex, probe, probe_lines

# Template 1000 in template order: id (65535 for -1), class, caption,
# enabled right after start-up, checked.
EXPECTED_CONTROLS = [
    (65535, "Button", "操作", 1, 0),
    (1008, "msctls_trackbar32", "", 1, 0),
    (1005, "Button", "開　始", 1, 0),
    (1007, "Button", "終　了", 0, 0),
    (1015, "Button", "クリア", 0, 0),
    (1012, "Button", "", 1, 0),
    (65535, "Button", "解読設定", 1, 0),
    (1013, "Button", "欧文", 1, 1),
    (1014, "Button", "和文", 1, 0),
    (65535, "Button", "解読", 1, 0),
    (65535, "Static", "レベル", 1, 0),
    (65535, "Static", "検出", 1, 0),
    (1021, "Button", "単位時間表示", 1, 0),
    (65535, "Static", "符号間隔", 1, 0),
    (65535, "Static", "遅延", 1, 0),
    (1019, "msctls_trackbar32", "", 1, 0),
    (1023, "Static", "  2", 1, 0),
    (65535, "Static", "狭", 1, 0),
    (65535, "Static", "中", 1, 0),
    (65535, "Static", "広", 1, 0),
    (1024, "Button", "", 1, 0),
    (1025, "Button", "", 1, 1),
    (1026, "Button", "", 1, 0),
    (1027, "Button", "自動切替", 1, 0),
    (1028, "Button", "解読字大", 1, 0),
    (1018, "Button", "倍速掃引", 1, 0),
    (65535, "Button", "", 1, 0),
    (65535, "Static", "ﾓﾆﾀｰ 音量", 1, 0),
    (1009, "msctls_trackbar32", "", 1, 0),
    (65535, "Button", "", 1, 0),
    (1035, "Button", "ｸﾘｯﾋﾟﾝｸﾞ", 1, 0),
    (1016, "Button", "印字・再生", 1, 0),
]


class MainWindowAtStartUp(ProgramTest):
    def test_controls_trackbars_and_focus(self):
        self.start()
        rows = probe_lines("controls")
        actual = [(int(r[0]), r[1], r[5] if len(r) > 5 else "", int(r[2]), int(r[4])) for r in rows]
        expected = [(i, c, cp932_hex(t), e, k) for (i, c, t, e, k) in EXPECTED_CONTROLS]
        self.assertEqual(actual, expected)
        self.assertEqual(probe_lines("trackbars"),
                         [["1008", "0", "100", "50"], ["1019", "0", "100", "2"],
                          ["1009", "0", "100", "37"]])
        self.assertEqual(probe("focus").stdout.strip(), "1005")
        width, height = map(int, probe("client").stdout.split())
        self.assertGreaterEqual(width, 1145)
        self.assertGreaterEqual(height, 825)

    def test_start_prompts_drawn_and_restored_from_back_buffer(self):
        program = self.start()
        shot = program.path("before.bmp")
        harness.capture(shot)
        before = harness.read_bmp(shot)
        for y, text in ((260, "開始を押してください"), (286, "印字・再生で前回記録を再生できます")):
            rendered_path = program.path("text.bmp")
            self.assertEqual(probe("render", cp932_hex(text), rendered_path).returncode, 0)
            rendered = harness.read_bmp(rendered_path)
            width, height, _ = rendered
            self.assertEqual(harness.region(before, 180, y, width, height),
                             harness.region(rendered, 0, 0, width, height), text)
        probe("cover")
        shot_after = program.path("after.bmp")

        def band_restored():
            harness.capture(shot_after)
            after = harness.read_bmp(shot_after)
            return harness.region(before, 0, 150, 1145, 600) == harness.region(after, 0, 150, 1145, 600)

        # The panel band below the controls comes back exactly.
        harness.wait_until(band_restored, 5, "the repaint of the uncovered panel band")
        harness.keep_artifact(shot, "main_window_start.bmp")


class ExitPaths(ProgramTest):
    def check_exit(self, *probe_args):
        program = self.start()
        probe(*probe_args)
        self.assertEqual(program.wait_exit(20), 0)

    def test_menu_exit(self):
        self.check_exit("command", "104")

    def test_escape_key(self):
        self.check_exit("key-escape")

    def test_close_box(self):
        self.check_exit("close")


class NoInputDevice(ProgramTest):
    def test_message_box_then_exit_zero(self):
        # Neither a sound server nor any audio driver: Wine reports no devices.
        env = dict(harness.ENV)
        env["PULSE_SERVER"] = "unix:/nonexistent/native"
        env["WINEDLLOVERRIDES"] = "mscoree,mshtml=;winepulse.drv,winealsa.drv,wineoss.drv="
        program = harness.Program(env=env)
        self.programs.append(program)
        self.assertEqual(probe("wait-window", "Device ERR message box", env=env).returncode, 0)
        probe("dismiss", "Device ERR message box", env=env)
        self.assertEqual(program.wait_exit(20), 0)


if __name__ == "__main__":
    unittest.main()
