"""Every row of the table of bad inputs in docs/errors.md: each bad input raises what
the table says, or is answered without error where the table says so, and
changes nothing."""
import copy
import gc
import os
import pickle
import subprocess
import sys
import textwrap
import unittest
import weakref
from decimal import Decimal
from fractions import Fraction

import brondel
from brondel import cornerfinder, path_2d, pathfinder, pathfinder_ifc, projection_map

INCOMPATIBLE = "incompatible (function|constructor) arguments"


class TaggedMap(projection_map):
    pass


class WrongKindTest(unittest.TestCase):
    def setUp(self):
        self.m = projection_map(3, 3)
        self.p = pathfinder()
        self.p.init(self.m, True)
        self.c = cornerfinder(self.m)

    def test_numbers_of_the_wrong_sign_type_or_size(self):
        m = self.m
        for call in (lambda: projection_map(-1, 2), lambda: projection_map(2.0, 2),
                     lambda: projection_map("2", 2), lambda: projection_map(2 ** 32, 1),
                     lambda: m.get(-1, 0), lambda: m.get(0, 2 ** 64), lambda: m.set(0.0, 0, "a")):
            with self.assertRaisesRegex(TypeError, INCOMPATIBLE):
                call()

    def test_numbers_that_define_int_are_truncated(self):
        self.assertEqual(projection_map(Fraction(7, 2), 2).resolution, [3, 2])
        self.assertEqual(self.m.get(Fraction(5, 2), Decimal("0.9")), "\x00")
        self.p.find_path([Fraction(7, 2), 1, 0], [1, 1, 0])
        self.assertEqual(str(self.p.get_path()), "(2, 0) > (1, 0) > (0, 0)")

    def test_argument_counts_and_keywords(self):
        m, p, c = self.m, self.p, self.c
        for call in (lambda: projection_map(2), lambda: m.get(0), lambda: m.get(0, 0, 0),
                     lambda: m.get(x=0, y=0), lambda: p.init(m), lambda: p.find_path([1, 1, 0]),
                     lambda: c.find_corner(p.get_path()), lambda: pathfinder(m)):
            with self.assertRaisesRegex(TypeError, INCOMPATIBLE):
                call()

    def test_objects_of_another_class(self):
        p, c = self.p, self.c
        for call in (lambda: p.init([[0]], True), lambda: c.find_corner(0, [0, 0]),
                     lambda: cornerfinder(p), lambda: p.init(p, True)):
            with self.assertRaisesRegex(TypeError, INCOMPATIBLE):
                call()

    def test_none_for_a_map_or_a_path(self):
        p, c = self.p, self.c
        for call in (lambda: p.init(None, True), lambda: cornerfinder(None),
                     lambda: c.find_corner(0, None)):
            with self.assertRaisesRegex(RuntimeError, "^$"):
                call()
        self.assertEqual(p.test_direct_view([1, 1, 0], [3, 3, 0]), 0, "binding kept")

    def test_flags(self):
        with self.assertRaisesRegex(TypeError, INCOMPATIBLE):
            self.p.init(self.m, "yes")
        for flag in (None, 0, 1, 2, 0.5, True, False):
            self.assertEqual(self.p.init(self.m, flag), 0)

    def test_bad_coordinates(self):
        for bad in ([1, 2], [1, 2, 3, 4], [1, -2, 0], [1, 2 ** 32, 0], [1.0, 1, 0], "abc",
                    iter([1, 1, 0]), None, 5):
            for query in (self.p.find_path, self.p.test_direct_view):
                with self.assertRaisesRegex(TypeError, INCOMPATIBLE):
                    query(bad, [1, 1, 0])

    def test_bad_characters(self):
        m = self.m
        for value, message in ((None, "Cannot convert None to a character"),
                               ("", "Cannot convert empty string to a character"),
                               ("ab", "Expected a character, but multi-character string found"),
                               ("\u0100", r"Character code point not in range\(0x100\)")):
            with self.assertRaisesRegex(ValueError, message):
                m.set(0, 0, value)
        for value in (1, "\ud800"):  # an int; a lone surrogate has no UTF-8 form
            with self.assertRaisesRegex(TypeError, INCOMPATIBLE):
                m.set(0, 0, value)
        self.assertEqual(str(m), "0 0 0\n0 0 0\n0 0 0\n")


class OutOfRangeTest(unittest.TestCase):
    def test_cells_outside_the_map(self):
        m = projection_map(3, 2)
        for x, y in ((3, 0), (0, 2), (2 ** 64 - 1, 0), (0, 2 ** 32)):
            with self.assertRaises(IndexError):
                m.get(x, y)
            with self.assertRaises(IndexError):
                m.set(x, y, "\x01")
        self.assertEqual(str(m), "0 0 0\n0 0 0\n")

    @unittest.skipIf(os.environ.get("BRONDEL_SANITIZED"),
                     "the sanitizer's allocator aborts instead of throwing when memory runs out")
    def test_map_larger_than_memory(self):
        for width, height in ((2 ** 20, 2 ** 20), (0, 2 ** 32 - 1), (2 ** 32 - 1, 2 ** 32 - 1)):
            with self.assertRaises(MemoryError):
                projection_map(width, height)

    @unittest.skipIf(os.environ.get("BRONDEL_SANITIZED"),
                     "the sanitizer's allocator aborts instead of throwing when memory runs out")
    @unittest.skipUnless(sys.platform.startswith("linux"), "measures with Linux resource limits")
    def test_map_larger_than_memory_fills_no_row(self):
        # With rows of 256 MiB, a map that tried to fill rows until memory ran
        # out would touch over a GiB before the address space limit stops it.
        probe = textwrap.dedent("""
            import resource, brondel
            resource.setrlimit(resource.RLIMIT_AS, (3 << 29, 3 << 29))
            try:
                brondel.projection_map(1 << 28, 1 << 24)
            except MemoryError:
                print(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss // 1024)
        """)
        run = subprocess.run([sys.executable, "-c", probe], capture_output=True, text=True, timeout=120)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertLess(int(run.stdout), 200, "MiB resident when the map was refused")

    def test_map_too_large_for_the_pathfinder(self):
        small, p = projection_map(2, 1), pathfinder()
        p.init(small, True)
        for width, height in ((32768, 0), (0, 32768), (2 ** 32 - 1, 0)):
            with self.assertRaisesRegex(ValueError, "too large for the pathfinder"):
                p.init(projection_map(width, height), True)
        self.assertEqual(p.find_path([1, 1, 0], [2, 1, 0]), 0, "the previous map stays bound")
        self.assertEqual(p.init(projection_map(32767, 0), True), 0)

    def test_coordinates_outside_the_grid_are_answers(self):
        m, p = projection_map(3, 3), pathfinder()
        p.init(m, True)
        for outside in ([0, 1, 0], [1, 0, 0], [4, 1, 0], [1, 4, 0], [2 ** 31, 1, 0],
                        [2 ** 31 + 1, 1, 0], [2 ** 32 - 1, 2 ** 32 - 1, 0]):
            self.assertEqual(p.find_path(outside, [1, 1, 0]), 2)
            self.assertEqual(p.find_path([1, 1, 0], outside), 2)
            self.assertEqual(p.test_direct_view(outside, [1, 1, 0]), 3)
            self.assertEqual(p.test_direct_view([1, 1, 0], outside), 3)

    def test_unbound_or_empty_pathfinder(self):
        p = pathfinder()
        self.assertEqual(p.find_path([1, 1, 0], [1, 1, 0]), 2)
        self.assertEqual(p.test_direct_view([1, 1, 0], [1, 1, 0]), 3)
        p.init(projection_map(0, 5), True)
        self.assertEqual(p.find_path([1, 1, 0], [1, 1, 0]), 2)
        self.assertEqual(p.test_direct_view([1, 1, 0], [1, 1, 0]), 3)

    def test_path_from_a_larger_map(self):
        large, p = projection_map(20, 20), pathfinder()
        p.init(large, True)
        self.assertEqual(p.find_path([1, 1, 0], [20, 20, 0]), 0)
        blocked = projection_map(3, 3)
        blocked.set(1, 2, "\x01")
        c = cornerfinder(blocked)
        # (1, 1) borders the occupied (1, 2); the cells beyond the map touch nothing.
        self.assertEqual(c.find_corner(2 ** 64 - 1, p.get_path()), 0)
        self.assertEqual(c.corner, [1, 1])


class LifetimeTest(unittest.TestCase):
    def test_pathfinder_keeps_its_map_alive(self):
        m, p = projection_map(4, 1), pathfinder()
        m.set(2, 0, "\x01")
        dead = weakref.ref(m)
        p.init(m, True)
        del m
        gc.collect()
        self.assertIsNotNone(dead(), "bound map freed")
        self.assertEqual(p.find_path([1, 1, 0], [4, 1, 0]), 2)
        p.init(projection_map(1, 1), True)
        gc.collect()
        self.assertIsNone(dead(), "rebinding releases the old map")

    def test_corner_map_keeps_its_cornerfinder_alive(self):
        c = cornerfinder(projection_map(3, 3))
        dead = weakref.ref(c)
        corner_map = c.corner_map
        del c
        gc.collect()
        self.assertIsNotNone(dead())
        self.assertEqual(corner_map.resolution, [3, 3])

    def test_read_only_attributes(self):
        m, c = projection_map(1, 1), cornerfinder(projection_map(1, 1))
        for call in (lambda: setattr(m, "resolution", [2, 2]), lambda: setattr(m, "foo", 1),
                     lambda: setattr(c, "corner", [1, 1]), lambda: setattr(c, "corner_map", m)):
            with self.assertRaises(AttributeError):
                call()

    def test_classes_without_constructor(self):
        for cls in (path_2d, pathfinder_ifc):
            with self.assertRaisesRegex(TypeError, "No constructor defined!"):
                cls()

    def test_subclass_skipping_base_init(self):
        for base, args in ((projection_map, (1, 1)), (pathfinder, ()),
                           (cornerfinder, (projection_map(1, 1),))):
            lazy = type("Lazy", (base,), {"__init__": lambda self, *a: None})
            with self.assertRaisesRegex(TypeError, r"__init__\(\) must be called when overriding __init__"):
                lazy(*args)

    def test_second_init_is_ignored(self):
        p, small = pathfinder(), projection_map(2, 1)
        p.init(small, True)
        p.__init__()
        self.assertEqual(p.find_path([1, 1, 0], [2, 1, 0]), 0)
        c = cornerfinder(projection_map(2, 2))
        c.__init__(projection_map(5, 5))
        self.assertEqual(c.corner_map.resolution, [2, 2])

    def test_copies_and_pickles_are_refused(self):
        for obj in (projection_map(1, 1), pathfinder(), cornerfinder(projection_map(1, 1)),
                    pathfinder().get_path(), TaggedMap(1, 1)):
            for call in (copy.copy, copy.deepcopy, pickle.dumps):
                with self.assertRaises(TypeError):
                    call(obj)
            for protocol in range(2, pickle.HIGHEST_PROTOCOL + 1):
                with self.assertRaisesRegex(TypeError, "cannot pickle"):
                    pickle.dumps(obj, protocol)
            # The two oldest protocols: on Python 3.8 they write the
            # object without its native state, and reading it back refuses to
            # make an object of the class; on 3.11, writing it fails.
            for protocol in (0, 1):
                if sys.version_info >= (3, 11):
                    with self.assertRaises(TypeError):
                        pickle.dumps(obj, protocol)
                    continue
                written = pickle.dumps(obj, protocol)
                with self.assertRaisesRegex(TypeError, r"object.__new__\(.*\) is not safe"):
                    pickle.loads(written)


if __name__ == "__main__":
    unittest.main()
