"""The Python examples of the README run, one after the other, as written."""
import contextlib
import io
import os
import re
import unittest

README = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir, "README.md")


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


if __name__ == "__main__":
    unittest.main()
