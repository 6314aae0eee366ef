"""The native configure of scripts/build.sh stops when a tool that the tests
or the man page need is missing, and shows why: the tool is hidden from a fresh configure by
mounting an empty device file over it in a private mount namespace (root)."""
import glob
import os
import re
import shutil
import subprocess
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def configure_without(paths):
    """Output and exit status of scripts/build.sh native in a fresh build
    folder, with the given files made unusable and a plain system PATH."""
    build = tempfile.mkdtemp(prefix="ventrok-configure-")
    hide = "; ".join("mount --bind /dev/null %s" % p for p in paths if os.path.exists(p))
    env = dict(os.environ, VENTROK_BUILD=build, PATH="/usr/sbin:/usr/bin:/sbin:/bin")
    try:
        result = subprocess.run(["unshare", "--mount", "bash", "-c",
                                 "%s; exec %s/scripts/build.sh native" % (hide, ROOT)],
                                env=env, capture_output=True, text=True, timeout=600)
    finally:
        shutil.rmtree(build, ignore_errors=True)
    return result.returncode, result.stdout + result.stderr


# Every interpreter CMake could take for python3, whatever its version.
PYTHON_INTERPRETERS = sorted(path for path in glob.glob("/usr/bin/python3*")
                             if re.fullmatch(r"/usr/bin/python3(\.[0-9]+)?", path))


class MissingTestTools(unittest.TestCase):
    def test_configure_fails_naming_the_missing_tool(self):
        cases = [
            (["/usr/bin/sox"], "sox not found: the tests of ventrok-analyze need it"),
            (["/usr/bin/pandoc"], "pandoc not found: the man page of ventrok-analyze"),
            (PYTHON_INTERPRETERS,
             "python3 not found: the tests of ventrok-analyze need it"),
        ]
        for hidden, message in cases:
            status, output = configure_without(hidden)
            self.assertNotEqual(status, 0, hidden)
            self.assertIn(message, output, hidden)
            # The configure's own report is shown, not thrown away.
            self.assertIn("-- The CXX compiler identification", output, hidden)
            self.assertNotIn("Built target", output, hidden)


if __name__ == "__main__":
    unittest.main()
