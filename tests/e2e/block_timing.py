"""Figures: the time the program spends handling each captured block while
an operator keys for a minute (the instrumented build logs every block).
Run inside a session: scripts/bench-blocks.sh. With "recording" first: how
long five minutes of keying at 48 kHz stereo, given on the command line,
take to measure and draw (the log notes the measurement's start and end),
and how the captured input fared meanwhile: scripts/bench-recording.sh."""
import os
import statistics
import subprocess
import sys
import tempfile
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


def recording_measured(program):
    """(seconds from the file's opening to the stop drawn, captured blocks
    meanwhile, longest wait between two of them in ms)."""
    log, notes, deadline = program.path("ventrok_blocks.log"), {}, time.time() + 60
    while time.time() < deadline and "recording measured" not in notes:
        time.sleep(0.2)
        if os.path.exists(log):
            with open(log) as f:
                rows = [line.split() for line in f if line.strip()]
            notes = {" ".join(r[2:]): float(r[1]) for r in rows if r[0] == "#"}
    if "recording measured" not in notes:
        raise RuntimeError("the recording was not measured within 60 s")
    start, end = notes["recording started"], notes["recording measured"]
    arrivals = [float(r[0]) for r in rows if r[0] != "#" and start <= float(r[0]) <= end]
    waits = [b - a for a, b in zip([start] + arrivals, arrivals + [end])]
    return (end - start) / 1000.0, len(arrivals), max(waits)


def recording():
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    folder = tempfile.mkdtemp(prefix="ventrok-recording-bench-")
    plain, wav = os.path.join(folder, "keying.wav"), os.path.join(folder, "keying-48k.wav")
    words = "CQ CQ DE JA1VTK PARIS THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 1234567890 "
    subprocess.run([keying.MAKE_KEYING_WAV, "text", plain, "--text", words * 8, "--wpm", "20",
                    "--jitter", "0.15", "--seed", "7", "--noise", "200", "--tail-ms", "500"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["sox", plain, "-r", "48000", "-c", "2", "-b", "16", wav, "trim", "0", "300"],
                   check=True)
    times = []
    for number in range(runs):
        program = harness.Program("ventrok_blocklog.exe", args=["Z:" + wav.replace("/", "\\")])
        try:
            seconds, blocks, longest_wait = recording_measured(program)
        finally:
            harness.probe("command", "104")
            if program.wait_exit(10) is None:
                program.kill()
        times.append(seconds)
        print("run %d: measured and drawn in %.3f s; %d captured blocks handled meanwhile, "
              "the longest wait between two %.0f ms" % (number + 1, seconds, blocks, longest_wait))
    print("5 min of keying at 48 kHz stereo: median %.3f s, worst %.3f s over %d runs "
          "(load average %.2f)" % (statistics.median(times), max(times), runs, os.getloadavg()[0]))
    return 0


if __name__ == "__main__":
    sys.exit(recording() if sys.argv[1:2] == ["recording"] else main())
