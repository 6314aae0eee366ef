"""Wall time of ventrok-analyze on a folder of 20 one-minute recordings of
hand keying: measured one after another (one run per recording, as a script
would do without the batch), as one batch on one worker (--jobs 1), and as
one batch on every core. Prints the minimum and median of the runs, the
ratios to the one-after-another time, the CPU time and the load average
before and after, since the figures are only as quiet as the machine. Not
run by ctest.

    python3 tests/analyze/bench_batch.py [BUILD_DIR] [--runs N] [--keep DIR]
"""
import argparse
import os
import resource
import shutil
import statistics
import subprocess
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RECORDINGS = 20
SECONDS = 60


def make_folders(tool, folder):
    """20 one-minute keyings (the demo text at 16 to 25 wpm, each with its own
    seed), as 11025 Hz mono WAV and as 48000 Hz stereo WAV. Kept with --keep."""
    narrow = os.path.join(folder, "11025_mono")
    wide = os.path.join(folder, "48000_stereo")
    if os.path.isdir(narrow) and os.path.isdir(wide):
        return narrow, wide
    os.makedirs(narrow, exist_ok=True)
    os.makedirs(wide, exist_ok=True)
    with open(os.path.join(ROOT, "tools", "demo_text.txt")) as f:
        demo = " ".join(f.read().split())
    text_path = os.path.join(folder, "text.txt")
    with open(text_path, "w") as f:
        f.write(" ".join([demo] * 5))
    long_wav = os.path.join(folder, "long.wav")
    for i in range(RECORDINGS):
        name = "keying%02d.wav" % (i + 1)
        subprocess.run([tool, "text", long_wav, "--text-file", text_path,
                        "--wpm", str(16 + i % 10), "--jitter", "0.15", "--seed", str(100 + i),
                        "--noise", "300", "--rise-ms", "2", "--tail-ms", "1000"],
                       check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["sox", long_wav, os.path.join(narrow, name), "trim", "0", str(SECONDS)],
                       check=True)
        subprocess.run(["sox", os.path.join(narrow, name), "-r", "48000", "-c", "2", "-b", "16",
                        os.path.join(wide, name)], check=True)
    os.remove(long_wav)
    return narrow, wide


def load():
    with open("/proc/loadavg") as f:
        return f.read().split()[0]


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(commands):
    """Wall seconds and CPU seconds of running the commands one after another."""
    cpu = children_cpu()
    start = time.perf_counter()
    for command in commands:
        result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        if result.returncode not in (0, 3):
            raise SystemExit("failed: %s\n%s" % (" ".join(command), result.stderr.decode()))
    return time.perf_counter() - start, children_cpu() - cpu


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default=os.path.join(ROOT, "build", "native"))
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--keep", help="folder for the recordings (kept afterwards)")
    args = parser.parse_args()
    analyze = os.path.join(args.build, "ventrok-analyze")
    folder = args.keep or tempfile.mkdtemp(prefix="ventrok-batch-bench-")
    os.makedirs(folder, exist_ok=True)
    out = os.path.join(folder, "out")
    os.makedirs(out, exist_ok=True)
    try:
        folders = make_folders(os.path.join(args.build, "make_keying_wav"), folder)
        print("%d recordings of %d s; %d cores; load average before: %s; %d runs each"
              % (RECORDINGS, SECONDS, len(os.sched_getaffinity(0)), load(), args.runs))
        print("%-44s %8s %8s %8s %13s %11s" % ("", "wall min", "median", "CPU s",
                                                 "/ one by one", "/ --jobs 1"))
        for recordings in folders:
            names = sorted(os.listdir(recordings))
            for extra in ([], ["--tone-filter"]):
                label = os.path.basename(recordings) + (" --tone-filter" if extra else "")
                ways = [
                    ("one after another", [
                        [analyze, "measure", os.path.join(recordings, name), "--no-progress",
                         "-o", os.path.join(out, name[:-4] + ".csv")] + extra for name in names]),
                    ("batch, --jobs 1", [[analyze, "measure", recordings, "-o", out,
                                          "--no-progress", "--jobs", "1"] + extra]),
                    ("batch, every core", [[analyze, "measure", recordings, "-o", out,
                                            "--no-progress"] + extra]),
                ]
                print(label)
                medians = []
                # Interleaved, so that a change of the machine's load falls on
                # every way alike.
                runs = {name: [] for name, _ in ways}
                for _ in range(args.runs):
                    for name, commands in ways:
                        runs[name].append(timed(commands))
                # Ratios of the medians: to the runs one after another (the
                # target: at most 0.6 for the batch on every core) and to the
                # batch on one worker (what the threads alone gain).
                for name, _ in ways:
                    walls = [r[0] for r in runs[name]]
                    medians.append(statistics.median(walls))
                    print("  %-42s %8.3f %8.3f %8.3f %13.2f %11s" % (
                        name, min(walls), medians[-1], statistics.median(r[1] for r in runs[name]),
                        medians[-1] / medians[0],
                        "%.2f" % (medians[-1] / medians[1]) if len(medians) > 1 else ""))
        print("load average after: %s" % load())
    finally:
        if not args.keep:
            shutil.rmtree(folder)
        else:
            shutil.rmtree(out)


if __name__ == "__main__":
    main()
