"""A sound server of its own for one test, set up like the session's (a
virtual microphone at 11025 Hz mono), so that the test can end it while the
program runs: the capture device then dies under the program, and no
captured block arrives any more."""
import os
import shutil
import signal
import subprocess
import tempfile

import harness

SESSION_SCRIPT = os.path.join(harness.ROOT, "scripts", "session.sh")


class PrivateSound:
    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="ventrok-sound-")
        # The session's own set-up of the sound server, in a folder of its
        # own: it waits until the server answers, fails naming what did not
        # come up, prints the server's address and records its processes.
        script = ('. "%s"; SESSION_DIR="%s"; : >"$SESSION_DIR/pids"; '
                  'session_start_audio >/dev/null || exit 1; echo "$PULSE_SERVER"'
                  % (SESSION_SCRIPT, self.folder))
        result = subprocess.run(["bash", "-c", script], capture_output=True, text=True,
                                env=dict(os.environ, LC_ALL="C"), timeout=60)
        self.server = result.stdout.strip()
        if result.returncode != 0 or not self.server.startswith("unix:"):
            self.end()
            raise AssertionError("the private sound server did not start: %s" % result.stderr)
        self.env = dict(harness.ENV, PULSE_SERVER=self.server)

    def play(self, wav_path):
        """Plays a WAV into this server's virtual microphone."""
        return subprocess.Popen(["paplay", "-d", "micfeed", wav_path],
                                env=dict(self.env, LC_ALL="C"))

    def end(self):
        """Ends the server and its readers at once."""
        pids = os.path.join(self.folder, "pids")
        if os.path.exists(pids):
            with open(pids) as f:
                # Each line: the process id, then its start time.
                for line in f:
                    if line.split():
                        try:
                            os.kill(int(line.split()[0]), signal.SIGKILL)
                        except ProcessLookupError:
                            pass
            os.remove(pids)

    def close(self):
        self.end()
        shutil.rmtree(self.folder, ignore_errors=True)
