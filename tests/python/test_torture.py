"""Runs the random call campaign of torture.py in a child process, so that a
crash of the interpreter fails this test with its signal instead of killing
the test runner. BRONDEL_TORTURE_SECONDS sets its length (20 s by default)."""
import os
import signal
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SECONDS = float(os.environ.get("BRONDEL_TORTURE_SECONDS", "20"))


class TortureTest(unittest.TestCase):
    def test_random_calls_never_crash_and_match_the_model(self):
        try:
            run = subprocess.run(
                [sys.executable, os.path.join(HERE, "torture.py"), "--seconds", str(SECONDS)],
                capture_output=True, text=True, timeout=SECONDS + 120)
        except subprocess.TimeoutExpired as e:
            self.fail("the campaign hung; output so far:\n%s" % (e.stdout or ""))
        report = run.stdout + run.stderr[-4000:]
        if run.returncode < 0:
            self.fail("the interpreter died of %s:\n%s"
                      % (signal.Signals(-run.returncode).name, report))
        self.assertEqual(run.returncode, 0, report)
        print(run.stdout.strip(), file=sys.stderr)


if __name__ == "__main__":
    unittest.main()
