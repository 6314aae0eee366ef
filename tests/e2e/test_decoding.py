"""Keying played into the virtual microphone appears, decoded, in the text line."""
import os
import subprocess
import unittest
import wave

import harness
import keying
from harness import ProgramTest, probe, probe_lines

# Entry kinds: the background of a decoded text.
PLAIN, PROSIGN, VOICED_KANA = 0, 2, 3

# Wabun codes of the kana sent below, from the written Wabun code table.
WABUN = {
    "ﾎﾚ": "-..---", "ｲ": ".-", "ﾛ": ".-.-", "ﾊ": "-...", "ﾆ": "-.-.", "ﾎ": "-..",
    "ﾍ": ".", "ﾄ": "..-..", "ｶﾞ": ".-....",
}
DOT_MS, DASH_MS = 60, 180
ELEMENT_GAP_MS, CHARACTER_GAP_MS, WORD_GAP_MS = 60, 180, 420


def wabun_durations(words):
    """Timeline durations (space before the first mark, mark, space, ...) of
    words of Wabun characters, at the fixed timing above."""
    durations = [0]
    for w, word in enumerate(words):
        for c, character in enumerate(word):
            for e, element in enumerate(WABUN[character]):
                durations.append(DASH_MS if element == "-" else DOT_MS)
                last_element = e == len(WABUN[character]) - 1
                if not last_element:
                    durations.append(ELEMENT_GAP_MS)
                elif c < len(word) - 1:
                    durations.append(CHARACTER_GAP_MS)
                elif w < len(words) - 1:
                    durations.append(WORD_GAP_MS)
    return durations


def wav_seconds(path):
    with wave.open(path) as w:
        return w.getnframes() / w.getframerate()


def checked(control_id):
    for row in probe_lines("controls"):
        if row[0] == str(control_id):
            return int(row[4])
    raise AssertionError("control %d not found" % control_id)


class DecodedTextLine(ProgramTest):
    def key_in(self, program, wav, name):
        """開始, the keying into the microphone, then the line as captured."""
        probe("click", "1005")
        harness.wait_started()
        harness.play(wav).wait(120)
        # The last character ends after the character gap, the word space
        # after six space units (about 0.4 s here): the WAV's silent tail of
        # 1.5 s has passed both once it has been played.
        shot = program.path(name + ".bmp")
        harness.capture(shot)
        harness.keep_artifact(shot, "decoding_" + name + ".bmp")
        return harness.read_bmp(shot)

    def assert_line_shows(self, program, image, entries, name):
        """The whole first line equals the entries drawn in the decode font."""
        self.assertIsNone(harness.decoded_line_difference(program, image, entries,
                                                          "decoding_" + name))

    def test_european_text_at_18_wpm(self):
        program = self.start()
        self.assertEqual((checked(1013), checked(1014)), (1, 0))
        wav = program.path("european.wav")
        subprocess.run([keying.MAKE_KEYING_WAV, "text", wav, "--text", "CQ DE JA1VTK",
                        "--wpm", "18", "--jitter", "0", "--tail-ms", "1500"],
                       check=True, stdout=subprocess.DEVNULL)
        image = self.key_in(program, wav, "european")
        # Every character on white; the blanks are the word spaces, the last
        # one shown after the final silence.
        self.assert_line_shows(program, image, [(PLAIN, c) for c in "CQ DE JA1VTK "], "european")
        self.assertEqual((checked(1013), checked(1014)), (1, 0))

    def test_wabun_after_two_switch_signals(self):
        program = self.start()
        probe("click", "1027")  # 自動切替
        self.assertEqual(harness.eventually(lambda: checked(1027), 1), 1)
        self.assertEqual((checked(1013), checked(1014)), (1, 0))
        wav = program.path("wabun.wav")
        durations = wabun_durations([["ﾎﾚ", "ﾎﾚ"], ["ｲ", "ﾛ", "ﾊ", "ﾆ", "ﾎ", "ﾍ", "ﾄ"], ["ｶﾞ"]])
        keying.write_keying_wav(wav, durations, tail_ms=1500)
        self.assertLess(wav_seconds(wav), 15)
        image = self.key_in(program, wav, "wabun")
        # Both ﾎﾚ are still read in the European table (on green); the kana
        # after them only exist in the Wabun table; ｶﾞ is a voiced kana (yellow).
        entries = ([(PROSIGN, "ﾎﾚ"), (PROSIGN, "ﾎﾚ"), (PLAIN, " ")]
                   + [(PLAIN, k) for k in "ｲﾛﾊﾆﾎﾍﾄ"] + [(PLAIN, " "), (VOICED_KANA, "ｶﾞ"), (PLAIN, " ")])
        self.assert_line_shows(program, image, entries, "wabun")
        self.assertEqual((checked(1013), checked(1014)), (0, 1))


if __name__ == "__main__":
    unittest.main()
