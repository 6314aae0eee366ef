"""Sessions of scripts/session.sh side by side, as a test run and
scripts/run.sh start them: the second takes its own display, sound server and
Wine prefix, and starting or stopping it leaves the first one's processes and
environment as they were. A start-up whose display or sound server does not
come up fails at once and says which."""
import os
import shutil
import subprocess
import tempfile
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("VENTROK_BUILD", os.path.join(ROOT, "build"))
SESSION_SCRIPT = os.path.join(ROOT, "scripts", "session.sh")


def process_start(pid):
    """The start time of a process, or None when it does not run."""
    try:
        with open("/proc/%s/stat" % pid) as f:
            return f.read().rsplit(") ", 1)[1].split()[19]
    except (OSError, IndexError):
        return None


def recorded_processes(session_dir):
    with open(os.path.join(session_dir, "pids")) as f:
        return [tuple(line.split()) for line in f if line.strip()]


def lasting(processes):
    """Those of the processes that run for the session's whole life: its
    display, sound server and monitor readers (Wine decides when the desktop
    window's process ends)."""
    found = []
    for pid, start in processes:
        try:
            with open("/proc/%s/comm" % pid) as f:
                name = f.read().strip()
        except OSError:
            continue
        if process_start(pid) == start and "wine" not in name and not name.endswith(".exe"):
            found.append((pid, start))
    return found


def running(processes):
    return [pid for pid, start in processes if process_start(pid) == start]


def read_env(path):
    env = {}
    with open(path) as f:
        for line in f:
            for item in line.strip()[len("export "):].split(" "):
                if "=" in item:
                    key, value = item.split("=", 1)
                    env[key] = value.strip("'")
    return env


class Session:
    """A session started by a shell of its own, which keeps it until told to
    stop (a file appears), then stops it and ends."""

    def __init__(self, path=None):
        self.folder = tempfile.mkdtemp(prefix="ventrok-session-test-")
        self.ready = os.path.join(self.folder, "ready")
        self.stop_file = os.path.join(self.folder, "stop")
        script = ('. "%s"; session_start headless || exit 3; echo "$VENTROK_SESSION_ENV" > "%s"; '
                  'while [ ! -e "%s" ]; do sleep 0.2; done; session_stop'
                  % (SESSION_SCRIPT, self.ready, self.stop_file))
        env = dict(os.environ, VENTROK_BUILD=BUILD)
        env.pop("VENTROK_SESSION_ENV", None)
        env.pop("DISPLAY", None)
        if path:
            env["PATH"] = path
        self.log = open(os.path.join(self.folder, "log"), "w+")  # closed by stop()
        self.shell = subprocess.Popen(["bash", "-c", script], env=env, stdout=self.log,
                                      stderr=subprocess.STDOUT)

    def wait_ready(self, seconds=600):
        """The session's environment file, once it is up; None when the shell
        ended first."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if os.path.exists(self.ready):
                with open(self.ready) as f:
                    return f.read().strip()
            if self.shell.poll() is not None:
                return None
            time.sleep(0.2)
        raise AssertionError("the session did not start within %d s:\n%s" % (seconds, self.output()))

    def output(self):
        self.log.seek(0)
        return self.log.read()

    def stop(self):
        """Exit status and output of the session's shell (again the same when
        it has stopped already)."""
        if self.log.closed:
            return self.shell.returncode, ""
        open(self.stop_file, "w").close()
        status = self.shell.wait(120)
        output = self.output()
        self.log.close()
        shutil.rmtree(self.folder, ignore_errors=True)
        return status, output


class SideBySide(unittest.TestCase):
    def test_a_second_session_leaves_the_first_intact(self):
        # The session of the test run that runs this test is the first one;
        # without one, the test starts its own.
        first = None
        first_env_path = os.environ.get("VENTROK_SESSION_ENV")
        if not first_env_path:
            first = Session()
            self.addCleanup(first.stop)
            first_env_path = first.wait_ready()
            self.assertIsNotNone(first_env_path, first.output())
        first_dir = os.path.dirname(first_env_path)
        with open(first_env_path) as f:
            first_env_text = f.read()
        first_processes = recorded_processes(first_dir)
        first_lasting = lasting(first_processes)
        first_running = running(first_lasting)
        self.assertGreaterEqual(len(first_running), 4)  # display, sound server, readers

        second = Session()
        self.addCleanup(second.stop)
        second_env_path = second.wait_ready()
        self.assertIsNotNone(second_env_path, second.output())
        second_processes = lasting(recorded_processes(os.path.dirname(second_env_path)))
        second_env, first_env = read_env(second_env_path), read_env(first_env_path)
        for key in ("DISPLAY", "PULSE_SERVER", "WINEPREFIX", "VENTROK_SESSION_ENV"):
            self.assertNotEqual(second_env[key], first_env[key], key)

        # Starting the second changed nothing of the first.
        self.assertEqual(recorded_processes(first_dir), first_processes)
        self.assertEqual(running(first_lasting), first_running)
        with open(first_env_path) as f:
            self.assertEqual(f.read(), first_env_text)

        # Stopping it ends its own processes only.
        status, output = second.stop()
        self.assertEqual(status, 0, output)
        self.assertEqual(running(second_processes), [])
        self.assertEqual(running(first_lasting), first_running)
        self.assertEqual(recorded_processes(first_dir), first_processes)

        if first:
            self.assertEqual(first.stop()[0], 0)
            self.assertEqual(running(first_lasting), [])


class OwnerGone(unittest.TestCase):
    def test_what_a_dead_owner_left_running_is_stopped_at_the_next_start(self):
        orphaned = Session()
        self.addCleanup(orphaned.stop)
        env_path = orphaned.wait_ready()
        self.assertIsNotNone(env_path, orphaned.output())
        left = lasting(recorded_processes(os.path.dirname(env_path)))
        self.assertGreaterEqual(len(left), 4)
        orphaned.shell.kill()  # its owner ends without stopping it
        orphaned.shell.wait()
        self.assertEqual(running(left), [p for p, _ in left])

        later = Session()
        self.addCleanup(later.stop)
        self.assertIsNotNone(later.wait_ready(), later.output())
        self.assertEqual(running(left), [])
        self.assertIn("whose owner ended without stopping it", later.output())


class StartUpFailures(unittest.TestCase):
    def test_a_part_that_does_not_come_up_fails_the_start_with_its_name(self):
        cases = [
            # "it ended at once": given up as soon as the part ended, not
            # after the 10 s it would wait for one that does not answer.
            ("Xvfb", "the virtual display (Xvfb) did not start: it ended at once"),
            ("pulseaudio", "the sound server did not start: it ended at once"),
        ]
        for program, message in cases:
            fake_bin = tempfile.mkdtemp(prefix="ventrok-fake-")
            fake = os.path.join(fake_bin, program)
            with open(fake, "w") as f:
                f.write("#!/bin/sh\nexit 1\n")
            os.chmod(fake, 0o755)
            session = Session(path=fake_bin + ":" + os.environ["PATH"])
            self.addCleanup(session.stop)
            self.assertIsNone(session.wait_ready(60), program)
            self.assertEqual(session.shell.returncode, 3, program)
            self.assertIn(message, session.output(), program)
            session.stop()
            shutil.rmtree(fake_bin)


class StopUnderErrexit(unittest.TestCase):
    """run.sh and the other scripts stop their session from an EXIT trap
    with errexit on: a stop that meets a process or Wine server already
    gone must still stop the rest and not turn the script's exit into 1."""

    def run_script(self, body):
        script = 'set -euo pipefail; . "%s"; %s; echo finished' % (SESSION_SCRIPT, body)
        return subprocess.run(["bash", "-c", script], capture_output=True, text=True,
                              env=dict(os.environ, VENTROK_BUILD=BUILD), timeout=60)

    def test_a_process_that_ends_between_the_check_and_the_kill(self):
        folder = tempfile.mkdtemp(prefix="ventrok-session-test-")
        self.addCleanup(shutil.rmtree, folder, True)
        pids = os.path.join(folder, "pids")
        # The recorded process runs at the check; the kill then finds it gone
        # (kill answers 1 after ending it here).
        result = self.run_script(
            'sleep 30 & echo "$! $(session_process_start $!)" > "%s"; '
            'kill() { command kill "$@"; return 1; }; session_kill_recorded "%s"' % (pids, pids))
        self.assertEqual((result.returncode, result.stdout.strip()), (0, "finished"),
                         result.stderr)

    def test_a_session_whose_wine_server_is_gone(self):
        folder = tempfile.mkdtemp(prefix="ventrok-session-test-")
        self.addCleanup(shutil.rmtree, folder, True)
        # A slot with an owner, nothing recorded, and a prefix no server runs for.
        result = self.run_script(
            'SESSION_DIR="%s"; SESSION_SLOT=99; touch "$SESSION_DIR/owner"; '
            'session_prefix_of_slot() { echo "%s/prefix"; }; session_stop' % (folder, folder))
        self.assertEqual((result.returncode, result.stdout.strip()), (0, "finished"),
                         result.stderr)
        self.assertFalse(os.path.exists(os.path.join(folder, "owner")))


if __name__ == "__main__":
    unittest.main()
