"""The native API as an outside project uses it: `cmake --install` of the
build, a separate CMake project (consumer/) built against the installed
package alone, its library loaded with ctypes into the process that imported
the installed module. The library's searches, run by the module's exported
code, must answer as the module does from Python; the C++ example of
docs/building.md compiles against the installed headers.

Run by ctest (native_api.consumer), which names the build folder, CMake, the
generator and the compiler in BRONDEL_BUILD_DIR, BRONDEL_CMAKE,
BRONDEL_CMAKE_GENERATOR and BRONDEL_CXX_COMPILER, and the sanitized build's
compiler flags, which the consumer gets too, in BRONDEL_CONSUMER_CXX_FLAGS."""
import ctypes
import json
import os
import random
import re
import shlex
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
CMAKE = os.environ.get("BRONDEL_CMAKE", "cmake")


def cmake(*arguments):
    done = subprocess.run([CMAKE, *arguments], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, universal_newlines=True, timeout=600)
    if done.returncode != 0:
        raise AssertionError("cmake %s failed:\n%s" % (" ".join(arguments), done.stdout[-4000:]))


def cells_of(path):
    """[(x, y), ...] of a path_2d, read from its text."""
    text = str(path)
    return [tuple(int(v) for v in cell.strip("()").split(", ")) for cell in text.split(" > ")] if text else []


def float_bits(value):
    return struct.pack("<f", value)


INT_MAX, INT_MIN = 2 ** 31 - 1, -2 ** 31


class NativeApiTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="brondel-native-api-")
        cls.prefix = os.path.join(cls.work, "prefix")
        consumer_build = os.path.join(cls.work, "consumer")
        try:
            cmake("--install", os.environ["BRONDEL_BUILD_DIR"], "--prefix", cls.prefix)
            cmake("-S", os.path.join(HERE, "consumer"), "-B", consumer_build,
                  "-G", os.environ.get("BRONDEL_CMAKE_GENERATOR", "Ninja"),
                  "-DCMAKE_CXX_COMPILER=" + os.environ.get("BRONDEL_CXX_COMPILER", "c++"),
                  "-DCMAKE_PREFIX_PATH=" + cls.prefix, "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON",
                  "-DCMAKE_CXX_FLAGS=" + os.environ.get("BRONDEL_CONSUMER_CXX_FLAGS", ""))
            cmake("--build", consumer_build)
        except BaseException:
            shutil.rmtree(cls.work)
            raise
        with open(os.path.join(consumer_build, "compile_commands.json"), encoding="utf-8") as text:
            cls.compile_command = json.load(text)[0]["command"]
        site_packages = [os.path.join(root, "") for root, dirs, _ in os.walk(cls.prefix)
                         if "brondel-stubs" in dirs]
        sys.path.insert(0, site_packages[0])
        import brondel
        cls.brondel = brondel
        cls.consumer = ctypes.CDLL(os.path.join(consumer_build, "libnative_consumer.so"))
        uint3 = ctypes.c_uint * 3
        cls.consumer.consumer_find_path.argtypes = [
            ctypes.c_int, ctypes.c_int, ctypes.c_char_p, ctypes.c_int, uint3, uint3,
            ctypes.POINTER(ctypes.c_int), ctypes.c_int, ctypes.POINTER(ctypes.c_int),
            ctypes.POINTER(ctypes.c_float)]
        cls.consumer.consumer_find_corner.argtypes = [
            ctypes.c_int, ctypes.c_int, ctypes.c_char_p, ctypes.POINTER(ctypes.c_int),
            ctypes.c_int, ctypes.c_uint * 2]
        cls.consumer.consumer_moved_pathfinders.argtypes = [
            ctypes.c_int, ctypes.c_int, ctypes.POINTER(ctypes.c_longlong)]
        cls.consumer.consumer_jump.argtypes = [ctypes.c_int] * 8 + [ctypes.c_int * 2]
        cls.consumer.consumer_costs.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_int * 2]
        cls.consumer.consumer_successors.argtypes = [
            ctypes.c_int, ctypes.c_int, ctypes.c_char_p] + [ctypes.c_int] * 4 + [ctypes.POINTER(ctypes.c_int)]

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    def native_search(self, width, height, cells, interpolate, first, second):
        """(status, path cells, length bits) from the native library."""
        capacity = 2 * (width * height + 1)
        path = (ctypes.c_int * capacity)()
        count, length = ctypes.c_int(), ctypes.c_float()
        status = self.consumer.consumer_find_path(
            width, height, bytes(cells), int(interpolate), (ctypes.c_uint * 3)(*first),
            (ctypes.c_uint * 3)(*second), path, capacity, ctypes.byref(count), ctypes.byref(length))
        self.assertLessEqual(count.value, capacity)
        coords = path[:count.value]
        return status, list(zip(coords[0::2], coords[1::2])), float_bits(length.value)

    def native_corner(self, grid, path_cells):
        width, height = grid.resolution
        cells = bytes(ord(grid.get(x, y)) for y in range(height) for x in range(width))
        coords = [v for cell in path_cells for v in cell]
        corner = (ctypes.c_uint * 2)()
        status = self.consumer.consumer_find_corner(
            width, height, cells, (ctypes.c_int * max(1, len(coords)))(*coords), len(coords), corner)
        return status, list(corner)

    def python_map(self, width, height, cells):
        grid = self.brondel.projection_map(width, height)
        for index, value in enumerate(cells):
            if value:
                grid.set(index % width, index // width, chr(value))
        return grid

    def compare(self, width, height, cells, interpolate, first, second):
        grid = self.python_map(width, height, cells)
        finder = self.brondel.pathfinder()
        finder.init(grid, interpolate)
        status = finder.find_path(first, second)
        path = finder.get_path()
        expected = (status, cells_of(path), float_bits(finder.get_path_length()))
        self.assertEqual(self.native_search(width, height, cells, interpolate, first, second), expected)
        corners = self.brondel.cornerfinder(grid)
        corners.find_corner(0, path)
        self.assertEqual(self.native_corner(grid, expected[1]), (0, corners.corner))
        return expected

    def test_installed_module_is_imported_and_shared(self):
        module = self.brondel.__file__
        self.assertTrue(module.startswith(self.prefix), module)
        with open("/proc/self/maps", encoding="utf-8") as maps:
            mapped = {line.split()[-1] for line in maps if "brondel.cpython" in line}
        self.assertEqual(mapped, {os.path.realpath(module)})

    def test_consumer_sees_only_the_installed_headers(self):
        include_flags = [flag for flag in self.compile_command.split() if flag.startswith("-I")]
        include_dirs = [flag[2:] for flag in include_flags]
        isystem = self.compile_command.split()
        include_dirs += [isystem[i + 1] for i, flag in enumerate(isystem) if flag == "-isystem"]
        self.assertTrue(include_dirs)
        for folder in include_dirs:
            self.assertTrue(folder.startswith(self.prefix), folder)

    def test_readme_example(self):
        width, height = 6, 3
        cells = [0] * (width * height)
        cells[1 * width + 2] = 1
        status, path, length = self.compare(width, height, cells, True, [6, 2, 0], [1, 2, 0])
        self.assertEqual(status, 0)
        self.assertEqual(path, [(5, 1), (4, 1), (3, 1), (2, 2), (1, 2), (0, 1)])
        self.assertEqual(length, float_bits(5.828427314758301))

    def test_documented_example_compiles_against_the_installed_headers(self):
        with open(os.path.join(HERE, os.pardir, os.pardir, "docs", "building.md"), encoding="utf-8") as text:
            example = re.search(r"```cpp\n(.*?)```", text.read(), re.S).group(1)
        source = os.path.join(self.work, "example.cpp")
        with open(source, "w", encoding="utf-8") as target:
            target.write(example)
        command = shlex.split(self.compile_command)
        command[command.index("-o") + 1], command[command.index("-c") + 1] = source + ".o", source
        done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, universal_newlines=True)
        self.assertEqual(done.returncode, 0, done.stdout)

    def test_random_maps_answer_alike(self):
        rng = random.Random(15)
        found = 0
        for case in range(150):
            width, height = rng.randint(1, 30), rng.randint(1, 30)
            density = rng.choice([0.0, 0.1, 0.25, 0.4])
            cells = [1 if rng.random() < density else 0 for _ in range(width * height)]
            # One-based cells; 0 and width + 1 lie outside the map.
            first = [rng.randint(0, width + 1), rng.randint(0, height + 1), 0]
            second = [rng.randint(1, width), rng.randint(1, height), rng.randint(0, 9)]
            for interpolate in (True, False):
                with self.subTest(case=case, interpolate=interpolate):
                    found += self.compare(width, height, cells, interpolate, first, second)[0] == 0
        self.assertGreater(found, 100)

    def test_moved_pathfinders_keep_their_grids_and_give_memory_back(self):
        # Ten pathfinders of 300 x 300 cells moved through a growing vector:
        # every search answers alike, and once they die the search memory
        # (about 400 KB for that grid) is given back.
        heap_left = ctypes.c_longlong()
        self.assertEqual(self.consumer.consumer_moved_pathfinders(300, 10, ctypes.byref(heap_left)), 10)
        self.assertLess(heap_left.value, 64 << 10)

    def test_jump_answers_at_once_anywhere(self):
        # (width, height, x, y, parent x, parent y, goal x, goal y) -> (found, stop)
        cases = [
            ((5, 5, 0, 2, 0, 2, 4, 4), (0, [0, 2])),            # parent = cell, edge column
            ((5, 5, 4, 2, 4, 2, 0, 0), (0, [4, 2])),
            ((2, 5, 1, 1, 1, 1, 0, 0), (0, [1, 1])),            # narrower than 3 cells
            ((5, 5, 2, 2, 2, 2, 4, 4), (0, [2, 2])),            # inner cell
            ((5, 5, 2, 2, -100, 2, 4, 2), (1, [4, 2])),         # far parent: its direction
            ((5, 5, INT_MIN, 0, INT_MIN + 1, 0, 0, 0), (0, [INT_MIN, 0])),
            ((5, 5, INT_MAX, INT_MAX, INT_MAX - 1, INT_MAX - 1, 1, 1), (0, [INT_MAX, INT_MAX])),
            ((5, 5, 0, 0, INT_MAX, INT_MIN, 4, 4), (0, None)),  # x - px would overflow
            ((5, 5, 1, 1, 0, 0, INT_MIN, INT_MAX), (0, None)),  # goal far off the grid
        ]
        for arguments, (found, stop) in cases:
            with self.subTest(arguments=arguments):
                cell = (ctypes.c_int * 2)()
                self.assertEqual(self.consumer.consumer_jump(*arguments, cell), found)
                if stop is not None:
                    self.assertEqual(list(cell), stop)

    def test_costs_never_overflow(self):
        # (dx, dy, euclidean, manhattan): a cost that does not fit an int saturates.
        for dx, dy, euclidean, manhattan in [(3, 4, 50, 70), (32767, 32767, 463395, 655340),
                                             (46341, 0, 463410, 463410), (INT_MAX, INT_MAX, INT_MAX, INT_MAX),
                                             (INT_MIN, INT_MIN, INT_MAX, INT_MIN), (INT_MAX, INT_MIN, INT_MAX, -10)]:
            with self.subTest(dx=dx, dy=dy):
                costs = (ctypes.c_int * 2)()
                self.consumer.consumer_costs(dx, dy, costs)
                self.assertEqual(list(costs), [euclidean, manhattan])

    def test_successors_of_a_goal_far_off_the_grid(self):
        # A wall on a 5 x 5 map forces jump points; their estimate to a goal
        # beyond any grid saturates, and so does f.
        cells = bytearray(25)
        cells[1 * 5 + 3] = 1
        least_f = ctypes.c_int()
        for goal in [(1_000_000_000, 3), (INT_MIN, INT_MIN)]:
            with self.subTest(goal=goal):
                opened = self.consumer.consumer_successors(5, 5, bytes(cells), 2, 2, *goal, ctypes.byref(least_f))
                self.assertEqual((opened > 0, least_f.value), (True, INT_MAX))


if __name__ == "__main__":
    unittest.main()
