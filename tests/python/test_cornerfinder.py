"""Python face of cornerfinder: construction, the corner, the corner map
handed out in place, and the errors of bad arguments."""
import gc
import unittest
import weakref

import brondel
from brondel import cornerfinder, projection_map

HAS_PATHFINDER = hasattr(brondel, "pathfinder")


def block_map(width, height, left, bottom, size):
    m = projection_map(width, height)
    for y in range(bottom, bottom + size):
        for x in range(left, left + size):
            m.set(x, y, "\x01")
    return m


def run_map():
    """10 x 10 with a horizontal run of occupied cells from (2, 5) to (6, 5)."""
    m = projection_map(10, 10)
    for x in range(2, 7):
        m.set(x, 5, "\x01")
    return m


def straight_path(grid, start, end):
    """The path_2d the pathfinder finds between two free cells of `grid`,
    interpolated, from `start` to `end` (zero-based (x, y) cells)."""
    finder = brondel.pathfinder()
    finder.init(grid, True)
    status = finder.find_path([start[0] + 1, start[1] + 1, 0], [end[0] + 1, end[1] + 1, 0])
    assert status == 0, "no path from %r to %r" % (start, end)
    return finder.get_path()


class CornerfinderTest(unittest.TestCase):
    def test_new_cornerfinder_has_corner_at_origin(self):
        self.assertEqual(cornerfinder(run_map()).corner, [0, 0])

    def test_corner_map_of_filled_block_keeps_its_corners(self):
        finder = cornerfinder(block_map(7, 7, 2, 2, 3))
        self.assertEqual(str(finder.corner_map),
                         "0 0 0 0 0 0 0\n"
                         "0 0 0 0 0 0 0\n"
                         "0 0 1 0 1 0 0\n"
                         "0 0 0 0 0 0 0\n"
                         "0 0 1 0 1 0 0\n"
                         "0 0 0 0 0 0 0\n"
                         "0 0 0 0 0 0 0\n")
        self.assertEqual(finder.corner_map.resolution, [7, 7])

    def test_writes_to_source_do_not_reach_corner_map(self):
        source = run_map()
        finder = cornerfinder(source)
        source.set(0, 0, "\x01")
        source.set(4, 5, "\x01")
        self.assertEqual(finder.corner_map.get(0, 0), "\x00")
        self.assertEqual(finder.corner_map.get(4, 5), "\x00")

    def test_writes_through_corner_map_stay_in_it(self):
        source = run_map()
        finder = cornerfinder(source)
        finder.corner_map.set(9, 9, "x")
        self.assertEqual(finder.corner_map.get(9, 9), "x")
        self.assertEqual(source.get(9, 9), "\x00")

    def test_corner_map_is_the_same_object_while_alive(self):
        finder = cornerfinder(run_map())
        self.assertIs(finder.corner_map, finder.corner_map)
        first = finder.corner_map
        self.assertIs(finder.corner_map, first)

    def test_corner_map_outlives_its_cornerfinder(self):
        finder = cornerfinder(block_map(7, 7, 2, 2, 3))
        alive = weakref.ref(finder)
        corner_map = finder.corner_map
        text = str(corner_map)
        del finder
        gc.collect()
        self.assertIsNotNone(alive(), "the corner map must keep its cornerfinder alive")
        self.assertEqual(str(corner_map), text)
        corner_map.set(0, 0, "\x01")
        self.assertEqual(corner_map.get(0, 0), "\x01")
        del corner_map
        gc.collect()
        self.assertIsNone(alive())

    def test_corner_is_a_fresh_list(self):
        finder = cornerfinder(run_map())
        corner = finder.corner
        corner[0] = 5
        self.assertEqual(finder.corner, [0, 0])
        self.assertIsNot(finder.corner, finder.corner)

    def test_properties_are_read_only(self):
        finder = cornerfinder(run_map())
        with self.assertRaises(AttributeError):
            finder.corner = [1, 2]
        with self.assertRaises(AttributeError):
            finder.corner_map = projection_map(10, 10)
        with self.assertRaises(AttributeError):
            finder.foo = 1

    def test_none_raises_runtime_error(self):
        with self.assertRaises(RuntimeError) as caught:
            cornerfinder(None)
        self.assertEqual(str(caught.exception), "")
        finder = cornerfinder(run_map())
        with self.assertRaises(RuntimeError) as caught:
            finder.find_corner(0, None)
        self.assertEqual(str(caught.exception), "")
        self.assertEqual(finder.corner, [0, 0])

    def test_bad_arguments_raise_type_error(self):
        finder = cornerfinder(run_map())
        for args in [(-1, None), (0.0, None), (0, [0, 4, 1, 4]), (0, projection_map(1, 1))]:
            with self.subTest(args=args):
                with self.assertRaises(TypeError) as caught:
                    finder.find_corner(*args)
                self.assertTrue(str(caught.exception).startswith(
                    "find_corner(): incompatible function arguments. The following argument types "
                    "are supported:\n    1. (self: brondel.cornerfinder, arg0: int, "
                    "arg1: brondel.path_2d) -> int\n\nInvoked with: "))
        for args in [(), ([0, 0],), (run_map(), run_map())]:
            with self.subTest(args=args):
                with self.assertRaises(TypeError):
                    cornerfinder(*args)
        with self.assertRaises(TypeError):
            cornerfinder(arg0=run_map())

    def test_signatures(self):
        self.assertIn("__init__(self: brondel.cornerfinder, arg0: brondel.projection_map) -> None",
                      cornerfinder.__init__.__doc__)
        self.assertIn("find_corner(self: brondel.cornerfinder, arg0: int, arg1: brondel.path_2d) -> int",
                      cornerfinder.find_corner.__doc__)
        self.assertIn("(self: brondel.cornerfinder) -> List[int[2]]", cornerfinder.corner.fget.__doc__)
        self.assertIn("(self: brondel.cornerfinder) -> brondel.projection_map",
                      cornerfinder.corner_map.fget.__doc__)


@unittest.skipUnless(HAS_PATHFINDER, "needs brondel.pathfinder")
class CornerOfFoundPathTest(unittest.TestCase):
    def test_run_example(self):
        grid = run_map()
        finder = cornerfinder(grid)
        self.assertEqual(finder.find_corner(0, straight_path(grid, (0, 4), (9, 4))), 0)
        self.assertEqual(finder.corner, [2, 4])
        finder.find_corner(0, straight_path(grid, (4, 4), (9, 4)))
        self.assertEqual(finder.corner, [6, 4])

    def test_first_argument_is_ignored(self):
        grid = run_map()
        finder = cornerfinder(grid)
        path = straight_path(grid, (0, 4), (9, 4))
        for n in (0, 7, 2**64 - 1):
            with self.subTest(n=n):
                self.assertEqual(finder.find_corner(n, path), 0)
                self.assertEqual(finder.corner, [2, 4])
        for n in (-1, 0.0, 1.5):
            with self.subTest(n=n):
                with self.assertRaises(TypeError):
                    finder.find_corner(n, path)

    def test_one_cell_path_and_untouched_path(self):
        grid = run_map()
        finder = cornerfinder(grid)
        finder.find_corner(0, straight_path(grid, (2, 4), (2, 4)))
        self.assertEqual(finder.corner, [2, 4])
        finder.find_corner(0, straight_path(grid, (0, 0), (9, 0)))
        self.assertEqual(finder.corner, [9, 0])

    def test_writes_through_corner_map_change_next_result(self):
        grid = run_map()
        finder = cornerfinder(grid)
        path = straight_path(grid, (0, 8), (9, 8))
        finder.find_corner(0, path)
        self.assertEqual(finder.corner, [9, 8])
        grid.set(3, 9, "\x01")
        finder.find_corner(0, path)
        self.assertEqual(finder.corner, [9, 8])
        finder.corner_map.set(3, 9, "\x01")
        finder.find_corner(0, path)
        self.assertEqual(finder.corner, [3, 8])

    def test_path_from_a_larger_map(self):
        large = projection_map(30, 30)
        path = straight_path(large, (29, 3), (0, 3))
        small = projection_map(5, 5)
        small.set(4, 3, "\x01")
        finder = cornerfinder(small)
        # Cells beyond the small map touch nothing, even (5, 3) beside the
        # occupied (4, 3); the path's last cell is chosen when nothing else is.
        finder.find_corner(0, straight_path(large, (29, 3), (5, 3)))
        self.assertEqual(finder.corner, [5, 3])
        finder.find_corner(0, path)
        self.assertEqual(finder.corner, [3, 3])
        far = straight_path(large, (29, 29), (10, 10))
        finder.find_corner(0, far)
        self.assertEqual(finder.corner, [10, 10])


if __name__ == "__main__":
    unittest.main()
