"""pip install of a clean source tree into a fresh CPython venv, offline:
both modules build, import from the venv with their stub packages beside
them, and answer a search."""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import textwrap
import unittest

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), os.pardir, os.pardir))
# Debian's package python3-wheel-whl; pip needs it to build a wheel offline.
WHEEL_WHEELS = "/usr/share/python-wheels/wheel-*.whl"

CHECK = textwrap.dedent("""
    import os, sys
    import brondel, brondel_bulk
    for module in (brondel, brondel_bulk):
        assert module.__file__.startswith(sys.prefix), module.__file__
        stub = os.path.join(os.path.dirname(module.__file__), module.__name__ + "-stubs", "__init__.pyi")
        assert os.path.isfile(stub), stub
    grid = brondel.projection_map(4, 3)
    finder = brondel.pathfinder()
    finder.init(grid, True)
    assert finder.find_path([1, 1, 7], [3, 1, 9]) == 0
    print(finder.get_path(), finder.get_path_length())
    print(list(brondel_bulk.find_paths(grid, [(0, 0, 2, 0)], True)[0][2]))
""")


def clean_copy(target):
    """Copies the source tree without build folders, as a fresh clone has it."""
    def ignored(folder, names):
        if os.path.abspath(folder) == REPO:
            return [n for n in names if n.startswith("build") or n == ".git" or n.endswith(".egg-info")]
        return [n for n in names if n == "__pycache__"]
    shutil.copytree(REPO, target, ignore=ignored)


class PipInstallTest(unittest.TestCase):
    def run_checked(self, *command, cwd=None):
        env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
        env.update(PIP_DISABLE_PIP_VERSION_CHECK="1", PIP_NO_INPUT="1")
        done = subprocess.run(command, cwd=cwd, env=env, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, universal_newlines=True, timeout=900)
        self.assertEqual(done.returncode, 0, "%s failed:\n%s" % (" ".join(command), done.stdout[-6000:]))
        return done.stdout

    def test_install_into_fresh_venv(self):
        wheels = sorted(glob.glob(WHEEL_WHEELS))
        self.assertTrue(wheels, "no %s: apt-get install python3-wheel-whl" % WHEEL_WHEELS)
        with tempfile.TemporaryDirectory(prefix="brondel-pip-") as work:
            source = os.path.join(work, "src")
            clean_copy(source)
            venv = os.path.join(work, "venv")
            self.run_checked(sys.executable, "-m", "venv", venv)
            python = os.path.join(venv, "bin", "python")
            self.run_checked(python, "-m", "pip", "install", "--no-index", wheels[-1])
            self.run_checked(python, "-m", "pip", "install", "--no-index", "--no-cache-dir",
                             "--no-build-isolation", source)
            out = self.run_checked(python, "-c", CHECK, cwd=work)
        self.assertEqual(out.splitlines(), ["(0, 0) > (1, 0) > (2, 0) 2.0", "[0, 0, 1, 0, 2, 0]"])


if __name__ == "__main__":
    unittest.main()
