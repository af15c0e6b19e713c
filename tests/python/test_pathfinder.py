"""Python face of pathfinder_ifc and pathfinder: searches, line of sight,
argument conversions, result copies and the lifetime of the bound map."""
import gc
import struct
import sys
import unittest

import brondel
from brondel import pathfinder, pathfinder_ifc, projection_map


def float_bits(value):
    """The single-precision bit pattern of a length read back as a double."""
    return struct.unpack("<I", struct.pack("<f", value))[0]


def open_map(width, height, blocked=()):
    m = projection_map(width, height)
    for x, y in blocked:
        m.set(x, y, "\x01")
    return m


def bound(m, interpolate=True):
    p = pathfinder()
    p.init(m, interpolate)
    return p


class ClassesTest(unittest.TestCase):
    def test_constructors(self):
        self.assertIsInstance(pathfinder(), pathfinder_ifc)
        with self.assertRaises(TypeError):
            pathfinder(open_map(2, 2))
        with self.assertRaises(TypeError) as caught:
            pathfinder_ifc()
        self.assertTrue(str(caught.exception).endswith(": No constructor defined!"))

    def test_signatures(self):
        expected = {
            "init": "init(self: brondel.pathfinder, arg0: brondel.projection_map, arg1: bool) -> int",
            "find_path": "find_path(self: brondel.pathfinder, arg0: List[int[3]], arg1: List[int[3]]) -> int",
            "test_direct_view": "test_direct_view(self: brondel.pathfinder, arg0: List[int[3]], "
                                "arg1: List[int[3]]) -> int",
            "get_path": "get_path(self: brondel.pathfinder) -> brondel.path_2d",
            "get_path_length": "get_path_length(self: brondel.pathfinder) -> float",
            "__init__": "__init__(self: brondel.pathfinder) -> None",
        }
        for name, signature in expected.items():
            with self.subTest(name=name):
                self.assertEqual(getattr(pathfinder, name).__doc__.splitlines()[0], signature)
        self.assertFalse(hasattr(pathfinder_ifc, "find_path"))

    def test_subclass(self):
        class Skips(pathfinder):
            def __init__(self):
                pass

        class Calls(pathfinder):
            def __init__(self):
                super().__init__()

        with self.assertRaises(TypeError):
            Skips()
        p = Calls()
        p.init(open_map(3, 1), True)
        self.assertEqual(p.find_path([1, 1, 0], [3, 1, 0]), 0)
        self.assertEqual(str(p.get_path()), "(0, 0) > (1, 0) > (2, 0)")


class FindPathTest(unittest.TestCase):
    def test_new_pathfinder_finds_nothing(self):
        p = pathfinder()
        self.assertEqual(p.find_path([1, 1, 0], [1, 1, 0]), 2)
        self.assertEqual(p.test_direct_view([1, 1, 0], [1, 1, 0]), 3)
        self.assertEqual(p.get_path().length(), 0)
        self.assertEqual(p.get_path_length(), 0.0)

    def test_row_in_both_modes(self):
        p = bound(open_map(4, 3), True)
        self.assertEqual(p.find_path([1, 1, 7], [3, 1, 9]), 0)
        self.assertEqual(str(p.get_path()), "(0, 0) > (1, 0) > (2, 0)")
        self.assertEqual(p.get_path_length(), 2.0)
        p = bound(open_map(4, 3), False)
        self.assertEqual(p.find_path((1, 1, 7), (3, 1, 9)), 0)
        self.assertEqual(str(p.get_path()), "(0, 0) > (2, 0)")
        self.assertEqual(p.get_path_length(), 2.0)

    def test_around_a_blocked_cell_and_exchanged(self):
        p = bound(open_map(6, 3, [(2, 1)]), True)
        self.assertEqual(p.find_path([6, 2, 0], [1, 2, 0]), 0)
        self.assertEqual(str(p.get_path()), "(5, 1) > (4, 1) > (3, 1) > (2, 2) > (1, 2) > (0, 1)")
        self.assertEqual(float_bits(p.get_path_length()), 0x40BA827A)
        self.assertEqual(p.find_path((1, 2, 0), [6, 2, 0]), 0)
        self.assertEqual(str(p.get_path()), "(0, 1) > (1, 1) > (2, 2) > (3, 2) > (4, 1) > (5, 1)")
        self.assertEqual(float_bits(p.get_path_length()), 0x40BA827A)
        p = bound(open_map(6, 3, [(2, 1)]), False)
        self.assertEqual(p.find_path([6, 2, 0], [1, 2, 0]), 0)
        self.assertEqual(str(p.get_path()), "(5, 1) > (3, 1) > (2, 2) > (1, 2) > (0, 1)")
        self.assertEqual(float_bits(p.get_path_length()), 0x40B9999A)

    def test_long_diagonal_lengths(self):
        m = open_map(11, 11)
        p = bound(m, True)
        self.assertEqual(p.find_path([1, 1, 0], [11, 11, 0]), 0)
        self.assertEqual(p.get_path().length(), 11)
        self.assertEqual(float_bits(p.get_path_length()), 0x4162462E)
        p.init(m, False)
        self.assertEqual(p.find_path([1, 1, 0], [11, 11, 0]), 0)
        self.assertEqual(str(p.get_path()), "(0, 0) > (10, 10)")
        self.assertEqual(float_bits(p.get_path_length()), 0x4161999A)

    def test_failure_empties_path_and_keeps_length(self):
        p = bound(open_map(6, 3, [(2, 1)]), True)
        self.assertEqual(p.find_path([6, 2, 0], [1, 2, 0]), 0)
        length = p.get_path_length()
        for first in ([0, 1, 0], [1, 0, 0], [7, 1, 0], [1, 4, 0], [3, 2, 0], [2**32 - 1, 1, 0]):
            with self.subTest(first=first):
                self.assertEqual(p.find_path(first, [1, 1, 0]), 2)
                self.assertEqual(p.get_path().length(), 0)
                self.assertEqual(str(p.get_path()), "")
                self.assertEqual(p.get_path_length(), length)

    def test_cells_set_after_init_are_seen(self):
        m = open_map(3, 1)
        p = bound(m)
        self.assertEqual(p.find_path([1, 1, 0], [3, 1, 0]), 0)
        m.set(1, 0, "x")
        self.assertEqual(p.find_path([1, 1, 0], [3, 1, 0]), 2)
        self.assertEqual(p.test_direct_view([1, 1, 0], [3, 1, 0]), 3)

    def test_get_path_returns_fresh_copies(self):
        p = bound(open_map(4, 3))
        p.find_path([1, 1, 0], [3, 1, 0])
        first, second = p.get_path(), p.get_path()
        self.assertIsNot(first, second)
        self.assertEqual(str(first), str(second))
        p.find_path([1, 1, 0], [1, 3, 0])
        self.assertEqual(str(first), "(0, 0) > (1, 0) > (2, 0)")
        self.assertEqual(str(p.get_path()), "(0, 0) > (0, 1) > (0, 2)")
        del p
        gc.collect()
        self.assertEqual(str(first), "(0, 0) > (1, 0) > (2, 0)")

    def test_oversized_map_is_refused(self):
        small = open_map(3, 1)
        p = bound(small)
        with self.assertRaises(ValueError):
            p.init(projection_map(32768, 1), True)
        with self.assertRaises(ValueError):
            p.init(projection_map(2**32 - 1, 0), True)
        self.assertEqual(p.find_path([1, 1, 0], [3, 1, 0]), 0)


class DirectViewTest(unittest.TestCase):
    def test_direction_matters(self):
        p = bound(open_map(6, 4, [(1, 0)]))
        self.assertEqual(p.test_direct_view([1, 1, 0], [3, 2, 0]), 3)
        self.assertEqual(p.test_direct_view([3, 2, 0], [1, 1, 0]), 0)

    def test_documented_examples(self):
        # A 3 x 3 map with (0, 1) occupied: the line from (0, 0) to (1, 2)
        # crosses it, the line back passes (1, 1).
        p = bound(open_map(3, 3, [(0, 1)]))
        self.assertEqual(p.test_direct_view([1, 1, 0], [2, 3, 0]), 3)
        self.assertEqual(p.test_direct_view([2, 3, 0], [1, 1, 0]), 0)
        # .@ / @.: visible along the diagonal the search may not take from
        # its start, in either direction.
        p = bound(open_map(2, 2, [(1, 0), (0, 1)]))
        self.assertEqual(p.test_direct_view([1, 1, 0], [2, 2, 0]), 0)
        self.assertEqual(p.test_direct_view([2, 2, 0], [1, 1, 0]), 0)
        self.assertEqual(p.find_path([2, 2, 0], [1, 1, 0]), 2)
        self.assertEqual(p.find_path([1, 1, 0], [2, 2, 0]), 2)
        # Away from the search's start the same squeeze is taken.
        p = bound(open_map(3, 3, [(2, 1), (1, 2)]))
        self.assertEqual(p.find_path([3, 3, 0], [1, 1, 0]), 0)
        self.assertEqual(str(p.get_path()), "(2, 2) > (1, 1) > (0, 0)")

    def test_ends_and_corners(self):
        p = bound(open_map(6, 4))
        self.assertEqual(p.test_direct_view([1, 1, 0], [7, 1, 0]), 3)
        self.assertEqual(p.test_direct_view([1, 1, 0], [6, 1, 0]), 0)
        self.assertEqual(p.test_direct_view([0, 1, 0], [1, 1, 0]), 3)
        self.assertEqual(p.test_direct_view([1, 1, 0], [2**32 - 1, 2**32 - 1, 0]), 3)
        corners = bound(open_map(2, 2, [(1, 0), (0, 1)]))
        self.assertEqual(corners.test_direct_view([1, 1, 0], [2, 2, 0]), 0)
        self.assertEqual(corners.test_direct_view([2, 1, 0], [2, 1, 0]), 3)


class ConversionsTest(unittest.TestCase):
    def test_coordinates(self):
        p = bound(open_map(5, 5))
        self.assertEqual(p.find_path((1, 2, 0), [3, 4, 0]), 0)
        for bad in ([1, 2], [1, 2, 0, 0], [1, -2, 0], [1, 2.0, 0], [2**32, 1, 0], 5, None, "abc"):
            with self.subTest(bad=bad):
                with self.assertRaises(TypeError):
                    p.find_path(bad, [3, 4, 0])
                with self.assertRaises(TypeError):
                    p.test_direct_view([3, 4, 0], bad)
        with self.assertRaises(TypeError):
            p.find_path(first=[1, 1, 0], second=[1, 1, 0])

    def test_init_arguments(self):
        m = open_map(3, 1)
        p = pathfinder()
        self.assertEqual(p.init(m, 1), 0)
        self.assertEqual(p.find_path([1, 1, 0], [3, 1, 0]), 0)
        self.assertEqual(p.get_path().length(), 3)
        self.assertEqual(p.init(m, None), 0)
        self.assertEqual(p.find_path([1, 1, 0], [3, 1, 0]), 0)
        self.assertEqual(p.get_path().length(), 2)
        with self.assertRaises(TypeError):
            p.init(m, "yes")
        with self.assertRaises(TypeError):
            p.init("map", True)
        with self.assertRaises(RuntimeError) as caught:
            p.init(None, True)
        self.assertEqual(str(caught.exception), "")
        # The failed calls changed nothing.
        self.assertEqual(p.find_path([1, 1, 0], [3, 1, 0]), 0)
        self.assertEqual(p.get_path().length(), 2)


class BoundMapLifetimeTest(unittest.TestCase):
    def test_dropped_map_stays_alive_while_bound(self):
        p = bound(open_map(6, 3, [(2, 1)]))
        gc.collect()
        for _ in range(3):
            self.assertEqual(p.find_path([6, 2, 0], [1, 2, 0]), 0)
            self.assertEqual(str(p.get_path()), "(5, 1) > (4, 1) > (3, 1) > (2, 2) > (1, 2) > (0, 1)")
            self.assertEqual(p.test_direct_view([1, 1, 0], [6, 1, 0]), 0)
            # Fill memory the map would have held, had it been freed.
            junk = [projection_map(6, 3) for _ in range(50)]
            del junk
            gc.collect()

    def test_rebinding_releases_the_old_map(self):
        freed = []

        class Tracked(projection_map):
            def __init__(self, name):
                super().__init__(4, 4)
                self.name = name

            def __del__(self):
                freed.append(self.name)

        p = pathfinder()
        p.init(Tracked("first"), True)
        gc.collect()
        self.assertEqual(freed, [])
        p.init(Tracked("second"), True)
        gc.collect()
        self.assertEqual(freed, ["first"])
        del p
        gc.collect()
        self.assertEqual(freed, ["first", "second"])

    def test_reference_counts(self):
        m = open_map(3, 3)
        before = sys.getrefcount(m)
        p = bound(m)
        self.assertEqual(sys.getrefcount(m), before + 1)
        p.init(m, False)   # binding the same map again holds it once
        self.assertEqual(sys.getrefcount(m), before + 1)
        with self.assertRaises(RuntimeError):
            p.init(None, True)
        self.assertEqual(sys.getrefcount(m), before + 1)
        p.init(open_map(3, 3), True)
        self.assertEqual(sys.getrefcount(m), before)


if __name__ == "__main__":
    unittest.main()
