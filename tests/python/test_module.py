"""The module as a whole: import, docstring, class order, registry key,
version check and the symbols the shared library exports."""
import builtins
import glob
import os
import platform
import shutil
import subprocess
import sys
import unittest

import brondel

MODULE_FILE = os.environ.get("BRONDEL_MODULE", brondel.__file__)


def other_interpreter():
    """An interpreter of another minor version than this one, or None."""
    candidates = [shutil.which(name) for name in ("python3", "python3.11", "python3.8")]
    pyenv_root = os.environ.get("PYENV_ROOT", os.path.expanduser("~/.pyenv"))
    candidates += sorted(glob.glob(os.path.join(pyenv_root, "versions", "3.*", "bin", "python3")))
    for candidate in filter(None, candidates):
        try:
            version = subprocess.run(
                [candidate, "-c", "import sys; print('%d.%d' % sys.version_info[:2])"],
                capture_output=True, text=True, timeout=30).stdout.strip()
        except (OSError, subprocess.SubprocessError):
            continue
        if version and version != "%d.%d" % sys.version_info[:2]:
            return candidate
    return None


class ModuleTest(unittest.TestCase):
    def test_docstring(self):
        self.assertEqual(brondel.__doc__, "Voxel diffraction algorithms and classes")

    def test_built_for_this_interpreter(self):
        tag = "cpython-%d%d" % sys.version_info[:2]
        self.assertIn(tag, os.path.basename(MODULE_FILE))

    def test_classes_in_registration_order(self):
        expected = ["projection_map", "path_2d", "pathfinder_ifc", "pathfinder", "cornerfinder"]
        present = [name for name in vars(brondel) if not name.startswith("__")]
        self.assertEqual(present, [name for name in expected if name in present])
        self.assertEqual(present[:2], expected[:2])

    def test_nothing_but_classes(self):
        for name, value in vars(brondel).items():
            if not name.startswith("__"):
                self.assertIsInstance(value, type, name)

    def test_registry_key(self):
        if sys.platform.startswith("linux"):
            self.assertTrue(hasattr(builtins, "__pybind11_internals_v4_gcc_libstdcpp_cxxabi1013__"))

    def test_version_mismatch_refuses_to_load(self):
        other = other_interpreter()
        if other is None:
            self.skipTest("no interpreter of another version found")
        # A module built for this version has a suffix the other one ignores;
        # load it by its file name instead.
        probe = ("import importlib.util\n"
                 "location = importlib.util.spec_from_file_location('brondel', %r)\n"
                 "try:\n"
                 "    importlib.util.module_from_spec(location)\n"
                 "except ImportError as e:\n"
                 "    print(e)\n") % os.path.abspath(MODULE_FILE)
        out = subprocess.run([other, "-c", probe], capture_output=True, text=True, timeout=60)
        version = "%d.%d" % sys.version_info[:2]
        self.assertIn("Python version mismatch: module was compiled for Python %s, "
                      "but the interpreter version is incompatible: " % version, out.stdout)


@unittest.skipUnless(sys.platform.startswith("linux") and shutil.which("nm"), "needs nm on Linux")
class ExportedSymbolsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        out = subprocess.run(["nm", "-D", "--defined-only", "-C", MODULE_FILE],
                             capture_output=True, text=True, check=True).stdout
        cls.symbols = [line.split(" ", 2)[2] for line in out.splitlines() if line.count(" ") >= 2]

    def test_entry_point_exported(self):
        self.assertIn("PyInit_brondel", self.symbols)

    def test_pathfinder_members_exported(self):
        for member in ("find_path(", "test_direct_view(", "init(", "get_path() const",
                       "get_path_length() const", "findPath(", "identifySuccessors(",
                       "findNeighbors(", "jump(", "backtrace(", "interpolate_line(",
                       "cleanUpNodes()", "getNodeAt(", "euclidean(", "manhattan(",
                       "jps_pathfinder()", "~jps_pathfinder()"):
            with self.subTest(member=member):
                self.assertTrue(any(s.startswith("OSTREL::Voxel::jps_pathfinder::" + member)
                                    for s in self.symbols))
        self.assertIn("vtable for OSTREL::Voxel::jps_pathfinder", self.symbols)

    def test_corner_finding_algorithm_exported(self):
        self.assertIn("OSTREL::Voxel::CornerFindingAlgorithm(unsigned long, int const*, "
                      "OSTREL::Voxel::projection_map const&, unsigned int*)", self.symbols)

    def test_binding_library_hidden(self):
        self.assertEqual([s for s in self.symbols if "pybind11" in s], [])

    def test_only_our_own_symbols(self):
        allowed = ("PyInit_brondel", "OSTREL::Voxel::")
        prefixes = ("vtable for ", "typeinfo for ", "typeinfo name for ")
        stray = []
        for symbol in self.symbols:
            name = symbol
            for prefix in prefixes:
                if name.startswith(prefix):
                    name = name[len(prefix):]
            # The standard library's own type information has vague linkage
            # and is shared with libstdc++; it is not ours to hide.
            if name != symbol and name.startswith("std::"):
                continue
            if not name.startswith(allowed):
                stray.append(symbol)
        self.assertEqual(stray, [])


if __name__ == "__main__":
    unittest.main()
