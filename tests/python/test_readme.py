"""The Python examples of the README run, one after the other, as written."""
import contextlib
import io
import os
import re
import sys
import tempfile
import unittest

README = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir, "README.md")
EXAMPLES = os.path.join(os.path.dirname(README), "examples")


def api_examples():
    with open(README, encoding="utf-8") as text:
        readme = text.read()
    section = readme[readme.index("\n## Python API"):]
    section = section[:section.index("\n## ", 1)]
    return re.findall(r"```python\n(.*?)```", section, re.S)


class ReadmeTest(unittest.TestCase):
    def test_api_examples_run(self):
        examples = api_examples()
        self.assertGreaterEqual(len(examples), 4)
        names = {}
        for example in examples:
            with self.subTest(example=example.splitlines()[0]):
                with contextlib.redirect_stdout(io.StringIO()):
                    exec(compile(example, "README.md", "exec"), names)
        self.assertEqual(str(names["path"]), "(5, 1) > (4, 1) > (3, 1) > (2, 2) > (1, 2) > (0, 1)")
        self.assertEqual(names["cells"][-1], (0, 1))
        # The line-of-sight examples left their pathfinder bound to .@ / @.
        self.assertEqual(names["q"].test_direct_view([1, 1, 0], [2, 2, 0]), 0)

    def test_quoted_demo_message_is_the_demos(self):
        sys.path.insert(0, EXAMPLES)
        import demo
        with open(README, encoding="utf-8") as text:
            readme = " ".join(text.read().split())
        with tempfile.TemporaryDirectory() as folder:
            boxed = os.path.join(folder, "boxed.map")
            with open(boxed, "w") as target:
                target.write("type octile\nheight 2\nwidth 2\nmap\n.@\n@.\n")
            err = io.StringIO()
            with contextlib.redirect_stderr(err), contextlib.redirect_stdout(io.StringIO()):
                self.assertEqual(demo.main(["--map", boxed, "--no-png"]), 1)
        self.assertIn('ends with "%s"' % err.getvalue().strip(), readme)


if __name__ == "__main__":
    unittest.main()
