"""Throughput of ventrok-analyze: seconds of recording analysed per second of
wall time for a one-hour keying at 11025 Hz mono and at 48000 Hz stereo
(reading, mixing, resampling, detection, decoding and the evaluations all
included). Prints the figures; not run by ctest (it takes minutes).

    python3 tests/analyze/bench_analyze.py [BUILD_DIR] [--runs N] [--keep DIR]
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def make_hour(tool, folder):
    """One hour of hand keying: the demo text looped, 20 wpm with jitter,
    noise and shaped edges, as an 11025 Hz mono WAV and a 48000 Hz stereo
    16-bit WAV."""
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
    hour_11k = os.path.join(folder, "hour_11025_mono.wav")
    subprocess.run(["sox", long_wav, hour_11k, "trim", "0", "3600"], check=True)
    os.remove(long_wav)
    hour_48k = os.path.join(folder, "hour_48000_stereo.wav")
    subprocess.run(["sox", hour_11k, "-r", "48000", "-c", "2", "-b", "16", hour_48k], check=True)
    return [("11025 Hz mono 16-bit WAV", hour_11k), ("48000 Hz stereo 16-bit WAV", hour_48k)]


def seconds_of(path):
    out = subprocess.run(["soxi", "-D", path], check=True, capture_output=True, text=True)
    return float(out.stdout)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default=os.path.join(ROOT, "build", "native"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--keep", help="folder for the recordings (kept afterwards)")
    args = parser.parse_args()
    analyze = os.path.join(args.build, "ventrok-analyze")
    folder = args.keep or tempfile.mkdtemp(prefix="ventrok-bench-")
    os.makedirs(folder, exist_ok=True)
    try:
        recordings = make_hour(os.path.join(args.build, "make_keying_wav"), folder)
        print("%-28s %-9s %-10s %8s %8s %8s" % ("recording", "resampler", "mode", "audio s",
                                                "wall s", "audio/wall"))
        for name, path in recordings:
            print("%s: %.1f s" % (name, seconds_of(path)))
            resamplers = ["best", "medium"] if "48000" in name else ["-"]
            for resampler in resamplers:
                for mode in ("continuous", "single"):
                    command = [analyze, "measure", path, "--json", "--no-progress",
                               "-o", os.path.join(folder, "out.csv")]
                    if mode == "continuous":
                        command.append("--continuous")
                    if resampler != "-":
                        command += ["--resampler", resampler]
                    walls = []
                    for _ in range(args.runs):
                        start = time.perf_counter()
                        out = subprocess.run(command, check=True, capture_output=True)
                        walls.append(time.perf_counter() - start)
                    wall = statistics.median(walls)
                    # A single measurement stops itself after 5 minutes of
                    # clock: only the recording up to its stop is analysed.
                    measurements = json.loads(out.stdout)["measurements"]
                    analysed = measurements[-1]["stop_seconds"]
                    print("%-28s %-9s %-10s %8.1f %8.2f %8.0f   (%d measurements)"
                          % (name, resampler, mode, analysed, wall, analysed / wall,
                             len(measurements)))
    finally:
        if not args.keep:
            shutil.rmtree(folder)


if __name__ == "__main__":
    main()
