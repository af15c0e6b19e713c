"""The wheels that scripts/dist.sh writes into dist/: their names, metadata
and RECORD; the Linux wheel installed offline into a fresh venv, where both
modules import and search and where mypy finds their stubs without
configuration; the Windows wheel accepted by pip for CPython 3.8 on
win_amd64. Each wheel must carry the very module files that its build's
tests ran.

Run after scripts/dist.sh, by scripts/test.sh. The folders can be moved with
BRONDEL_DIST_DIR, BRONDEL_BUILD_DIR and BRONDEL_WINDOWS_BUILD_DIR; mypy is
Debian's (BRONDEL_MYPY names another)."""
import base64
import csv
import email.parser
import hashlib
import io
import os
import re
import shutil
import subprocess
import sys
import tempfile
import textwrap
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
DIST = os.environ.get("BRONDEL_DIST_DIR") or os.path.join(REPO, "dist")
BUILD = os.environ.get("BRONDEL_BUILD_DIR") or os.path.join(REPO, "build")
WINDOWS_BUILD = os.environ.get("BRONDEL_WINDOWS_BUILD_DIR") or os.path.join(REPO, "build-windows")
MODULES = ("brondel", "brondel_bulk")
STUBS = {"%s-stubs/__init__.pyi" % name: os.path.join(REPO, "bindings", name + ".pyi") for name in MODULES}
LINUX_SUFFIX = ".cpython-38-x86_64-linux-gnu.so"
WINDOWS_SUFFIX = ".cp38-win_amd64.pyd"


def project_version():
    with open(os.path.join(REPO, "CMakeLists.txt"), encoding="utf-8") as text:
        return re.search(r"project\(brondel VERSION ([0-9.]+)", text.read()).group(1)


VERSION = project_version()
# platform: (wheel, {module file: the file its build's tests ran})
WHEELS = {
    "linux_x86_64": ("brondel-%s-cp38-cp38-linux_x86_64.whl" % VERSION,
                     {name + LINUX_SUFFIX: os.path.join(BUILD, "python", name + LINUX_SUFFIX) for name in MODULES}),
    "win_amd64": ("brondel-%s-cp38-cp38-win_amd64.whl" % VERSION,
                  {name + WINDOWS_SUFFIX: os.path.join(WINDOWS_BUILD, "python", name + WINDOWS_SUFFIX)
                   for name in MODULES}),
}


def read(path):
    with open(path, "rb") as data:
        return data.read()


def run(*command, cwd=None):
    """Runs a command without the caller's PYTHONPATH; returns (status, output)."""
    env = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "MYPYPATH")}
    env.update(PIP_DISABLE_PIP_VERSION_CHECK="1", PIP_NO_INPUT="1", PYTHONDONTWRITEBYTECODE="1")
    done = subprocess.run(command, cwd=cwd, env=env, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, universal_newlines=True, timeout=600)
    return done.returncode, done.stdout


class WheelFileTest(unittest.TestCase):
    """What each wheel holds, read as a zip file."""

    def test_dist_holds_the_two_wheels(self):
        found = sorted(name for name in os.listdir(DIST) if name.endswith(".whl"))
        self.assertEqual(found, sorted(name for name, _ in WHEELS.values()))

    def test_every_record_hash_checks(self):
        for name, _ in WHEELS.values():
            with self.subTest(wheel=name), zipfile.ZipFile(os.path.join(DIST, name)) as wheel:
                record_name = "brondel-%s.dist-info/RECORD" % VERSION
                rows = list(csv.reader(io.StringIO(wheel.read(record_name).decode("utf-8"))))
                listed = {row[0]: row[1:] for row in rows}
                self.assertEqual(len(listed), len(rows), "a file listed twice")
                self.assertEqual(sorted(listed), sorted(wheel.namelist()))
                self.assertEqual(listed.pop(record_name), ["", ""])
                for path, (digest, size) in listed.items():
                    data = wheel.read(path)
                    expected = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=")
                    self.assertEqual(digest, "sha256=" + expected.decode("ascii"), path)
                    self.assertEqual(int(size), len(data), path)

    def test_metadata_and_tag(self):
        for platform, (name, _) in WHEELS.items():
            with self.subTest(wheel=name), zipfile.ZipFile(os.path.join(DIST, name)) as wheel:
                info = "brondel-%s.dist-info/" % VERSION
                meta = email.parser.Parser().parsestr(wheel.read(info + "METADATA").decode("utf-8"))
                self.assertEqual(meta["Name"], "brondel")
                self.assertEqual(meta["Version"], VERSION)
                self.assertTrue(meta["Summary"].startswith("Voxel diffraction algorithms and classes"))
                self.assertEqual(meta["Requires-Python"], ">=3.8")
                self.assertEqual(meta["License"], "Proprietary")
                tags = email.parser.Parser().parsestr(wheel.read(info + "WHEEL").decode("utf-8"))
                self.assertEqual(tags["Wheel-Version"], "1.0")
                self.assertEqual(tags["Root-Is-Purelib"], "false")
                self.assertEqual(tags.get_all("Tag"), ["cp38-cp38-" + platform])

    def test_modules_are_the_tested_build_and_stubs_the_source(self):
        for name, modules in WHEELS.values():
            with self.subTest(wheel=name), zipfile.ZipFile(os.path.join(DIST, name)) as wheel:
                payload = sorted(n for n in wheel.namelist() if ".dist-info/" not in n)
                self.assertEqual(payload, sorted(list(modules) + list(STUBS)))
                for packed, source in list(modules.items()) + list(STUBS.items()):
                    self.assertEqual(wheel.read(packed), read(source), packed)


# Run in the venv: the modules, the metadata and one search with each.
INSTALLED_CHECK = textwrap.dedent("""
    import importlib.metadata, sys
    import brondel, brondel_bulk
    assert brondel.__file__.startswith(sys.prefix), brondel.__file__
    print(brondel.__file__)
    print(brondel_bulk.__file__)
    print(importlib.metadata.version("brondel"))
    print(sorted(name for name in vars(brondel) if not name.startswith("__")))
    grid = brondel.projection_map(4, 3)
    grid.set(1, 0, "\\x01")
    finder = brondel.pathfinder()
    finder.init(grid, True)
    print(finder.find_path([1, 1, 0], [3, 1, 0]), finder.get_path(), finder.get_path_length())
    print(brondel_bulk.find_paths(grid, [(0, 0, 2, 0)], True, 2))
""")

# Run in the venv: every misuse line of the typing sample raises.
MISUSES_REFUSED = textwrap.dedent("""
    import sys
    lines = open(sys.argv[1], encoding="utf-8").read().splitlines()
    names = {}
    exec("\\n".join(line for line in lines if "misuse:" not in line), names)
    for number, line in enumerate(lines, 1):
        if "misuse:" in line:
            try:
                exec(line, dict(names))
            except (TypeError, AttributeError):
                continue
            print("accepted at line %d: %s" % (number, line))
""")


class LinuxInstallTest(unittest.TestCase):
    """The Linux wheel, installed by pip offline into a fresh venv from dist/
    (pip chooses it among both wheels)."""

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="brondel-wheel-")
        venv = os.path.join(cls.work, "venv")
        cls.python = os.path.join(venv, "bin", "python")
        for command in ([sys.executable, "-m", "venv", venv],
                        [cls.python, "-m", "pip", "install", "--no-index", "--no-cache-dir",
                         "--find-links", DIST, "brondel"]):
            status, output = run(*command)
            if status != 0:
                shutil.rmtree(cls.work)
                raise AssertionError("%s failed:\n%s" % (" ".join(command), output[-4000:]))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    def test_imports_searches_and_knows_its_version(self):
        status, output = run(self.python, "-c", INSTALLED_CHECK, cwd=self.work)
        self.assertEqual(status, 0, output)
        module_file, bulk_file, version, names, search, bulk_search = output.splitlines()
        for installed in (module_file, bulk_file):
            self.assertEqual(read(installed), read(WHEELS["linux_x86_64"][1][os.path.basename(installed)]))
        self.assertEqual(version, VERSION)
        # The version lives in the metadata only: the module defines nothing
        # but its five classes.
        self.assertEqual(names, str(sorted(["cornerfinder", "path_2d", "pathfinder",
                                            "pathfinder_ifc", "projection_map"])))
        self.assertEqual(search, "0 (0, 0) > (1, 1) > (2, 0) 2.8284270763397217")
        self.assertEqual(bulk_search, "[(0, 2.8284270763397217, array('i', [0, 0, 1, 1, 2, 0]))]")

    def mypy(self, *arguments):
        """mypy on the venv's interpreter, from a folder without configuration."""
        mypy = os.environ.get("BRONDEL_MYPY") or shutil.which("mypy")
        self.assertTrue(mypy, "mypy not found: apt-get install mypy")
        cache = os.path.join(self.work, "mypy-cache")
        return run(mypy, "--python-executable", self.python, "--cache-dir", cache,
                   "--no-error-summary", "--show-error-codes", *arguments, cwd=self.work)

    def test_mypy_finds_the_stub_and_accepts_correct_use(self):
        status, output = self.mypy("--strict", os.path.join(HERE, "typing_correct.py"))
        self.assertEqual((status, output), (0, ""))

    def test_mypy_reports_each_misuse_once(self):
        sample = os.path.join(HERE, "typing_misuses.py")
        with open(sample, encoding="utf-8") as text:
            expected = {number: [re.search(r"misuse: ([\w-]+)", line).group(1)]
                        for number, line in enumerate(text.read().splitlines(), 1)
                        if "misuse:" in line}
        self.assertGreaterEqual(len(expected), 15)
        status, output = self.mypy(sample)
        self.assertEqual(status, 1, output)
        reported = {}
        for line in output.splitlines():
            found = re.match(r".*typing_misuses\.py:(\d+): error: .*\[([\w-]+)\]$", line)
            if found:
                reported.setdefault(int(found.group(1)), []).append(found.group(2))
            else:
                self.assertIn(": note: ", line)
        self.assertEqual(reported, expected, output)

    def test_module_refuses_each_misuse(self):
        status, output = run(self.python, "-c", MISUSES_REFUSED,
                             os.path.join(HERE, "typing_misuses.py"), cwd=self.work)
        self.assertEqual((status, output), (0, ""))


class WindowsAcceptanceTest(unittest.TestCase):
    """pip takes the Windows wheel as a CPython 3.8 win_amd64 wheel and lays
    out its files."""

    def test_pip_installs_it_for_windows(self):
        with tempfile.TemporaryDirectory(prefix="brondel-windows-wheel-") as work:
            target = os.path.join(work, "target")
            status, output = run(sys.executable, "-m", "pip", "install", "--no-index",
                                 "--no-cache-dir", "--find-links", DIST, "--only-binary=:all:",
                                 "--platform", "win_amd64", "--python-version", "3.8",
                                 "--implementation", "cp", "--target", target, "brondel")
            self.assertEqual(status, 0, output)
            modules = WHEELS["win_amd64"][1]
            self.assertEqual(sorted(os.listdir(target)), sorted(
                ["brondel-%s.dist-info" % VERSION] + list(modules) + [name + "-stubs" for name in MODULES]))
            for laid_out, source in list(modules.items()) + list(STUBS.items()):
                self.assertEqual(read(os.path.join(target, laid_out)), read(source), laid_out)


if __name__ == "__main__":
    unittest.main()
