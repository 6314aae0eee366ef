"""Figures: the time the program spends handling each captured block while
an operator keys for a minute (the instrumented build logs every block).
Run inside a session: scripts/bench-blocks.sh."""
import os
import statistics
import subprocess
import sys
import time

import harness
import keying


def main():
    seconds = int(sys.argv[1]) if len(sys.argv) > 1 else 60
    program = harness.Program("ventrok_blocklog.exe")
    try:
        if not program.wait_window():
            print("main window did not appear")
            return 1
        time.sleep(1.0)
        wav = program.path("minute.wav")
        words = "CQ CQ DE JA1VTK PARIS THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 1234567890 "
        text = (words * 20)[: seconds * 2]
        subprocess.run([keying.MAKE_KEYING_WAV, "text", wav, "--text", text, "--wpm", "20",
                        "--jitter", "0.1", "--seed", "7", "--tail-ms", "500"], check=True,
                       stdout=subprocess.DEVNULL)
        harness.probe("click", "1005")
        player = harness.play(wav)
        start = time.time()
        while player.poll() is None and time.time() - start < seconds:
            time.sleep(0.5)
        player.kill()
        harness.probe("click", "1007")
        time.sleep(1.0)
        with open(program.path("ventrok_blocks.log")) as f:
            rows = [line.split() for line in f if line.strip() and not line.startswith("#")]
        handling = [float(r[4]) for r in rows]
        print("blocks handled: %d over %.1f s" % (len(rows), float(rows[-1][0]) / 1000.0))
        print("handling time per block: mean %.3f ms, median %.3f ms, worst %.3f ms"
              % (statistics.mean(handling) / 1000.0, statistics.median(handling) / 1000.0,
                 max(handling) / 1000.0))
        return 0
    finally:
        harness.probe("command", "104")
        if program.wait_exit(10) is None:
            program.kill()


if __name__ == "__main__":
    sys.exit(main())
