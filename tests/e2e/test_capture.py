"""A tone played into the virtual microphone reaches the program block by block."""
import os
import unittest

import harness
from harness import ProgramTest


class CaptureReachesProgram(ProgramTest):
    def test_tone_arrives_as_blocks_of_the_played_samples(self):
        program = self.start("ventrok_blocklog.exe")
        wav = program.path("tone.wav")
        amplitude = 16384
        harness.write_tone_wav(wav, 3.0, amplitude=amplitude)
        player = harness.play(wav)
        player.wait(20)

        def blocks_after_the_tone():
            """The log once quiet blocks follow the loud ones (the tone has
            been captured to its end)."""
            with open(program.path("ventrok_blocks.log")) as f:
                rows = [line.split() for line in f if line.strip()]
            loud = [i for i, b in enumerate(rows) if int(b[3]) > amplitude // 2]
            return rows if loud and len(rows) > loud[-1] + 10 else None

        blocks = harness.wait_until(blocks_after_the_tone, 10, "the end of the tone in the block log")
        self.assertTrue(blocks)
        self.assertTrue(all(int(b[1]) == 110 for b in blocks[:-1]), "every block holds 110 samples")
        loud = [b for b in blocks if int(b[3]) > amplitude // 2]
        self.assertGreater(len(loud), 250)
        start_ms, end_ms = float(loud[0][0]), float(loud[-1][0])
        rate = (len(loud) - 1) / ((end_ms - start_ms) / 1000.0)
        self.assertAlmostEqual(rate, 100.2, delta=10.0)
        peak = max(int(b[3]) for b in loud)
        trough = min(int(b[2]) for b in loud)
        self.assertAlmostEqual(peak, amplitude, delta=amplitude * 0.03)
        self.assertAlmostEqual(-trough, amplitude, delta=amplitude * 0.03)


if __name__ == "__main__":
    unittest.main()
