"""When the harness runs the window probe again: only when the run can be
shown not to have acted on the program, or when it only reads."""
import contextlib
import io
import unittest

from harness import PROBE_STARTED, ProgramTest, probe, probe_verdict

STARTED = PROBE_STARTED + "\n"


class ProbeVerdict(unittest.TestCase):
    def test_acting_command_runs_again_only_when_it_never_started(self):
        self.assertEqual(probe_verdict("command", 0, STARTED), "done")
        self.assertEqual(probe_verdict("command", 1, ""), "again")
        self.assertEqual(probe_verdict("command", 1, STARTED + "main window not found\n"),
                         "failed")
        self.assertEqual(probe_verdict("dismiss", 1, STARTED), "failed")

    def test_waiting_reads_take_not_found_as_an_answer(self):
        for code in (0, 1, 2):
            self.assertEqual(probe_verdict("gone", code, STARTED), "done", code)
        self.assertEqual(probe_verdict("dialog-controls", 3, STARTED), "again")
        self.assertEqual(probe_verdict("dialog-controls", 1, ""), "done")

    def test_plain_reads_run_again_on_any_failure(self):
        self.assertEqual(probe_verdict("capture", 1, STARTED + "no window\n"), "again")
        self.assertEqual(probe_verdict("controls", 1, ""), "again")


class ProbeUnderWine(ProgramTest):
    def test_probe_marks_its_start_and_a_failed_action_is_not_repeated(self):
        report = io.StringIO()
        with contextlib.redirect_stderr(report):
            result = probe("dismiss", "no such window")
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr.count(PROBE_STARTED), 1, result.stderr)
        self.assertEqual(report.getvalue().count("probe dismiss"), 1, report.getvalue())


if __name__ == "__main__":
    unittest.main()
