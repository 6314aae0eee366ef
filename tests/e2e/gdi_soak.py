"""GDI leak soak: the program measures and decodes continuous keying for a
given number of minutes while its GDI object count is sampled every 30 s.
Run by scripts/soak-gdi.sh inside its own session:

    python3 gdi_soak.py MINUTES PROGRAM.exe

Every measurement ends by itself after 5 minutes of recording; the soak then
presses クリア and 開始 again, so the stop sequence (statistics panel, data
file) is exercised as well. Exits 1 when the count grew after the settling
period, 2 when no count can be read.
"""
import os
import subprocess
import sys
import threading
import time

import harness
import keying
from harness import probe, probe_lines

SAMPLE_SECONDS = 30
# Samples of the first minute and a half are the settling period: fonts,
# caches and the first stop sequence may take objects once.
SETTLE_SAMPLES = 4
# A sample may fall in the middle of a drawing that holds a font, a pen and
# a memory DC for a moment.
TOLERANCE = 4
KEYING_TEXT = ("CQ CQ CQ DE JA1VTK JA1VTK JA1VTK PSE K = THE QUICK BROWN FOX JUMPS OVER "
               "THE LAZY DOG 1234567890 ? / . , = RST 599 QTH TOKYO NAME KEN HW? AR ")


class Player:
    """Plays one WAV into the microphone again and again until stopped."""

    def __init__(self, wav):
        self.wav = wav
        self.stopped = threading.Event()
        self.process = None
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        while not self.stopped.is_set():
            self.process = harness.play(self.wav)
            self.process.wait()

    def stop(self):
        self.stopped.set()
        if self.process and self.process.poll() is None:
            self.process.terminate()
            self.process.wait()
        self.thread.join(10)


def enabled(control_id):
    for row in probe_lines("controls"):
        if row[0] == str(control_id):
            return int(row[2]) == 1
    return False


def read_count():
    """(count, detail): the counting build's live objects when it runs,
    otherwise GetGuiResources."""
    fields = probe("gdi-count").stdout.split()
    if len(fields) >= 10 and int(fields[1]) >= 0:
        return int(fields[1]), "pens %s brushes %s fonts %s bitmaps %s regions %s " \
            "memory DCs %s window DCs %s, created %s" % tuple(fields[2:10])
    if fields and int(fields[0]) > 0:
        return int(fields[0]), "GetGuiResources"
    return None, " ".join(fields)


def main():
    minutes = float(sys.argv[1]) if len(sys.argv) > 1 else 10.0
    program_name = sys.argv[2] if len(sys.argv) > 2 else "ventrok.exe"
    program = harness.Program(program_name)
    player = None
    try:
        if not program.wait_window():
            print("main window did not appear")
            return 2
        time.sleep(1.0)
        wav = program.path("soak.wav")
        subprocess.run([keying.MAKE_KEYING_WAV, "text", wav, "--text", KEYING_TEXT, "--wpm", "20",
                        "--jitter", "0.1", "--seed", "7", "--tail-ms", "0", "--lead-ms", "100"],
                       check=True, stdout=subprocess.DEVNULL)
        probe("click", "1021")  # 単位時間表示: the decoder writes the read-outs too
        probe("click", "1005")
        time.sleep(0.5)
        player = Player(wav)
        start = time.monotonic()
        samples, restarts = [], 0
        next_sample = 0.0
        while True:
            elapsed = time.monotonic() - start
            if elapsed >= next_sample:
                count, detail = read_count()
                if count is None:
                    print("no GDI object count can be read (%s)" % detail)
                    return 2
                samples.append(count)
                print("%6.0f s  %5d  %s" % (elapsed, count, detail), flush=True)
                next_sample += SAMPLE_SECONDS
                if next_sample > minutes * 60 + 1:
                    break
            # Stopped (after 5 minutes of recording): clear and start again.
            if enabled(1015) and not enabled(1007):
                probe("click", "1015")
                time.sleep(0.3)
                probe("click", "1005")
                restarts += 1
                print("%6.0f s  measurement stopped by itself: cleared and started again"
                      % (time.monotonic() - start), flush=True)
            time.sleep(2.0)
        if program.process.poll() is not None:
            print("the program ended during the soak")
            return 1
    finally:
        if player:
            player.stop()
        if program.process.poll() is None:
            probe("click", "1007")
            probe("command", "104")
            if program.wait_exit(15) is None:
                program.kill()

    settled = max(samples[:SETTLE_SAMPLES])
    later = samples[SETTLE_SAMPLES:]
    print("series: %s" % " ".join(str(s) for s in samples))
    print("restarts: %d; settled at %d; largest afterwards %d; last %d"
          % (restarts, settled, max(later) if later else settled, samples[-1]))
    if later and max(later) > settled + TOLERANCE:
        print("GDI object count grew")
        return 1
    print("no growth")
    return 0


if __name__ == "__main__":
    sys.exit(main())
