"""Drives the real Windows program under Wine for the end-to-end tests.

The run and test scripts start a session first (virtual display, private
sound server with a virtual microphone, Wine prefix); its environment is read
from the file that session_start names in VENTROK_SESSION_ENV.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("VENTROK_BUILD", os.path.join(ROOT, "build"))
WINDOWS_BUILD = os.path.join(BUILD, "windows")
ARTIFACTS = os.path.join(BUILD, "test-artifacts")


def session_environment():
    env = dict(os.environ)
    path = os.environ.get("VENTROK_SESSION_ENV", "")
    if not os.path.exists(path):
        return None  # no session running: only the pure helpers are usable
    with open(path) as f:
        for line in f:
            line = line.strip()
            if not line.startswith("export "):
                continue
            for item in line[len("export "):].split(" "):
                if "=" in item:
                    key, value = item.split("=", 1)
                    env[key] = value.strip("'")
    return env


ENV = session_environment()
NO_SESSION = ("no session is running: start one first "
              "(. scripts/session.sh; session_start headless)")


def exe(name):
    return os.path.join(WINDOWS_BUILD, name)


def cp932_hex(text):
    return text.encode("cp932").hex()


class Program:
    """One run of ventrok.exe (or the block-logging build) in its own folder."""

    def __init__(self, name="ventrok.exe", env=None, workdir=None, args=()):
        self.workdir = workdir or tempfile.mkdtemp(prefix="ventrok-e2e-")
        # The harness's own captures go here, never into the program's
        # folder, which a test may have made unwritable or full.
        self.scratch = tempfile.mkdtemp(prefix="ventrok-scratch-")
        self.env = env or ENV
        self.process = subprocess.Popen(["wine", exe(name), *args], cwd=self.workdir, env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wait_window(self, seconds=30):
        return probe("wait", str(seconds), env=self.env).returncode == 0

    def wait_exit(self, seconds=20):
        try:
            return self.process.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            return None

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def path(self, name):
        return os.path.join(self.workdir, name)

    def scratch_path(self, name):
        return os.path.join(self.scratch, name)


# Probe commands that only read or draw a picture: safe to run again. Those
# of the first set already wait for their window, and their exit code 1
# (not found, still there) is an answer in itself.
WAITING_READS = {"find", "gone", "wait", "wait-window", "window-wait", "window-gone",
                 "dialog-controls", "dialog-combo"}
PLAIN_READS = {"controls", "trackbars", "focus", "client", "capture", "render", "render-font", "file-menu",
               "render-oem", "render-decoded", "wave-devices", "gdi-count", "window-state",
               "window-controls", "window-trackbars", "window-capture", "fonts", "control-rects"}


PROBE_STARTED = "window_probe started"


def probe_verdict(command, returncode, stderr):
    """What to do with one run of the probe: "done", "failed" (report it and
    give up) or "again" (report it and run it again). Now and then on a busy
    desktop Wine runs the probe without it doing its work (the window missed,
    no output, or an exit code the probe never uses). A command that only
    reads is then run again; a command that acts on the program is run again
    only when its stderr proves the probe never started, so the action cannot
    have been taken."""
    if command in WAITING_READS:
        failed = returncode not in (0, 1, 2)  # 1 and 2 are answers of their own
    else:
        failed = returncode != 0
    if not failed:
        return "done"
    if command in WAITING_READS | PLAIN_READS or PROBE_STARTED not in stderr:
        return "again"
    return "failed"


def probe(*args, env=None):
    """Runs window_probe.exe, up to three times as probe_verdict allows;
    every failed run is reported on stderr."""
    for _ in range(3):
        result = subprocess.run(["wine", exe("window_probe.exe"), *args],
                                env=dict(env or ENV, VENTROK_PROBE_MARK="1"),
                                capture_output=True, text=True, timeout=60)
        verdict = probe_verdict(args[0], result.returncode, result.stderr)
        if verdict == "done":
            return result
        sys.stderr.write("probe %s ended with %d%s: %s\n"
                         % (" ".join(args), result.returncode,
                            "" if PROBE_STARTED in result.stderr else " before it started",
                            result.stderr.strip()[-300:]))
        if verdict == "failed":
            return result
        time.sleep(0.5)
    return result


def capture(path, env=None):
    """The main window's client area as a BMP at path; raises with what the
    probe said when it could not be taken."""
    result = probe("capture", path, env=env)
    if result.returncode != 0 or not os.path.exists(path):
        raise AssertionError("capture failed: %d %s" % (result.returncode, result.stderr))
    return path


def probe_lines(*args, env=None):
    result = probe(*args, env=env)
    return [line.split() for line in result.stdout.splitlines() if line.strip()]


def play(wav_path):
    """Plays a WAV into the virtual microphone; returns the paplay process."""
    env = dict(ENV, LC_ALL="C")
    return subprocess.Popen(["paplay", "-d", "micfeed", wav_path], env=env)


def read_bmp(path):
    """Returns (width, height, rows) of a 24-bit BMP, rows top first as bytes."""
    with open(path, "rb") as f:
        data = f.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        source_row = abs(height) - 1 - y if height > 0 else y
        start = offset + source_row * stride
        rows.append(data[start:start + width * 3])
    return width, abs(height), rows


def pixel(image, x, y):
    _, _, rows = image
    b, g, r = rows[y][3 * x:3 * x + 3]
    return r, g, b


def region(image, x, y, width, height):
    _, _, rows = image
    return [rows[row][3 * x:3 * (x + width)] for row in range(y, y + height)]


def keep_artifact(path, name):
    os.makedirs(ARTIFACTS, exist_ok=True)
    target = os.path.join(ARTIFACTS, name)
    shutil.copyfile(path, target)
    return target


# The decoded text line: characters from (28, 90), 19 pixels a line, up to
# x 1134 where the whitened area ends.
DECODED_LINE_X, DECODED_LINE_Y = 28, 90
DECODED_LINE_WIDTH = 1134 - DECODED_LINE_X


def decoded_line_difference(program, image, entries, name, from_row=0):
    """Where the first line of the decoded text in the captured image differs
    from the entries (kind, text) drawn in the decode font, each on its
    kind's colour, 9 pixels per byte, white after them; None when it does
    not. Rows above from_row are not compared. The expected line is kept as
    an artifact."""
    expected_path = program.scratch_path(name + "_expected.bmp")
    args = ["%d:%s" % (kind, cp932_hex(text)) for kind, text in entries]
    if probe("render-decoded", expected_path, str(DECODED_LINE_WIDTH), *args).returncode != 0:
        return "the expected line could not be drawn"
    keep_artifact(expected_path, name + "_expected.bmp")
    expected = read_bmp(expected_path)
    width, height, _ = expected
    actual_rows = region(image, DECODED_LINE_X, DECODED_LINE_Y, width, height)
    expected_rows = region(expected, 0, 0, width, height)
    if not any(b != 255 for row in expected_rows for b in row):
        return "the expected line is blank"
    # The first differing 9-pixel cell says which character.
    for y, (a, e) in enumerate(zip(actual_rows, expected_rows)):
        if y >= from_row and a != e:
            x = next(i for i in range(0, len(a), 3) if a[i:i + 3] != e[i:i + 3]) // 3
            return "%s: line differs first at cell %d (x %d, y %d)" % (
                name, x // 9, DECODED_LINE_X + x, DECODED_LINE_Y + y)
    return None


def write_tone_wav(path, seconds, frequency=700.0, amplitude=16384, lead_silence=0.2):
    """A plain tone with a lead of silence, written with sox."""
    subprocess.run(["sox", "-n", "-r", "11025", "-c", "1", "-b", "16", path,
                    "synth", str(seconds), "sine", str(frequency), "vol", str(amplitude / 32768.0),
                    "pad", str(lead_silence), "0"], check=True)


def wait_until(condition, seconds, what):
    """Calls condition until it returns a true value, which it returns; fails
    the test naming what did not happen when the time is up."""
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise AssertionError("%s did not happen within %g s" % (what, seconds))
        time.sleep(0.1)


def holds(condition, seconds, what):
    """Watches a condition that must stay true for the whole time (nothing
    may happen); fails the test naming it at the first moment it is false."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if not condition():
            raise AssertionError("%s stopped holding" % what)
        time.sleep(0.1)


def sound_streams(kind, env=None):
    """Names of the programs with a stream of that kind ("source-outputs":
    capture, "sink-inputs": output) on the session's sound server."""
    result = subprocess.run(["pactl", "list", kind], env=dict(env or ENV, LC_ALL="C"),
                            capture_output=True, text=True, timeout=30)
    return [line.split("=", 1)[1].strip().strip('"') for line in result.stdout.splitlines()
            if line.strip().startswith("application.name =")]


# Wine names a program's streams after the product name of its version
# resource: both builds of the program are "Ventrok".
PROGRAM_STREAM_NAME = "Ventrok"


def wait_devices_open(exe_name, env=None, seconds=20):
    """Waits until the program has opened its capture device and its monitor
    output (its first paint does), as the sound server sees them."""
    wait_until(lambda: PROGRAM_STREAM_NAME in sound_streams("source-outputs", env)
               and PROGRAM_STREAM_NAME in sound_streams("sink-inputs", env),
               seconds, "%s opening its capture device and monitor output" % exe_name)


def control_states(env=None):
    """id -> (enabled, caption hex) of the main window's controls."""
    return {int(r[0]): (int(r[2]), r[5] if len(r) > 5 else "")
            for r in probe_lines("controls", env=env)}


def wait_enabled(control_id, what, seconds=10, enabled=1, env=None):
    wait_until(lambda: control_states(env).get(control_id, (None,))[0] == enabled, seconds, what)


def drawn(program, x, y, width, height):
    """The client area captured when something is drawn in the rectangle
    (a pixel that is not white), else None."""
    path = program.scratch_path("drawn.bmp")
    capture(path)
    image = read_bmp(path)
    rows = region(image, x, y, width, height)
    return image if any(b != 255 for row in rows for b in row) else None


def recording_runs(program):
    """The elapsed-time line under the sweep, drawn only while recording."""
    return drawn(program, 10, 367, 120, 12)


def wait_started(what="the start of the measurement (停止 enabled)"):
    wait_enabled(1007, what)


def wait_automatic_stop(program, seconds=30):
    """Waits for the stop that the program makes 10 s after the last key-down:
    クリア enabled, then the next meter update's copy of the panels on screen
    (the 集計時間 text of the statistics panel, or the first stop text)."""
    wait_enabled(1015, "the automatic stop (クリア enabled)", seconds)
    wait_until(lambda: drawn(program, 120, 170, 60, 14) or drawn(program, 180, 200, 60, 14),
               5, "the statistics panel or the stop texts reaching the screen")


RETRY_LOG = os.path.join(ARTIFACTS, "retries.log")


def record_retry(test, evidence):
    """A test repeats a run only on evidence of a disturbance of the sound
    path that the program did not cause; every repeat is printed and logged
    with that evidence (scripts/test.sh counts them at the end)."""
    load = "load %.2f %.2f %.2f" % os.getloadavg()
    line = "RETRY %s: %s (%s)" % (test.id(), evidence, load)
    sys.stderr.write(line + "\n")
    os.makedirs(ARTIFACTS, exist_ok=True)
    with open(RETRY_LOG, "a") as f:
        f.write(line + "\n")


class ProgramTest(unittest.TestCase):
    """Base class: makes sure no program outlives its test."""

    def setUp(self):
        self.programs = []
        if ENV is None:
            self.fail(NO_SESSION)

    def start(self, name="ventrok.exe", **kwargs):
        """Starts the program and waits until it is up: the first paint has
        opened the devices, and a meter update has drawn the live histograms'
        axes (the MARK axis at y 630). With a recording on its command line
        the program measures it at once, and its bars may cover that point:
        only the devices are waited for then."""
        program = Program(name, **kwargs)
        self.programs.append(program)
        self.assertTrue(program.wait_window(), "main window did not appear")
        wait_devices_open(name, program.env)
        if kwargs.get("args"):
            return program

        def axes_drawn():
            path = program.scratch_path("started.bmp")
            capture(path)
            return pixel(read_bmp(path), 300, 630) == (0, 0, 0)

        wait_until(axes_drawn, 10, "the first meter update (the MARK axis)")
        return program

    def tearDown(self):
        for program in self.programs:
            if program.process.poll() is None:
                probe("command", "104", env=program.env)
                if program.wait_exit(10) is None:
                    program.kill()


def eventually(read, expected, seconds=5.0):
    """Reads until the value is the expected one or the time is up; returns
    the last value read (the program runs in another process, which may not
    have handled the message yet)."""
    deadline = time.time() + seconds
    value = read()
    while value != expected and time.time() < deadline:
        time.sleep(0.2)
        value = read()
    return value
