"""Figures: how long the window takes to measure and draw a recording of
five minutes of keying at 48 kHz stereo, given on its command line, and how
the captured input fared meanwhile (the instrumented build logs the
measurement's start and end and every captured block). Run inside a
session: scripts/bench-recording.sh [runs]."""
import os
import statistics
import subprocess
import sys
import tempfile
import time

import harness
import keying

WORDS = "CQ CQ DE JA1VTK PARIS THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 1234567890 "


def five_minutes_at_48k(folder):
    plain = os.path.join(folder, "keying.wav")
    wav = os.path.join(folder, "keying-48k-stereo.wav")
    subprocess.run([keying.MAKE_KEYING_WAV, "text", plain, "--text", WORDS * 8, "--wpm", "20",
                    "--jitter", "0.15", "--seed", "7", "--noise", "200", "--tail-ms", "500"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["sox", plain, "-r", "48000", "-c", "2", "-b", "16", wav, "trim", "0", "300"],
                   check=True)
    return wav


def one_run(wav):
    """(seconds from the file's opening to the stop drawn, captured blocks
    meanwhile, longest wait between two of them in ms)."""
    program = harness.Program("ventrok_blocklog.exe", args=["Z:" + wav.replace("/", "\\")])
    log = program.path("ventrok_blocks.log")
    try:
        deadline = time.time() + 60
        notes = {}
        while time.time() < deadline and "recording measured" not in notes:
            time.sleep(0.2)
            if os.path.exists(log):
                with open(log) as f:
                    rows = [line.split() for line in f]
                notes = {" ".join(r[2:]): float(r[1]) for r in rows if r and r[0] == "#"}
        if "recording measured" not in notes:
            raise RuntimeError("the recording was not measured within 60 s")
        start, end = notes["recording started"], notes["recording measured"]
        arrivals = [float(r[0]) for r in rows if r and r[0] != "#" and start <= float(r[0]) <= end]
        waits = [b - a for a, b in zip([start] + arrivals, arrivals + [end])]
        return (end - start) / 1000.0, len(arrivals), max(waits)
    finally:
        harness.probe("command", "104")
        if program.wait_exit(10) is None:
            program.kill()


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    folder = tempfile.mkdtemp(prefix="ventrok-recording-bench-")
    wav = five_minutes_at_48k(folder)
    times = []
    for run in range(runs):
        seconds, blocks, longest_wait = one_run(wav)
        times.append(seconds)
        print("run %d: measured and drawn in %.3f s; %d captured blocks handled meanwhile, "
              "the longest wait between two %.0f ms" % (run + 1, seconds, blocks, longest_wait))
    print("5 min of keying at 48 kHz stereo: median %.3f s, worst %.3f s over %d runs "
          "(load average %.2f)" % (statistics.median(times), max(times), runs, os.getloadavg()[0]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
