"""Objects made with cls.__new__(cls), whose __init__ never ran, hold no native
object. Every method, property and argument slot must refuse them with
TypeError instead of handing unconstructed memory to the native code."""
import copy
import unittest

import brondel
import brondel_bulk

NOT_INITIALISED = r"__init__\(\) must be called before the object is used"


def bare(cls):
    return cls.__new__(cls)


class UninitialisedArgumentTest(unittest.TestCase):
    def test_map_given_to_cornerfinder(self):
        with self.assertRaisesRegex(TypeError, "brondel.projection_map." + NOT_INITIALISED):
            brondel.cornerfinder(bare(brondel.projection_map))

    def test_map_given_to_pathfinder(self):
        finder = brondel.pathfinder()
        with self.assertRaisesRegex(TypeError, "brondel.projection_map." + NOT_INITIALISED):
            finder.init(bare(brondel.projection_map), True)
        self.assertEqual(finder.find_path([1, 1, 0], [1, 1, 0]), 2)

    def test_path_given_to_find_corner(self):
        finder = brondel.cornerfinder(brondel.projection_map(3, 3))
        with self.assertRaisesRegex(TypeError, "brondel.path_2d." + NOT_INITIALISED):
            finder.find_corner(0, bare(brondel.path_2d))
        self.assertEqual(finder.corner, [0, 0])

    def test_objects_given_to_the_bulk_module(self):
        grid = brondel.projection_map(2, 2)
        corners = brondel.cornerfinder(grid)
        cases = [(brondel.projection_map, lambda m: brondel_bulk.fill(m, b"")),
                 (brondel.projection_map, brondel_bulk.cells),
                 (brondel.projection_map, lambda m: brondel_bulk.find_paths(m, [(0, 0, 0, 0)], True, 2)),
                 (brondel.path_2d, brondel_bulk.path_cells),
                 (brondel.cornerfinder, lambda c: brondel_bulk.find_corners(c, []))]
        for cls, call in cases:
            with self.subTest(cls=cls.__name__):
                with self.assertRaisesRegex(TypeError, "brondel.%s.%s" % (cls.__name__, NOT_INITIALISED)):
                    call(bare(cls))
        self.assertEqual(brondel_bulk.cells(grid), bytes(4))
        self.assertEqual(list(brondel_bulk.find_corners(corners, [])), [])


class UninitialisedSelfTest(unittest.TestCase):
    def test_projection_map(self):
        m = bare(brondel.projection_map)
        for call in (lambda: str(m), lambda: m.resolution, lambda: m.get(0, 0),
                     lambda: m.set(0, 0, "a")):
            with self.assertRaisesRegex(TypeError, "brondel.projection_map." + NOT_INITIALISED):
                call()

    def test_path_2d(self):
        p = bare(brondel.path_2d)
        for call in (lambda: str(p), lambda: p.length()):
            with self.assertRaisesRegex(TypeError, "brondel.path_2d." + NOT_INITIALISED):
                call()

    def test_pathfinder(self):
        # The pathfinder is virtual: a call on an empty one would go through
        # a vtable that was never written.
        p = bare(brondel.pathfinder)
        m = brondel.projection_map(2, 2)
        for call in (lambda: p.init(m, True), lambda: p.find_path([1, 1, 0], [2, 2, 0]),
                     lambda: p.test_direct_view([1, 1, 0], [2, 2, 0]), lambda: p.get_path(),
                     lambda: p.get_path_length()):
            with self.assertRaisesRegex(TypeError, "brondel.pathfinder." + NOT_INITIALISED):
                call()

    def test_cornerfinder(self):
        c = bare(brondel.cornerfinder)
        path = brondel.pathfinder().get_path()
        for call in (lambda: c.corner, lambda: c.corner_map, lambda: c.find_corner(0, path)):
            with self.assertRaisesRegex(TypeError, "brondel.cornerfinder." + NOT_INITIALISED):
                call()

    def test_subclass_that_never_initialised_its_base(self):
        class Grid(brondel.projection_map):
            def __init__(self):
                pass

        g = Grid.__new__(Grid)
        with self.assertRaisesRegex(TypeError, "brondel.projection_map." + NOT_INITIALISED):
            g.get(0, 0)

        class Finder(brondel.pathfinder):
            def __init__(self):
                pass

        f = Finder.__new__(Finder)
        with self.assertRaisesRegex(TypeError, "brondel.pathfinder." + NOT_INITIALISED):
            f.find_path([1, 1, 0], [1, 1, 0])

    def test_late_init_makes_the_object_usable(self):
        m = bare(brondel.projection_map)
        brondel.projection_map.__init__(m, 3, 2)
        self.assertEqual(m.resolution, [3, 2])
        self.assertEqual(str(m), "0 0 0\n0 0 0\n")

    def test_second_init_is_ignored(self):
        m = brondel.projection_map(2, 2)
        m.set(1, 1, "\x05")
        m.__init__(7, 7)
        self.assertEqual(m.resolution, [2, 2])
        self.assertEqual(m.get(1, 1), "\x05")

    def test_copy_is_refused(self):
        # copy.copy would otherwise build an object through __new__ alone.
        for obj in (brondel.projection_map(2, 2), brondel.pathfinder(),
                    brondel.cornerfinder(brondel.projection_map(2, 2))):
            with self.assertRaises(TypeError):
                copy.copy(obj)
            with self.assertRaises(TypeError):
                copy.deepcopy(obj)


if __name__ == "__main__":
    unittest.main()
