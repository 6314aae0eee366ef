"""Throughput and memory of ventrok-analyze on one hour of hand keying, at
11025 Hz mono and at 48000 Hz stereo: wall time (minimum and median of the
runs), CPU time and peak memory (/usr/bin/time), with the load average
before and after, since the figures are only as quiet as the machine.
Prints the figures; not run by ctest (it takes a minute or two).

    python3 tests/analyze/bench_analyze.py [BUILD_DIR] [--runs N] [--keep DIR]
                                           [--callgrind]

--callgrind adds instruction counts of the 11025 Hz hour, split into the
measurement (detector, decoder and the engine's calls per block), the
reading of the recording and the rest (printing, start-up): the figure to
compare versions of the same code on a busy machine.
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def make_hour(tool, folder):
    """One hour of hand keying: the demo text looped, 20 wpm with jitter,
    noise and shaped edges, as an 11025 Hz mono WAV and a 48000 Hz stereo
    16-bit WAV. Kept between runs with --keep."""
    hour_11k = os.path.join(folder, "hour_11025_mono.wav")
    hour_48k = os.path.join(folder, "hour_48000_stereo.wav")
    if os.path.exists(hour_11k) and os.path.exists(hour_48k):
        return hour_11k, hour_48k
    with open(os.path.join(ROOT, "tools", "demo_text.txt")) as f:
        demo = " ".join(f.read().split())
    # One copy of the demo text lasts about 19 s at 20 wpm; 200 pass an hour.
    text_path = os.path.join(folder, "hour.txt")
    with open(text_path, "w") as f:
        f.write(" ".join([demo] * 200))
    long_wav = os.path.join(folder, "long.wav")
    subprocess.run([tool, "text", long_wav, "--text-file", text_path, "--wpm", "20",
                    "--jitter", "0.15", "--seed", "7", "--noise", "300", "--rise-ms", "2",
                    "--tail-ms", "1000"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["sox", long_wav, hour_11k, "trim", "0", "3600"], check=True)
    os.remove(long_wav)
    subprocess.run(["sox", hour_11k, "-r", "48000", "-c", "2", "-b", "16", hour_48k], check=True)
    return hour_11k, hour_48k


def load():
    with open("/proc/loadavg") as f:
        return f.read().split()[0]


def timed(command):
    """Wall seconds, CPU seconds and peak resident memory in MB of one run."""
    start = time.perf_counter()
    result = subprocess.run(["/usr/bin/time", "-f", "%U %S %M"] + command,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=True)
    wall = time.perf_counter() - start
    user, system, kilobytes = result.stderr.decode().strip().splitlines()[-1].split()
    return wall, float(user) + float(system), int(kilobytes) / 1024.0


# Functions of the measurement itself (the engine) and of the reading, as
# callgrind names them.
ENGINE = re.compile(r"engine_|detector_|decode_|decoder|on_show_decoded_text|"
                    r"on_recording_started|measure_recording|timeline_|apply_clipping|"
                    r"compute_keying_statistics|format_keying_data_file")
READING = re.compile(r"read_capture_samples|recording_|libsndfile|libsoxr|resampler_|"
                     r"refill|memcpy|memmove|memset|read_mono|tone_filter")


def callgrind_split(command, folder):
    out = os.path.join(folder, "callgrind.out")
    subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out] + command,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    report = subprocess.run(["callgrind_annotate", "--threshold=100", out],
                            capture_output=True, text=True, check=True).stdout
    total = engine = reading = 0
    rows = []
    for line in report.splitlines():
        match = re.match(r"\s*([\d,]+) \([\s\d.]+%\)\s+(.*)", line)
        if not match:
            continue
        count = int(match.group(1).replace(",", ""))
        name = match.group(2)
        if "PROGRAM TOTALS" in name:
            total = count
            continue
        if ENGINE.search(name):
            engine += count
        elif READING.search(name):
            reading += count
        rows.append((count, name))
    print("instructions (callgrind), total %.3f G:" % (total / 1e9))
    print("  measurement (detector, decoder, per-block calls)  %.3f G  %5.1f %%"
          % (engine / 1e9, 100.0 * engine / total))
    print("  reading the recording                              %.3f G  %5.1f %%"
          % (reading / 1e9, 100.0 * reading / total))
    rest = total - engine - reading
    print("  the rest (printing, start-up)                      %.3f G  %5.1f %%"
          % (rest / 1e9, 100.0 * rest / total))
    print("  largest functions:")
    for count, name in sorted(rows, reverse=True)[:8]:
        print("    %8.1f M  %s" % (count / 1e6, name[:110]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default=os.path.join(ROOT, "build", "native"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--keep", help="folder for the recordings (kept afterwards)")
    parser.add_argument("--callgrind", action="store_true")
    args = parser.parse_args()
    analyze = os.path.join(args.build, "ventrok-analyze")
    folder = args.keep or tempfile.mkdtemp(prefix="ventrok-bench-")
    os.makedirs(folder, exist_ok=True)
    try:
        hour_11k, hour_48k = make_hour(os.path.join(args.build, "make_keying_wav"), folder)
        out_csv = os.path.join(folder, "out.csv")
        cases = [
            ("11025 Hz mono, 1 h, --continuous", [hour_11k, "--continuous"]),
            ("11025 Hz mono, 1 h, --continuous --json", [hour_11k, "--continuous", "--json"]),
            ("11025 Hz mono, first 5 min (single)", [hour_11k]),
            ("48000 Hz stereo, 1 h, --continuous", [hour_48k, "--continuous"]),
            ("48000 Hz stereo, first 5 min (single)", [hour_48k]),
            ("11025 Hz mono, 1 h, --continuous --tone-filter 700",
             [hour_11k, "--continuous", "--tone-filter", "700"]),
            ("48000 Hz stereo, 1 h, --continuous --tone-filter",
             [hour_48k, "--continuous", "--tone-filter"]),
        ]
        print("load average before: %s; %d runs each" % (load(), args.runs))
        print("%-52s %8s %8s %8s %9s" % ("recording", "wall min", "median", "CPU s", "peak MB"))
        for name, options in cases:
            command = [analyze, "measure"] + options + ["--no-progress", "-o", out_csv]
            runs = [timed(command) for _ in range(args.runs)]
            walls = [r[0] for r in runs]
            print("%-52s %8.3f %8.3f %8.3f %9.1f" % (
                name, min(walls), statistics.median(walls),
                statistics.median(r[1] for r in runs), max(r[2] for r in runs)))
        print("load average after: %s" % load())
        if args.callgrind:
            print("\n11025 Hz mono, 1 h, --continuous:")
            callgrind_split([analyze, "measure", hour_11k, "--continuous", "--no-progress",
                             "-o", out_csv], folder)
    finally:
        if not args.keep:
            shutil.rmtree(folder)


if __name__ == "__main__":
    main()
