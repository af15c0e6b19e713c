"""The Python examples of the documents run, one after the other, as written:
the README's usage example and every example of docs/api.md; and the demo's
message that examples/README.md quotes is the demo's own."""
import contextlib
import io
import os
import re
import sys
import tempfile
import unittest

REPO = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir)
EXAMPLES = os.path.join(REPO, "examples")


def read(document):
    with open(os.path.join(REPO, document), encoding="utf-8") as text:
        return text.read()


class ReadmeTest(unittest.TestCase):
    def test_examples_run(self):
        path = "(5, 1) > (4, 1) > (3, 1) > (2, 2) > (1, 2) > (0, 1)"
        # Per document: how many examples at least, and what they leave behind.
        for document, count, results in (
                ("README.md", 1, {"str(path)": path, "corners.corner": [3, 1],
                                  "finder.test_direct_view([1, 2, 0], [6, 2, 0])": 3}),
                # The line-of-sight examples leave their pathfinder bound to .@ / @.
                ("docs/api.md", 4, {"str(path)": path, "cells[-1]": (0, 1),
                                    "q.test_direct_view([1, 1, 0], [2, 2, 0])": 0,
                                    "[answers[0][0], answers[1][:2], len(answers[1][2])]": [0, (2, 0.0), 0],
                                    "flat.tolist() == list(answers[0][2])": True})):
            examples = re.findall(r"```python\n(.*?)```", read(document), re.S)
            self.assertGreaterEqual(len(examples), count)
            names = {}
            for example in examples:
                with self.subTest(document=document, example=example.splitlines()[0]):
                    with contextlib.redirect_stdout(io.StringIO()):
                        exec(compile(example, document, "exec"), names)
            self.assertEqual({expression: eval(expression, names) for expression in results}, results)

    def test_quoted_demo_message_is_the_demos(self):
        sys.path.insert(0, EXAMPLES)
        import demo
        examples_readme = " ".join(read("examples/README.md").split())
        with tempfile.TemporaryDirectory() as folder:
            boxed = os.path.join(folder, "boxed.map")
            with open(boxed, "w") as target:
                target.write("type octile\nheight 2\nwidth 2\nmap\n.@\n@.\n")
            err = io.StringIO()
            with contextlib.redirect_stderr(err), contextlib.redirect_stdout(io.StringIO()):
                self.assertEqual(demo.main(["--map", boxed, "--no-png"]), 1)
        self.assertIn('ends with "%s"' % err.getvalue().strip(), examples_readme)


if __name__ == "__main__":
    unittest.main()
