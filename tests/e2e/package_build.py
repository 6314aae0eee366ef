"""The Windows package for the package tests: built once per test module
with scripts/package.sh from what scripts/build.sh left in the build folder,
or the zip named by VENTROK_PACKAGE; and unpacked into an empty folder."""
import os
import subprocess
import tempfile
import zipfile

import harness

# The version the program shows ("Ventrok Ver0.5") names the package.
VERSION = "0.5"
TOP = "ventrok-%s" % VERSION
ZIP_NAME = "ventrok-%s-win64.zip" % VERSION
PACKAGE_SCRIPT = os.path.join(harness.ROOT, "scripts", "package.sh")


def run_package_script(script=PACKAGE_SCRIPT, build=harness.BUILD, output=None):
    """Runs the package script on an existing build; returns the finished process."""
    command = ["bash", script, "--no-build"] + (["--output", output] if output else [])
    env = dict(os.environ, VENTROK_BUILD=build)
    return subprocess.run(command, env=env, capture_output=True, text=True, timeout=300)


def package():
    """The path of the package zip."""
    given = os.environ.get("VENTROK_PACKAGE")
    if given:
        return given
    output = tempfile.mkdtemp(prefix="ventrok-package-")
    result = run_package_script(output=output)
    if result.returncode != 0:
        raise AssertionError("scripts/package.sh failed (%d):\n%s%s"
                             % (result.returncode, result.stdout, result.stderr))
    return os.path.join(output, ZIP_NAME)


def unpack(zip_path):
    """Unpacks the zip into a new empty folder; returns the package's own folder."""
    folder = tempfile.mkdtemp(prefix="ventrok-unpacked-")
    with zipfile.ZipFile(zip_path) as archive:
        archive.extractall(folder)
    return os.path.join(folder, TOP)


def keying_file_entries(path):
    """(measured seconds, timeline entries) of a keying data file, read here
    from its text."""
    with open(path, "rb") as f:
        lines = f.read().decode("cp932").split("\r\n")
    seconds = int(lines[1].split(",")[1])
    count = int(lines[2].split(",")[3])
    record = [int(value) for value in lines[8].split(",")]
    if len(record) != count + 1 or record[-1] != 0:
        raise AssertionError("the duration record does not hold %d entries and a 0" % count)
    return seconds, record[:-1]
