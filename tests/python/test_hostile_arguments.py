"""Arguments that fight back: sequences whose length changes between two
reads, __len__, __getitem__, __index__ and __bool__ that raise, return
absurd values or re-bind and drop maps while a call converts them, objects
relabelled with another class, and reference cycles through the module's
own references. Every call ends in its documented answer or exception.

Calls that once crashed the interpreter run in a child process, so that a
regression is reported with its signal instead of ending the test run."""
import ctypes
import gc
import json
import platform
import signal
import subprocess
import sys
import textwrap
import unittest
import weakref

from brondel import cornerfinder, pathfinder, projection_map

INCOMPATIBLE = "incompatible (function|constructor) arguments"
OUTSIDE = 0x41414141


def run_child(test, *sources):
    """Runs the `sources`, one after the other, in a fresh interpreter and
    returns what they printed as JSON; a crash fails `test` with the
    signal's name."""
    program = "".join(textwrap.dedent(source) for source in sources)
    run = subprocess.run([sys.executable, "-c", program],
                         capture_output=True, text=True, timeout=120)
    if run.returncode < 0:
        test.fail("the interpreter died of %s:\n%s"
                  % (signal.Signals(-run.returncode).name, run.stderr[-3000:]))
    test.assertEqual(run.returncode, 0, run.stderr[-3000:])
    return json.loads(run.stdout)


# Shared by the child processes: a sequence that says 3 when first asked for
# its length and `n` afterwards, and answers every index below n.
LIAR = """
    import json, brondel
    class Liar:
        def __init__(self, n, items=None):
            self.n, self.lengths, self.indexes = n, 0, []
            self.items = items
        def __len__(self):
            self.lengths += 1
            return 3 if self.lengths == 1 else self.n
        def __getitem__(self, i):
            self.indexes.append(i)
            if i >= self.n:
                raise IndexError(i)
            return self.items[i] if self.items else 0x41414141
    def outcome(call):
        try:
            return call()
        except TypeError as e:
            return "TypeError" if "incompatible function arguments" in str(e) else str(e)
"""


class CellArgumentTest(unittest.TestCase):
    def test_liar_at_every_cell_position(self):
        results = run_child(self, LIAR, """
            m = brondel.projection_map(4, 4); p = brondel.pathfinder(); p.init(m, True)
            results = []
            for name in ("find_path", "test_direct_view"):
                for position in (0, 1):
                    for n in (0, 1, 2, 4, 6, 8, 1000):
                        liar = Liar(n)
                        args = [[1, 1, 0], [1, 1, 0]]
                        args[position] = liar
                        answer = outcome(lambda: getattr(p, name)(*args))
                        results.append([name, position, n, answer, liar.lengths, liar.indexes])
            results.append(["still usable", p.find_path([1, 1, 0], [4, 4, 0]), str(p.get_path())])
            print(json.dumps(results))
        """)
        self.assertEqual(results.pop(), ["still usable", 0, "(0, 0) > (1, 1) > (2, 2) > (3, 3)"])
        self.assertEqual(len(results), 28)
        for name, position, n, answer, lengths, indexes in results:
            with self.subTest(method=name, position=position, second_length=n):
                self.assertEqual(lengths, 1, "the length is read once")
                if n < 3:
                    # Index n raises IndexError: a mismatch, as any short sequence.
                    self.assertEqual(answer, "TypeError")
                    self.assertEqual(indexes, list(range(n + 1)))
                else:
                    # Exactly items 0 to 2 are read; (0x41414140, ...) lies outside.
                    self.assertEqual(answer, 2 if name == "find_path" else 3)
                    self.assertEqual(indexes, [0, 1, 2])

    def test_longer_second_length_does_not_reach_the_other_argument(self):
        results = run_child(self, LIAR, """
            m = brondel.projection_map(8, 8); p = brondel.pathfinder(); p.init(m, True)
            status = p.find_path([1, 1, 0], Liar(6, [6, 3, 0, 6, 2, 0]))
            path = str(p.get_path())
            p.find_path([1, 1, 0], [6, 3, 0])
            print(json.dumps([status, path, str(p.get_path())]))
        """)
        status, path, expected = results
        self.assertEqual(status, 0)
        self.assertEqual(path, expected)
        self.assertTrue(path.startswith("(0, 0) > ") and path.endswith(" > (5, 2)"), path)

    def test_failing_sequences_are_mismatches(self):
        m, p = projection_map(4, 4), pathfinder()
        p.init(m, True)

        class Cell:
            def __init__(self, length, item=lambda i: 1):
                self.length, self.item = length, item

            def __len__(self):
                return self.length()

            def __getitem__(self, i):
                return self.item(i)

        def raises(error):
            def call(*_):
                raise error
            return call

        class Index:
            def __init__(self, result):
                self.result = result

            def __index__(self):
                return self.result()

        bad_cells = [
            Cell(raises(ZeroDivisionError)), Cell(lambda: 2 ** 70), Cell(lambda: -1), Cell(lambda: "3"),
            Cell(lambda: 3, raises(KeyError(0))), Cell(lambda: 3, raises(KeyboardInterrupt)),
            Cell(lambda: 3, lambda i: Index(raises(ValueError))),
            Cell(lambda: 3, lambda i: Index(lambda: -1)),
            Cell(lambda: 3, lambda i: Index(lambda: 2 ** 32)),
            Cell(lambda: 3, lambda i: Index(lambda: 2 ** 70)),
            Cell(lambda: 3, lambda i: None), "abc", "123", {0: 1, 1: 1, 2: 0}, [1, 1, 0, 0], [1, 1],
        ]
        for bad in bad_cells:
            for query in (p.find_path, p.test_direct_view):
                for args in ((bad, [1, 1, 0]), ([1, 1, 0], bad)):
                    with self.subTest(cell=bad, method=query.__name__):
                        with self.assertRaisesRegex(TypeError, INCOMPATIBLE) as raised:
                            query(*args)
                        self.assertIn("List[int[3]]", str(raised.exception))
        # Nothing was left half converted or with an error set.
        self.assertEqual(p.find_path([1, 1, 0], [4, 4, 0]), 0)
        good = Cell(lambda: 3, lambda i: Index(lambda: [2, 2, 7][i]))
        self.assertEqual(p.find_path([1, 1, 0], good), 0)
        self.assertEqual(str(p.get_path()), "(0, 0) > (1, 1)")

    def test_sequences_accepted_as_before(self):
        m, p = projection_map(4, 4), pathfinder()
        p.init(m, True)
        for cell in ((2, 2, 0), [2, 2, 5], range(1, 4), b"\x02\x02\x00", bytearray(b"\x02\x02\x09"),
                     memoryview(b"\x02\x02\x00"), [True, 2, 0]):
            with self.subTest(cell=cell):
                self.assertEqual(p.find_path([1, 1, 0], cell), 0)
                self.assertEqual(p.get_path().length(), 2)

    def test_conversion_that_rebinds_or_drops_the_map(self):
        # The map's last reference is the pathfinder's: re-binding from inside
        # the conversion frees it before the search runs on the new map.
        p = pathfinder()
        old = projection_map(6, 6)
        p.init(old, True)
        gone = weakref.ref(old)
        del old
        walled = projection_map(3, 3)
        walled.set(1, 0, "\x01")
        walled.set(1, 1, "\x01")

        class Rebinding:
            def __len__(self):
                return 3

            def __getitem__(self, i):
                if i == 0:
                    p.init(walled, False)
                    gc.collect()
                return [3, 1, 0][i]

        self.assertEqual(p.find_path([1, 1, 0], Rebinding()), 0)
        self.assertIsNone(gone(), "the old map was released during the conversion")
        self.assertEqual(str(p.get_path()), "(0, 0) > (0, 1) > (1, 2) > (2, 1) > (2, 0)")
        self.assertEqual(p.test_direct_view(Rebinding(), [1, 1, 0]), 3)
        # Re-binding to a map too large fails inside the conversion; the call
        # still runs, on the map bound before.
        too_large = projection_map(40000, 0)

        test = self

        class Refused:
            def __len__(self):
                return 3

            def __getitem__(self, i):
                with test.assertRaises(ValueError):
                    p.init(too_large, True)
                return [3, 1, 0][i]

        self.assertEqual(p.find_path(Refused(), [1, 1, 0]), 0)


class HostileNumberTest(unittest.TestCase):
    def test_index_and_int_that_fail_are_mismatches(self):
        m, c = projection_map(3, 3), cornerfinder(projection_map(3, 3))
        path = pathfinder().get_path()

        class Number:
            def __init__(self, index=None, integer=None):
                if index is not None:
                    self.__index__ = index
                if integer is not None:
                    self.__int__ = integer

        class Index:
            def __init__(self, result):
                self.result = result

            def __index__(self):
                return self.result()

        class Int:
            def __init__(self, result):
                self.result = result

            def __int__(self):
                return self.result()

        def raising():
            raise OverflowError

        hostile = [Index(raising), Index(lambda: -1), Index(lambda: 2 ** 64), Index(lambda: 2 ** 200),
                   Index(lambda: 1.0), Int(raising), Int(lambda: -5), Int(lambda: 2 ** 64), Int(lambda: "1")]
        for bad in hostile:
            calls = [lambda: projection_map(bad, 1), lambda: projection_map(1, bad), lambda: m.get(bad, 0),
                     lambda: m.get(0, bad), lambda: m.set(bad, 0, "\x01"), lambda: m.set(0, bad, "\x01"),
                     lambda: c.find_corner(bad, path)]
            for call in calls:
                with self.assertRaisesRegex(TypeError, INCOMPATIBLE):
                    call()
        self.assertEqual(str(m), "0 0 0\n0 0 0\n0 0 0\n")
        self.assertEqual(m.get(Index(lambda: 2), Int(lambda: 1)), "\x00")

    def test_flags_whose_truth_fails(self):
        m, p = projection_map(2, 1), pathfinder()
        p.init(m, True)

        class Flag:
            def __init__(self, truth):
                self.truth = truth

            def __bool__(self):
                return self.truth()

        def raising():
            raise RuntimeError("no truth")

        for bad in (Flag(raising), Flag(lambda: 2), Flag(lambda: None)):
            with self.assertRaisesRegex(TypeError, INCOMPATIBLE):
                p.init(m, bad)
        self.assertEqual(p.find_path([1, 1, 0], [2, 1, 0]), 0)
        self.assertEqual(p.get_path().length(), 2, "still interpolating")

    def test_flag_that_rebinds_the_pathfinder(self):
        first, second, p = projection_map(2, 1), projection_map(5, 1), pathfinder()

        class Flag:
            def __bool__(self):
                p.init(second, True)
                return False

        self.assertEqual(p.init(first, Flag()), 0)
        del first
        gc.collect()
        self.assertEqual(p.find_path([1, 1, 0], [2, 1, 0]), 0)
        self.assertEqual(p.find_path([1, 1, 0], [5, 1, 0]), 2, "the outer call's map is bound")

    def test_init_run_again_while_the_arguments_convert(self):
        results = run_child(self, """
            import json, brondel
            class Sneaky:
                def __init__(self, target):
                    self.target = target
                def __index__(self):
                    brondel.projection_map.__init__(self.target, 2, 2)
                    return 3
            class Grid(brondel.projection_map):
                def __init__(self):
                    super().__init__(Sneaky(self), 3)
            bare = Grid.__new__(Grid)
            try:
                Grid.__init__(bare)
                outcome = "accepted"
            except TypeError as e:
                outcome = str(e)
            print(json.dumps([outcome, bare.resolution]))
            del bare
        """)
        self.assertEqual(results, ["brondel.projection_map.__init__() was called again while its arguments "
                                   "were converted", [2, 2]])


class RelabelledObjectTest(unittest.TestCase):
    def test_class_assignment_between_module_classes_is_refused(self):
        results = run_child(self, """
            import json, brondel
            from brondel import cornerfinder, path_2d, pathfinder, pathfinder_ifc, projection_map
            class Grid(projection_map):
                pass
            class Finder(pathfinder):
                pass
            class OtherGrid(projection_map):
                pass
            objects = [projection_map(2, 2), pathfinder(), cornerfinder(projection_map(2, 2)),
                       pathfinder().get_path(), Grid(2, 2), Finder()]
            classes = [projection_map, pathfinder, pathfinder_ifc, cornerfinder, path_2d, Grid, Finder]
            outcomes = []
            for obj in objects:
                for cls in classes:
                    if cls is type(obj):
                        continue
                    try:
                        obj.__class__ = cls
                        outcomes.append([type(obj).__name__, "assigned"])
                    except TypeError:
                        pass
            try:
                Grid.__bases__ = (path_2d,)
                outcomes.append(["Grid", "rebased"])
            except TypeError:
                pass
            grid = Grid(2, 2)
            grid.__class__ = OtherGrid
            outcomes.append([type(grid).__name__, grid.resolution])
            print(json.dumps(outcomes))
        """)
        # Only a move between subclasses of one bound class is allowed.
        self.assertEqual(results, [["OtherGrid", [2, 2]]])

    def test_two_bound_classes_cannot_be_combined(self):
        with self.assertRaisesRegex(TypeError, "lay-out conflict"):
            type("Both", (projection_map, cornerfinder), {})


def pathfinder_clear_slot():
    """The pathfinder type's tp_clear, called as the collector does, or None
    where the type object's layout is not CPython 3.8's on a 64-bit system."""
    if (platform.python_implementation() != "CPython" or sys.version_info[:2] != (3, 8)
            or ctypes.sizeof(ctypes.c_void_p) != 8):
        return None
    word = ctypes.sizeof(ctypes.c_void_p)
    base = id(pathfinder)
    flags = ctypes.c_ulong.from_address(base + 21 * word).value
    valid_version_tag = 1 << 19  # set and reset by the method cache
    if (flags ^ pathfinder.__flags__) & ~valid_version_tag:
        return None
    address = ctypes.c_void_p.from_address(base + 24 * word).value
    return ctypes.PYFUNCTYPE(ctypes.c_int, ctypes.py_object)(address) if address else None


class ReferenceCycleTest(unittest.TestCase):
    class Grid(projection_map):
        pass

    class Corners(cornerfinder):
        pass

    class Finder(pathfinder):
        pass

    def assertCollected(self, *objects):
        refs = [weakref.ref(o) for o in objects]
        del objects
        gc.collect()
        self.assertEqual([r() for r in refs], [None] * len(refs))

    def test_map_that_refers_to_its_pathfinder(self):
        for finder_class in (pathfinder, self.Finder):
            p, m = finder_class(), self.Grid(1000, 1000)
            p.init(m, True)
            m.finder = p
            refs = [weakref.ref(p), weakref.ref(m)]
            del p, m
            gc.collect()
            self.assertEqual([r() for r in refs], [None, None], finder_class.__name__)

    def test_cornerfinder_that_refers_to_its_corner_map(self):
        c = self.Corners(projection_map(1000, 1000))
        c.cm = c.corner_map
        refs = [weakref.ref(c), weakref.ref(c.cm)]
        del c
        gc.collect()
        self.assertEqual([r() for r in refs], [None, None])

    def test_pathfinder_bound_to_a_corner_map_that_leads_back(self):
        c, p = self.Corners(projection_map(5, 5)), self.Finder()
        p.init(c.corner_map, False)
        c.finder = p
        p.me = p
        refs = [weakref.ref(c), weakref.ref(p)]
        del c, p
        gc.collect()
        self.assertEqual([r() for r in refs], [None, None])

    def test_what_is_pinned_stays_alive(self):
        m, p = self.Grid(4, 1), pathfinder()
        m.set(2, 0, "\x01")
        p.init(m, True)
        map_ref = weakref.ref(m)
        del m
        c = cornerfinder(projection_map(3, 3))
        corner_map, corners_ref = c.corner_map, weakref.ref(c)
        del c
        gc.collect()
        self.assertIsNotNone(map_ref())
        self.assertIsNotNone(corners_ref())
        self.assertEqual(p.find_path([1, 1, 0], [4, 1, 0]), 2, "the bound map is still read")
        self.assertEqual(corner_map.resolution, [3, 3])
        corner_map.set(1, 1, "\x01")
        self.assertEqual(corner_map.get(1, 1), "\x01")

    def test_uninitialised_objects_are_traversed_safely(self):
        bare = [cls.__new__(cls) for cls in (pathfinder, projection_map, self.Grid, self.Finder)]
        for obj in bare[2:]:
            obj.me = obj
        refs = [weakref.ref(o) for o in bare]
        del bare, obj
        gc.collect()
        self.assertEqual([r() for r in refs], [None] * 4)

    @unittest.skipIf(pathfinder_clear_slot() is None,
                     "reads the type object's slots as CPython 3.8 lays them out")
    def test_cleared_pathfinder_no_longer_reads_its_map(self):
        clear = pathfinder_clear_slot()
        m, p = projection_map(3, 3), pathfinder()
        p.init(m, True)
        map_ref = weakref.ref(m)
        del m
        self.assertEqual(clear(p), 0)
        self.assertIsNone(map_ref(), "the map is released")
        # As before init: no path, no view, and nothing read from the freed map.
        self.assertEqual(p.find_path([1, 1, 0], [3, 3, 0]), 2)
        self.assertEqual(p.test_direct_view([1, 1, 0], [1, 1, 0]), 3)
        p.init(projection_map(2, 2), True)
        self.assertEqual(p.find_path([1, 1, 0], [2, 2, 0]), 0)
        self.assertEqual(clear(pathfinder.__new__(pathfinder)), 0)


if __name__ == "__main__":
    unittest.main()
