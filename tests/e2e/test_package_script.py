"""The package script on a copy of the parts it packages: it names a missing
or unusable part, fails, and leaves no zip behind (an earlier zip stays as
it was, and no half-made one appears)."""
import os
import shutil
import stat
import tempfile
import unittest

import harness
import package_build
from package_build import ZIP_NAME

# What the script packages from the source tree, copied for each test.
SOURCE_PARTS = ["scripts", "docs/manual", "win32/resources/version.h",
                "tests/data/demo_keying.wav", "LICENSE"]
BUILD_PARTS = ["windows/ventrok.exe", "native/ventrok-analyze"]


class PackageScript(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="ventrok-package-parts-")
        self.source = os.path.join(self.work, "source")
        self.build = os.path.join(self.work, "build")
        for part in SOURCE_PARTS:
            self.copy(os.path.join(harness.ROOT, part), os.path.join(self.source, part))
        for part in BUILD_PARTS:
            self.copy(os.path.join(harness.BUILD, part), os.path.join(self.build, part))
        self.dist = os.path.join(self.build, "dist")
        self.zip_path = os.path.join(self.dist, ZIP_NAME)

    def tearDown(self):
        shutil.rmtree(self.work, ignore_errors=True)

    @staticmethod
    def copy(source, target):
        os.makedirs(os.path.dirname(target), exist_ok=True)
        if os.path.isdir(source):
            shutil.copytree(source, target)
        else:
            shutil.copy2(source, target)

    def run_script(self):
        return package_build.run_package_script(
            script=os.path.join(self.source, "scripts", "package.sh"), build=self.build)

    def zip_state(self):
        """The zip's bytes and modification time, or None; fails on anything
        else left in the output folder."""
        left = sorted(os.listdir(self.dist)) if os.path.isdir(self.dist) else []
        self.assertIn(left, ([], [ZIP_NAME]), "left in the output folder: %s" % left)
        if not left:
            return None
        with open(self.zip_path, "rb") as f:
            return f.read(), os.stat(self.zip_path).st_mtime_ns

    def assert_fails_and_keeps_the_zip(self, expected_message, what):
        before = self.zip_state()
        result = self.run_script()
        self.assertNotEqual(result.returncode, 0, what)
        self.assertIn(expected_message, result.stderr, what)
        self.assertEqual(self.zip_state(), before, what)

    def test_the_complete_copy_packages(self):
        result = self.run_script()
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn(self.zip_path, result.stdout)
        self.assertIsNotNone(self.zip_state())

    def test_each_missing_part_is_named_and_no_zip_is_left(self):
        parts = [
            ("build", "windows/ventrok.exe"),
            ("build", "native/ventrok-analyze"),
            ("source", "tests/data/demo_keying.wav"),
            ("source", "docs/manual/manual.md"),
            ("source", "docs/manual/manual.css"),
            ("source", "docs/manual/images/statistics.png"),
            ("source", "docs/manual/はじめにお読みください.txt"),
            ("source", "LICENSE"),
        ]
        # Without an earlier zip none appears; with one, it stays as it was.
        for earlier_zip in (False, True):
            if earlier_zip:
                self.assertEqual(self.run_script().returncode, 0)
            for tree, part in parts:
                path = os.path.join(self.work, tree, part)
                # Files of the source tree are named from its root.
                named = path if tree == "build" else part
                hidden = path + ".away"
                os.rename(path, hidden)
                try:
                    self.assert_fails_and_keeps_the_zip("missing: %s" % named, (part, earlier_zip))
                finally:
                    os.rename(hidden, path)
        # Two parts missing at once are both named.
        for part in ("LICENSE", "tests/data/demo_keying.wav"):
            os.remove(os.path.join(self.source, part))
        result = self.run_script()
        self.assertNotEqual(result.returncode, 0)
        for part in ("LICENSE", "tests/data/demo_keying.wav"):
            self.assertIn("missing: %s\n" % part, result.stderr)

    def test_unusable_parts_fail_after_packing_began_and_leave_no_zip(self):
        self.assertEqual(self.run_script().returncode, 0)
        version_header = os.path.join(self.source, "win32/resources/version.h")
        readme = os.path.join(self.source, "docs/manual/はじめにお読みください.txt")
        analyze = os.path.join(self.build, "native/ventrok-analyze")
        cases = [
            # A version header without the two numbers.
            (version_header, "#define VENTROK_VERSION_TEXT \"0.5\"\n", "no version numbers"),
            # A read-me with a character that code page 932 cannot hold.
            (readme, "Ventrok ♫\n", "cannot be written in code page 932"),
            # A measurement that writes half a keying data file and fails.
            (analyze, "#!/bin/sh\necho 打鍵データ > \"$4\"\nexit 1\n", "measuring"),
        ]
        for path, text, expected_message in cases:
            with open(path, "rb") as f:
                original = f.read()
            mode = os.stat(path).st_mode
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
            os.chmod(path, mode | stat.S_IXUSR)
            try:
                self.assert_fails_and_keeps_the_zip(expected_message, path)
            finally:
                with open(path, "wb") as f:
                    f.write(original)
                os.chmod(path, mode)
        self.assertEqual(self.run_script().returncode, 0)


if __name__ == "__main__":
    unittest.main()
