"""Random sequences of calls on the module, checked against a model.

Run as a program (test_torture.py runs it in a child process, so that a
crash is reported instead of taking the test runner with it):

    python torture.py [--seconds S] [--seed N]

Each seed drives one session of random calls on a handful of maps,
pathfinders and corner finders, their Python subclasses, objects that were
never initialised, and brondel_bulk's functions on them (buffers of every
wrong shape, threaded batches while another Python thread writes cells,
resizes a buffer and drops objects), and every kind of bad argument: wrong types and counts,
keywords, None, negative and huge numbers, and hostile objects in every
place that takes a sequence or a number: lengths that change between two
reads, __len__, __getitem__, __index__ and __bool__ that raise or answer
absurdly, or that re-bind the pathfinder or drop the last reference to a map
while the call converts them. Objects are dropped at random,
also while others still refer to them, and the garbage collector runs in
between. Every call must either succeed with the answer the model predicts
or raise the exception the module documents for it. Sessions run one after
the other, seed after seed, until the time is up. A mismatch prints the seed
and the call and exits with status 1.
"""
import argparse
import array
import gc
import random
import re
import struct
import sys
import threading
import time

import brondel
import brondel_bulk
from brondel import cornerfinder, path_2d, pathfinder, pathfinder_ifc, projection_map

U32 = 2 ** 32
U64 = 2 ** 64
MAX_SEARCH_EXTENT = 32767
SQRT2 = struct.unpack("f", struct.pack("f", 1.41421354))[0]
CELL = re.compile(r"\((-?\d+), (-?\d+)\)")
INCOMPATIBLE = "incompatible (function|constructor) arguments"


def f32(value):
    return struct.unpack("f", struct.pack("f", value))[0]


class Mismatch(Exception):
    pass


# ---- Reference computations --------------------------------------------------

class GridModel:
    """What a projection_map must hold: its size and every cell."""

    def __init__(self, width, height, cells=None):
        self.width = width
        self.height = height
        self.cells = bytearray(width * height) if cells is None else bytearray(cells)

    def inside(self, x, y):
        return 0 <= x < self.width and 0 <= y < self.height

    def at(self, x, y):
        return self.cells[y * self.width + x]

    def free(self, x, y):
        return self.inside(x, y) and self.at(x, y) == 0

    def text(self):
        def signed(b):
            return b - 256 if b >= 128 else b
        return "".join(" ".join(str(signed(self.at(x, y))) for x in range(self.width)) + "\n"
                       for y in reversed(range(self.height)))

    def corner_reduction(self):
        reduced = GridModel(self.width, self.height, self.cells)
        for y in range(1, self.height - 1):
            for x in range(1, self.width - 1):
                if self.at(x, y) and ((self.at(x + 1, y) and self.at(x - 1, y)) or
                                      (self.at(x, y + 1) and self.at(x, y - 1))):
                    reduced.cells[y * self.width + x] = 0
        return reduced


def line(grid, a, b):
    """Cells of the digital line from a to b, or [] if one is blocked or outside."""
    if not grid.inside(*a) or not grid.inside(*b):
        return []
    (x, y), (x1, y1) = a, b
    dx, dy = abs(x1 - x), abs(y1 - y)
    sx = 1 if x1 > x else -1
    sy = 1 if y1 > y else -1
    err = dx - dy
    cells = []
    while True:
        if not grid.free(x, y):
            return []
        cells.append((x, y))
        if (x, y) == (x1, y1):
            return cells
        e2 = 2 * err
        if e2 > -dy:
            err -= dy
            x += sx
        if e2 < dx:
            err += dx
            y += sy


def straighten(grid, jump_points):
    cells, segment, anchor = [jump_points[0]], [], 0
    for candidate in range(1, len(jump_points)):
        drawn = line(grid, jump_points[anchor], jump_points[candidate])
        if not drawn:
            cells += segment
            anchor = candidate - 1
            drawn = line(grid, jump_points[anchor], jump_points[candidate])
        segment = drawn[1:]
    return cells + segment


def step_length(cells):
    total = 0.0
    for (ax, ay), (bx, by) in zip(cells, cells[1:]):
        total = f32(total + (1.0 if ax == bx or ay == by else SQRT2))
    return total


def jump_length(points):
    cost = 0
    for (ax, ay), (bx, by) in zip(points, points[1:]):
        cost += int(f32(f32(f32(float((ax - bx) ** 2 + (ay - by) ** 2)) ** 0.5) * 10.0))
    return f32(f32(float(cost)) * f32(0.1))


def corner_of(grid, cells):
    for i, (x, y) in enumerate(cells):
        touches = grid.inside(x, y) and (
            (x + 1 < grid.width and grid.at(x + 1, y)) or (x > 0 and grid.at(x - 1, y)) or
            (y + 1 < grid.height and grid.at(x, y + 1)) or (y > 0 and grid.at(x, y - 1)))
        if i == len(cells) - 1 or (i > 0 and touches):
            return [x % U32, y % U32]
    return [0, 0]


def cells_of(path):
    cells = [(int(x), int(y)) for x, y in CELL.findall(str(path))]
    if len(cells) != path.length():
        raise Mismatch("path text and length disagree: %r, %d" % (str(path), path.length()))
    return cells


# ---- Python subclasses -------------------------------------------------------

class TaggedMap(projection_map):
    def __init__(self, width, height):
        super().__init__(width, height)
        self.tag = "map"


class TaggedPathfinder(pathfinder):
    def __init__(self):
        super().__init__()
        self.searches = 0


class TaggedCornerfinder(cornerfinder):
    def __init__(self, grid):
        super().__init__(grid)
        self.tag = "corners"


class ForgetfulMap(projection_map):
    def __init__(self, width, height):
        pass


class ForgetfulPathfinder(pathfinder):
    def __init__(self):
        pass


class Truthy:
    def __init__(self, value):
        self.value = value

    def __bool__(self):
        return self.value


# ---- The session -------------------------------------------------------------

class Session:
    """Objects under test with their models, and the calls made on them."""

    def __init__(self, rng, log):
        self.rng = rng
        self.log = log
        self.maps = []          # [object, GridModel]
        self.finders = []       # [object, bound GridModel or None, interpolate, last length]
        self.corners = []       # [object, GridModel of its corner map, corner]
        self.paths = []         # [path_2d, cells]
        self.bare = []          # objects made by __new__ alone
        self.calls = 0
        self.raised = 0

    # -- expectation helpers

    def expect(self, error, call, message=None):
        """Runs call(); it must raise `error` (a type, with `message` if
        given) or, for error None, return; returns what it returned."""
        self.calls += 1
        try:
            result = call()
        except Exception as e:  # noqa: BLE001 - every outcome is compared
            if error is None or type(e) is not error:
                raise Mismatch("raised %s: %s, expected %s" % (type(e).__name__, e,
                               error.__name__ if error else "success")) from e
            if message is not None and not re.search(message, str(e)):
                raise Mismatch("%s message %r does not match %r" % (error.__name__, str(e), message))
            self.raised += 1
            return None
        if error is not None:
            raise Mismatch("returned %r, expected %s" % (result, error.__name__))
        return result

    def check(self, condition, what):
        if not condition:
            raise Mismatch(what)

    def pick(self, pool):
        return self.rng.choice(pool) if pool else None

    def index(self, limit):
        """An index: mostly inside 0..limit+1, sometimes at a type boundary."""
        r = self.rng.random()
        if r < 0.85:
            return self.rng.randint(0, limit + 1)
        return self.rng.choice([U32 - 1, 2 ** 31, 2 ** 31 - 1, U64 - 1, 32767, 65535])

    def coordinate(self, grid):
        """Mostly a free cell of the grid, so that searches succeed; else any."""
        third = self.rng.choice([0, 1, 7, U32 - 1])
        if grid and grid.width * grid.height and self.rng.random() < 0.75:
            for _ in range(8):
                x, y = self.rng.randrange(min(grid.width, 64)), self.rng.randrange(min(grid.height, 64))
                if grid.free(x, y):
                    c = [x + 1, y + 1, third]
                    return tuple(c) if self.rng.random() < 0.5 else c
        width = grid.width if grid else 4
        height = grid.height if grid else 4
        c = [self.index(width), self.index(height), third]
        c = [v % U32 for v in c]
        return tuple(c) if self.rng.random() < 0.5 else c

    # -- operations

    def new_map(self):
        big = self.rng.random() < 0.1
        width = self.rng.randint(0, 40 if big else 12)
        height = self.rng.randint(0, 40 if big else 12)
        cls = self.rng.choice([projection_map, TaggedMap])
        m = self.expect(None, lambda: cls(width, height))
        model = GridModel(width, height)
        density = self.rng.random() * 0.5
        for y in range(height):
            for x in range(width):
                if self.rng.random() < density:
                    value = self.rng.randint(1, 255)
                    m.set(x, y, chr(value))
                    model.cells[y * width + x] = value
        self.maps.append([m, model])

    def bad_map(self):
        cases = [
            (TypeError, lambda: projection_map(-1, 2)),
            (TypeError, lambda: projection_map(2, U32)),
            (TypeError, lambda: projection_map(2.0, 2)),
            (TypeError, lambda: projection_map(2)),
            (TypeError, lambda: projection_map(2, 2, 2)),
            (TypeError, lambda: projection_map(width=2, height=2)),
            (TypeError, lambda: projection_map("2", 2)),
            (TypeError, lambda: ForgetfulMap(2, 2)),
            (TypeError, lambda: path_2d()),
            (TypeError, lambda: pathfinder_ifc()),
            (TypeError, lambda: pathfinder(projection_map(1, 1))),
            (TypeError, lambda: ForgetfulPathfinder()),
            (RuntimeError, lambda: cornerfinder(None)),
            (TypeError, lambda: cornerfinder()),
            (TypeError, lambda: cornerfinder([[0]])),
        ]
        error, call = self.rng.choice(cases)
        self.expect(error, call)

    def wide_empty_map(self):
        # Sizes beyond what the search supports, but without a single cell:
        # binding and searching must fail cleanly, not compute with them.
        width, height = self.rng.choice([(U32 - 1, 0), (2 ** 31, 0), (2 ** 31 + 3, 0), (0, 0),
                                         (MAX_SEARCH_EXTENT, 0), (MAX_SEARCH_EXTENT + 1, 0)])
        m = self.expect(None, lambda: projection_map(width, height))
        self.check(m.resolution == [width, height], "resolution of an empty map")
        self.check(str(m) == "", "text of a map without rows")
        self.maps.append([m, GridModel(width, height)])

    def set_cell(self):
        entry = self.pick(self.maps)
        if entry is None:
            return
        m, grid = entry
        x, y = self.index(grid.width), self.index(grid.height)
        if grid.width and grid.height and self.rng.random() < 0.6:
            x, y = self.rng.randrange(min(grid.width, 64)), self.rng.randrange(min(grid.height, 64))
        value = self.rng.choice([0, 0, self.rng.randint(0, 255)])
        kind = self.rng.random()
        if kind < 0.1:
            self.expect(TypeError, lambda: m.set(-1 - x, y, "a"))
        elif kind < 0.15:
            self.expect(TypeError, lambda: m.set(x, y + U64, "a"))
        elif kind < 0.2:
            self.expect(TypeError, lambda: m.set(float(x), y, "a"))
        elif kind < 0.25:
            self.expect(TypeError, lambda: m.set(x, y))
        elif kind < 0.35:
            bad, message = self.rng.choice([
                ("", "Cannot convert empty string to a character"),
                ("ab", "Expected a character, but multi-character string found"),
                (None, "Cannot convert None to a character"),
                ("\u0100", r"Character code point not in range\(0x100\)")])
            self.expect(ValueError, lambda: m.set(x, y, bad), message)
        elif not grid.inside(x, y):
            self.expect(IndexError, lambda: m.set(x, y, chr(value)))
        else:
            encoded = self.rng.choice([chr(value), bytes([value])])
            self.expect(None, lambda: m.set(x, y, encoded))
            grid.cells[y * grid.width + x] = value

    def read_map(self):
        entry = self.pick(self.maps)
        if entry is None:
            return
        m, grid = entry
        x, y = self.index(grid.width), self.index(grid.height)
        if grid.inside(x, y):
            got = self.expect(None, lambda: m.get(x, y))
            self.check(got == chr(grid.at(x, y)), "get(%d, %d) is %r, not %r" % (x, y, got, chr(grid.at(x, y))))
        else:
            self.expect(IndexError, lambda: m.get(x, y))
        if grid.width * grid.height <= 400:
            self.check(str(m) == grid.text(), "map text differs from the model")
        self.check(m.resolution == [grid.width, grid.height], "resolution differs")
        self.expect(AttributeError, lambda: setattr(m, "resolution", [1, 1]))

    def new_finder(self):
        cls = self.rng.choice([pathfinder, TaggedPathfinder])
        f = self.expect(None, cls)
        self.check(isinstance(f, pathfinder_ifc), "a pathfinder is a pathfinder_ifc")
        self.finders.append([f, None, False, None])

    def bind(self):
        entry, target = self.pick(self.finders), self.pick(self.maps)
        if entry is None or target is None:
            return
        f = entry[0]
        m, grid = target
        kind = self.rng.random()
        if kind < 0.08:
            self.expect(RuntimeError, lambda: f.init(None, True), "^$")
        elif kind < 0.14:
            self.expect(TypeError, lambda: f.init(m, "yes"))
        elif kind < 0.2:
            self.expect(TypeError, lambda: f.init(self.rng.choice([1, [], path_2d, f]), True))
        elif kind < 0.24:
            self.expect(TypeError, lambda: f.init(m))
        elif max(grid.width, grid.height) > MAX_SEARCH_EXTENT:
            # Larger grids would overflow the cost arithmetic of the search.
            self.expect(ValueError, lambda: f.init(m, True), "too large for the pathfinder")
        else:
            flag, truth = self.rng.choice([(True, True), (False, False), (1, True), (0, False),
                                           (None, False), (Truthy(True), True), (Truthy(False), False)])
            self.check(self.expect(None, lambda: f.init(m, flag)) == 0, "init returns 0")
            entry[1], entry[2] = grid, truth

    def search(self):
        entry = self.pick(self.finders)
        if entry is None:
            return
        f, grid, interpolate, last_length = entry
        kind = self.rng.random()
        if kind < 0.12:
            bad = self.rng.choice([[1, 2], [1, 2, 3, 4], [1, -2, 0], [1, U32, 0], [1.0, 2, 0], "abc", 5, None])
            self.expect(TypeError, lambda: f.find_path(bad, [1, 1, 0]))
            return
        if kind < 0.16:
            self.expect(TypeError, lambda: f.find_path([1, 1, 0]))
            return
        first, second = self.coordinate(grid), self.coordinate(grid)
        status = self.expect(None, lambda: f.find_path(first, second))
        self.verify_search(entry, first, second, status)

    def verify_search(self, entry, first, second, status):
        """Checks the answer of find_path(first, second) against the model of
        the pathfinder as it is bound now."""
        f, grid, interpolate, last_length = entry
        path = f.get_path()
        cells = cells_of(path)
        length = f.get_path_length()
        self.paths.append([path, cells])
        self.check(status in (0, 2), "find_path status %r" % status)
        if status == 2:
            self.check(cells == [], "a failed search leaves an empty path")
            if last_length is not None:
                self.check(length == last_length, "a failed search keeps the last length")
            return
        self.check(grid is not None, "a search on an unbound pathfinder succeeded")
        start = ((first[0] - 1) % U32, (first[1] - 1) % U32)
        end = ((second[0] - 1) % U32, (second[1] - 1) % U32)
        self.check(grid.free(*start) and grid.free(*end), "path between cells that are not free")
        self.check(cells[0] == start and cells[-1] == end, "path does not run from first to second")
        if interpolate:
            for (ax, ay), (bx, by) in zip(cells, cells[1:]):
                self.check(max(abs(ax - bx), abs(ay - by)) == 1, "path not 8-connected")
            self.check(all(grid.free(x, y) for x, y in cells), "path crosses a blocked cell")
            self.check(length == step_length(cells), "length %r is not the step sum" % length)
        else:
            for (ax, ay), (bx, by) in zip(cells, cells[1:]):
                dx, dy = bx - ax, by - ay
                self.check((dx or dy) and (dx == 0 or dy == 0 or abs(dx) == abs(dy)),
                           "jump points not on one row, column or diagonal")
            self.check(length == jump_length(cells), "jump-point length %r" % length)
        entry[3] = length
        self.compare_with_fresh(f, grid, interpolate, first, second, status, cells, length)

    def compare_with_fresh(self, f, grid, interpolate, first, second, status, cells, length):
        """A pathfinder that never searched must find the same path; and the
        plain jump points, straightened, must give the interpolated path."""
        fresh = pathfinder()
        fresh.init(self.bound_map_of(f, grid), interpolate)
        self.check(fresh.find_path(first, second) == status, "a fresh pathfinder disagrees")
        self.check(cells_of(fresh.get_path()) == cells and fresh.get_path_length() == length,
                   "a fresh pathfinder finds another path")
        if interpolate:
            fresh.init(self.bound_map_of(f, grid), False)
            fresh.find_path(first, second)
            self.check(straighten(grid, cells_of(fresh.get_path())) == cells,
                       "the interpolated path is not the straightened jump points")

    def bound_map_of(self, finder, grid):
        # The bound map may have been dropped from the pool (the pathfinder
        # keeps it alive); a copy with the model's cells stands in for it.
        for m, model in self.maps:
            if model is grid:
                return m
        for c, model, _ in self.corners:
            if model is grid:
                return c.corner_map
        copy = projection_map(grid.width, grid.height)
        for y in range(grid.height):
            for x in range(grid.width):
                copy.set(x, y, chr(grid.at(x, y)))
        self.keep = copy  # alive until the next stand-in
        return copy

    def direct_view(self):
        entry = self.pick(self.finders)
        if entry is None:
            return
        f, grid = entry[0], entry[1]
        first, second = self.coordinate(grid), self.coordinate(grid)
        if self.rng.random() < 0.1:
            self.expect(TypeError, lambda: f.test_direct_view(first, [1, -1, 0]))
            return
        status = self.expect(None, lambda: f.test_direct_view(first, second))
        self.verify_view(entry, first, second, status)

    def verify_view(self, entry, first, second, status):
        grid = entry[1]
        a = ((first[0] - 1) % U32, (first[1] - 1) % U32)
        b = ((second[0] - 1) % U32, (second[1] - 1) % U32)
        a = (a[0] - U32 if a[0] >= 2 ** 31 else a[0], a[1] - U32 if a[1] >= 2 ** 31 else a[1])
        b = (b[0] - U32 if b[0] >= 2 ** 31 else b[0], b[1] - U32 if b[1] >= 2 ** 31 else b[1])
        sees = grid is not None and bool(line(grid, a, b))
        self.check(status == (0 if sees else 3), "test_direct_view %r, line walk says %r" % (status, sees))

    def new_corners(self):
        target = self.pick(self.maps)
        if target is None:
            return
        m, grid = target
        cls = self.rng.choice([cornerfinder, TaggedCornerfinder])
        c = self.expect(None, lambda: cls(m))
        self.check(c.corner == [0, 0], "a new cornerfinder's corner")
        self.corners.append([c, grid.corner_reduction(), [0, 0]])

    def find_corner(self):
        entry, path_entry = self.pick(self.corners), self.pick(self.paths)
        if entry is None or path_entry is None:
            return
        c, grid, _ = entry
        path, cells = path_entry
        kind = self.rng.random()
        if kind < 0.08:
            self.expect(RuntimeError, lambda: c.find_corner(0, None))
        elif kind < 0.16:
            bad = self.rng.choice([-1, 1.5, U64, "0"])
            self.expect(TypeError, lambda: c.find_corner(bad, path))
        elif kind < 0.2:
            self.expect(TypeError, lambda: c.find_corner(0, [0, 0]))
        else:
            unused = self.rng.choice([0, 1, U64 - 1, 12345])
            self.check(self.expect(None, lambda: c.find_corner(unused, path)) == 0, "find_corner returns 0")
            entry[2] = corner_of(grid, cells)
        self.check(c.corner == entry[2], "corner %r, expected %r" % (c.corner, entry[2]))
        self.expect(AttributeError, lambda: setattr(c, "corner", [1, 1]))

    def take_corner_map(self):
        entry = self.pick(self.corners)
        if entry is None:
            return
        c, grid, _ = entry
        m = self.expect(None, lambda: c.corner_map)
        self.check(m is c.corner_map, "corner_map read twice gives two objects")
        self.check(m.resolution == [grid.width, grid.height], "corner map size")
        self.maps.append([m, grid])

    def drop(self):
        pools = [p for p in (self.maps, self.finders, self.corners, self.paths, self.bare) if p]
        if pools:
            pool = self.rng.choice(pools)
            del pool[self.rng.randrange(len(pool))]
        if self.rng.random() < 0.3:
            gc.collect()

    def reinit(self):
        """A second __init__ on a live object changes nothing."""
        pools = [p for p in (self.maps, self.finders, self.corners) if p]
        if not pools:
            return
        obj = self.rng.choice(pools)[0][0]
        if isinstance(obj, projection_map):
            self.expect(None, lambda: obj.__init__(3, 3))
        elif isinstance(obj, pathfinder):
            self.expect(None, lambda: obj.__init__())
        else:
            self.expect(None, lambda: obj.__init__(projection_map(5, 5)))

    BARE_CLASSES = [projection_map, TaggedMap, ForgetfulMap, path_2d, pathfinder_ifc, pathfinder,
                    TaggedPathfinder, ForgetfulPathfinder, cornerfinder, TaggedCornerfinder]

    def uninitialised(self):
        """Objects made by __new__ alone, of every class and subclass, kept in
        a pool (some in cycles, through themselves and through live objects)
        that the collector traverses; each use, as self or as an argument,
        raises TypeError and changes nothing."""
        cls = self.rng.choice(self.BARE_CLASSES)
        fresh = cls.__new__(cls)
        if hasattr(fresh, "__dict__"):
            fresh.me = fresh
            live = self.pick(self.maps + self.finders + self.corners)
            if live is not None and hasattr(live[0], "__dict__"):
                live[0].bare, fresh.live = fresh, live[0]
        self.bare.append(fresh)
        bare = self.pick(self.bare)
        message = r"__init__\(\) must be called before the object is used"
        finder, corners = self.pick(self.finders), self.pick(self.corners)
        uses = {
            projection_map: [lambda: bare.get(0, 0), lambda: str(bare), lambda: bare.resolution,
                             lambda: cornerfinder(bare), lambda: pathfinder().init(bare, True),
                             lambda: brondel_bulk.fill(bare, b""), lambda: brondel_bulk.cells(bare),
                             lambda: brondel_bulk.find_paths(bare, [(0, 0, 0, 0)], True, 2)],
            path_2d: [lambda: bare.length(), lambda: str(bare),
                      lambda: cornerfinder(projection_map(1, 1)).find_corner(0, bare),
                      lambda: brondel_bulk.path_cells(bare)],
            pathfinder: [lambda: bare.find_path([1, 1, 0], [1, 1, 0]), lambda: bare.get_path(),
                         lambda: bare.init(projection_map(2, 2), True), lambda: bare.get_path_length(),
                         lambda: bare.test_direct_view([1, 1, 0], [1, 1, 0])],
            cornerfinder: [lambda: bare.corner, lambda: bare.corner_map,
                           lambda: bare.find_corner(0, pathfinder().get_path()),
                           lambda: brondel_bulk.find_corners(bare, [])],
            pathfinder_ifc: [],
        }
        if finder is not None:
            uses[projection_map].append(lambda: finder[0].init(bare, True))
        if corners is not None:
            uses[path_2d].append(lambda: corners[0].find_corner(0, bare))
        base = next(b for b in uses if isinstance(bare, b))
        if uses[base]:
            self.expect(TypeError, self.rng.choice(uses[base]), message)
        if not isinstance(bare, (projection_map, path_2d)):
            self.expect(TypeError, lambda: pathfinder().init(bare, True), INCOMPATIBLE)
        if len(self.bare) > 40:
            del self.bare[:20]
        if self.rng.random() < 0.2:
            gc.collect()

    # -- hostile arguments: objects whose __len__, __getitem__, __index__ or
    # __bool__ lie, raise, answer absurdly, or re-bind and drop maps while
    # the call converts them. The model follows every side effect in the
    # order the conversion runs them (arguments left to right, stopping at
    # the first that fails).

    def side_effect(self, finder_entry=None):
        """A random action for a hostile object to run inside a conversion,
        applied to the model as it runs."""
        kind = self.rng.random()
        target = self.pick(self.maps)
        if kind < 0.3 and finder_entry is not None and target is not None:
            def rebind():
                m, grid = target
                truth = self.rng.random() < 0.5
                try:
                    finder_entry[0].init(m, truth)
                except ValueError:
                    return  # too large: the binding stays
                finder_entry[1], finder_entry[2] = grid, truth
            return rebind
        if kind < 0.6:
            bound = finder_entry[1] if finder_entry is not None else None

            def drop():
                # Drops the pool's reference to a map (the one the pathfinder
                # is bound to, if any), so that only the call holds it.
                for i, (_, grid) in enumerate(self.maps):
                    if grid is bound or bound is None:
                        del self.maps[i]
                        break
                gc.collect()
            return drop
        return lambda: None

    def hostile_number(self, value, effect):
        """An object standing for `value` through __index__; returns it and
        whether it converts to `value`, or None if it fails."""
        kind = self.rng.choice(["ok", "ok", "raise", "huge", "negative", "float", "str"])
        result = {"ok": value, "huge": self.rng.choice([U64, 2 ** 200]), "negative": -1 - value,
                  "float": 1.5, "str": "3"}.get(kind)
        errors = [ValueError, OverflowError, KeyError, ZeroDivisionError]
        error = self.rng.choice(errors)

        class Number:
            def __index__(self):
                effect()
                if kind == "raise":
                    raise error("hostile")
                return result
        return Number(), (value if kind == "ok" else None)

    def hostile_cell(self, cell, effect):
        """A sequence standing for the three ints `cell`; returns it and the
        cell it converts to, or None if it must be refused."""
        kind = self.rng.choice(["liar", "liar", "plain", "len raises", "len huge", "len negative",
                                "len wrong", "getitem raises"])
        second_length = self.rng.choice([0, 1, 2, 3, 4, 6, 8, 1000])
        raising_index = self.rng.randrange(3)
        items, converted = [], list(cell)
        for value in cell:
            if self.rng.random() < 0.2:
                number, result = self.hostile_number(value, lambda: None)
                items.append(number)
                if result is None:
                    converted = None
            else:
                items.append(value)
        if (kind == "liar" and second_length < 3) or kind not in ("liar", "plain"):
            converted = None
        length = {"len huge": 2 ** 70, "len negative": -1,
                  "len wrong": self.rng.choice([0, 2, 4])}.get(kind, 3)

        class Cell:
            def __init__(self):
                self.lengths = 0

            def __len__(self):
                self.lengths += 1
                if self.lengths == 1:
                    effect()
                    if kind == "len raises":
                        raise RuntimeError("hostile")
                    return length
                return second_length if kind == "liar" else length

            def __getitem__(self, i):
                if kind == "getitem raises" and i == raising_index:
                    raise KeyError(i)
                if kind == "liar" and i >= second_length:
                    raise IndexError(i)
                return items[i] if i < 3 else 0x41414141
        return Cell(), (tuple(converted) if converted is not None else None)

    def hostile_query(self):
        entry = self.pick(self.finders)
        if entry is None:
            return
        method = self.rng.choice(["find_path", "test_direct_view"])
        grid = entry[1]
        args, cells = [], []
        for _ in range(2):
            cell = self.coordinate(grid)
            if self.rng.random() < 0.7:
                hostile, converted = self.hostile_cell(cell, self.side_effect(entry))
                args.append(hostile)
                cells.append(converted)
            else:
                args.append(cell)
                cells.append(tuple(cell))
        accepted = cells[0] is not None and (cells[1] is not None)
        status = self.expect(None if accepted else TypeError,
                             lambda: getattr(entry[0], method)(*args), None if accepted else INCOMPATIBLE)
        if not accepted:
            return
        if method == "find_path":
            self.verify_search(entry, cells[0], cells[1], status)
        else:
            self.verify_view(entry, cells[0], cells[1], status)

    def hostile_flag(self):
        entry, target = self.pick(self.finders), self.pick(self.maps)
        if entry is None or target is None:
            return
        m, grid = target
        if max(grid.width, grid.height) > MAX_SEARCH_EXTENT:
            return
        effect = self.side_effect(entry)
        kind = self.rng.choice([True, False, "raise", 2, None])

        class Flag:
            def __bool__(self):
                effect()
                if kind == "raise":
                    raise ValueError("hostile")
                return kind
        if isinstance(kind, bool):
            self.check(self.expect(None, lambda: entry[0].init(m, Flag())) == 0, "init returns 0")
            entry[1], entry[2] = grid, kind
        else:
            self.expect(TypeError, lambda: entry[0].init(m, Flag()), INCOMPATIBLE)

    def hostile_map_numbers(self):
        """Hostile numbers where a map takes sizes or cell indexes, and where
        find_corner takes its unused number."""
        kind = self.rng.random()
        if kind < 0.3:
            values = [self.rng.randint(0, 12), self.rng.randint(0, 12)]
            numbers = [self.hostile_number(v, self.side_effect()) for v in values]
            accepted = all(result is not None for _, result in numbers)
            m = self.expect(None if accepted else TypeError,
                            lambda: TaggedMap(numbers[0][0], numbers[1][0]), None if accepted else INCOMPATIBLE)
            if accepted:
                self.maps.append([m, GridModel(values[0], values[1])])
            return
        if kind < 0.8:
            entry = self.pick(self.maps)
            if entry is None:
                return
            m, grid = entry
            values = [self.index(grid.width), self.index(grid.height)]
            numbers = [self.hostile_number(v, self.side_effect()) for v in values]
            accepted = all(result is not None and result < U64 for _, result in numbers)
            writing = self.rng.random() < 0.5
            value = self.rng.randint(0, 255)
            if writing:
                call = lambda: m.set(numbers[0][0], numbers[1][0], chr(value))  # noqa: E731
            else:
                call = lambda: m.get(numbers[0][0], numbers[1][0])  # noqa: E731
            if not accepted:
                self.expect(TypeError, call, INCOMPATIBLE)
            elif not grid.inside(*values):
                self.expect(IndexError, call)
            elif writing:
                self.expect(None, call)
                grid.cells[values[1] * grid.width + values[0]] = value
            else:
                self.check(self.expect(None, call) == chr(grid.at(*values)), "get through __index__")
            return
        entry, path_entry = self.pick(self.corners), self.pick(self.paths)
        if entry is None or path_entry is None:
            return
        number, result = self.hostile_number(self.rng.choice([0, 7, U64 - 1]), self.side_effect())
        if result is None:
            self.expect(TypeError, lambda: entry[0].find_corner(number, path_entry[0]), INCOMPATIBLE)
        else:
            self.check(self.expect(None, lambda: entry[0].find_corner(number, path_entry[0])) == 0,
                       "find_corner returns 0")
            entry[2] = corner_of(entry[1], path_entry[1])
            self.check(entry[0].corner == entry[2], "corner after a hostile number")

    # -- brondel_bulk

    def one_byte_buffer(self, grid):
        """Data for fill: (object, its cells or None, error when refused)."""
        cells = bytes(self.rng.choice([0, 0, 0, self.rng.randint(1, 255)]) for _ in range(grid.width * grid.height))
        kind = self.rng.choice(["bytes", "bytearray", "memoryview", "array", "2-D", "short", "long",
                                "transposed", "3-D", "ints", "strided", "list", "None"])
        count = grid.width * grid.height
        if kind in ("2-D", "transposed", "3-D") and count == 0:
            kind = "bytes"
        made = {
            "bytes": lambda: (cells, cells, None), "bytearray": lambda: (bytearray(cells), cells, None),
            "memoryview": lambda: (memoryview(cells), cells, None),
            "array": lambda: (array.array("B", cells), cells, None),
            "2-D": lambda: (memoryview(cells).cast("B", (grid.height, grid.width)), cells, None),
            "short": lambda: (cells[:-1] if cells else b"\x00", None, ValueError),
            "long": lambda: (cells + b"\x00", None, ValueError),
            "transposed": lambda: (memoryview(cells).cast("B", (grid.width, grid.height)), None,
                                   None if grid.width == grid.height else ValueError),
            "3-D": lambda: (memoryview(cells).cast("B", (1, grid.height, grid.width)), None, ValueError),
            "ints": lambda: (array.array("i", list(cells)), None, TypeError),
            "strided": lambda: (memoryview(cells + cells)[::2], None, ValueError if count > 1 else None),
            "list": lambda: (list(cells), None, TypeError), "None": lambda: (None, None, TypeError),
        }
        return made[kind]()

    def bulk_fill(self):
        entry = self.pick(self.maps)
        if entry is None or entry[1].width * entry[1].height > 4096:
            return
        m, grid = entry
        data, cells, error = self.one_byte_buffer(grid)
        if cells is None and error is None:
            cells = bytes(data)  # a square map's transposed shape, or no cells strided
        self.expect(error, lambda: brondel_bulk.fill(m, data))
        if error is None:
            grid.cells[:] = cells
        self.check(brondel_bulk.cells(m) == bytes(grid.cells), "cells after fill differ from the model")

    def bulk_path_cells(self):
        entry = self.pick(self.paths)
        if entry is not None:
            flat = [v for cell in entry[1] for v in cell]
            self.check(list(self.expect(None, lambda: brondel_bulk.path_cells(entry[0]))) == flat, "path_cells")

    def bulk_queries(self, grid):
        """Queries, zero-based; some components are hostile numbers. Returns
        them, the queries as a fresh pathfinder takes them, and the error the
        reading must raise, if any."""
        queries, one_based, error = [], [], None
        for _ in range(self.rng.randint(0, 10)):
            values = [c - 1 for c in list(self.coordinate(grid)[:2]) + list(self.coordinate(grid)[:2])]
            if self.rng.random() < 0.1:
                values[1] = self.rng.choice([-2 ** 70, -5, 2 ** 40, U32])
            query = list(values)
            if self.rng.random() < 0.05 and error is None:
                number, result = self.hostile_number(values[3], lambda: None)
                query[3] = number
                if result is None:
                    try:
                        index = number.__index__()
                    except Exception as e:  # noqa: BLE001 - the error the call must raise
                        error = type(e)
                    else:
                        if isinstance(index, int):
                            values[3] = index
                        else:
                            error = TypeError
            queries.append(tuple(query) if self.rng.random() < 0.5 else query)
            one_based.append([v + 1 if -1 <= v < 2 ** 31 - 1 else 0 for v in values])
        return queries, one_based, error

    def bulk_find_paths(self):
        entry = self.pick(self.maps)
        if entry is None:
            return
        m, grid = entry
        queries, one_based, error = self.bulk_queries(grid)
        interpolate, threads = self.rng.random() < 0.5, self.rng.choice([0, 1, 2, 3])
        if error is None and max(grid.width, grid.height) > MAX_SEARCH_EXTENT:
            error = ValueError
        answers = self.expect(error, lambda: brondel_bulk.find_paths(m, queries, interpolate, threads))
        if error is None:
            self.check_answers(m, interpolate, one_based, answers)

    def check_answers(self, m, interpolate, one_based, answers):
        fresh = pathfinder()
        fresh.init(m, interpolate)
        for (x1, y1, x2, y2), (status, length, cells) in zip(one_based, answers):
            expected = fresh.find_path([x1, y1, 0], [x2, y2, 0])
            self.check((status, length, list(cells)) ==
                       (expected, fresh.get_path_length() if expected == 0 else 0.0,
                        [v for cell in cells_of(fresh.get_path()) for v in cell]),
                       "find_paths answer differs from a fresh pathfinder's")
        self.check(len(answers) == len(one_based), "one answer per query")

    def bulk_find_corners(self):
        entry = self.pick(self.corners)
        if entry is None:
            return
        c, grid, corner = entry
        chosen = [self.pick(self.paths) for _ in range(self.rng.randint(0, 4)) if self.paths]
        paths = [brondel_bulk.path_cells(p) for p, _ in chosen]
        if self.rng.random() < 0.1:
            self.expect(TypeError, lambda: brondel_bulk.find_corners(c, paths + [[0, 0]]))
            return
        found = self.expect(None, lambda: brondel_bulk.find_corners(c, paths))
        expected = [v for _, cells in chosen for v in corner_of(grid, cells)]
        self.check([v % U32 for v in found] == expected, "find_corners %r, expected %r" % (list(found), expected))
        self.check(c.corner == corner, "find_corners changed the cornerfinder")

    def bulk_while_others_run(self):
        """A threaded batch while another Python thread writes cells of its
        map, resizes a buffer that fill reads, and drops objects. The thread
        starts when the queries have been read, before the map is copied, so
        the answers are those of the map as it was."""
        entry = self.pick(self.maps)
        if entry is None or not 0 < entry[1].width * entry[1].height <= 4096:
            return
        if max(entry[1].width, entry[1].height) > MAX_SEARCH_EXTENT:
            return
        m, grid = entry
        queries, one_based, error = self.bulk_queries(grid)
        if error is not None or not queries:
            return
        go, writes, resizable = threading.Event(), [], bytearray(grid.width * grid.height)

        def meddle():
            go.wait()
            for _ in range(200):
                x, y, value = self.rng.randrange(grid.width), self.rng.randrange(grid.height), self.rng.randint(0, 1)
                m.set(x, y, chr(value))
                writes.append((x, y, value))
                try:
                    resizable.append(0) if len(resizable) <= grid.width * grid.height else resizable.pop()
                except BufferError:
                    pass
            self.paths[:] = self.paths[:len(self.paths) // 2]
            gc.collect()

        class Go:
            def __index__(self):
                go.set()
                return 0

        expected = projection_map(grid.width, grid.height)
        brondel_bulk.fill(expected, bytes(grid.cells))
        meddler = threading.Thread(target=meddle)
        meddler.start()
        interpolate = self.rng.random() < 0.5
        try:
            answers = self.expect(None, lambda: brondel_bulk.find_paths(m, queries + [(0, 0, 0, Go())], interpolate, 2))
            for _ in range(5):
                try:
                    brondel_bulk.fill(projection_map(grid.width, grid.height), resizable)
                except ValueError:
                    pass
        finally:
            go.set()
            meddler.join()
        self.check_answers(expected, interpolate, one_based, answers[:-1])
        for x, y, value in writes:
            grid.cells[y * grid.width + x] = value
        self.check(brondel_bulk.cells(m) == bytes(grid.cells), "cells after the other thread's writes")

    OPERATIONS = [
        (new_map, 6), (bad_map, 3), (wide_empty_map, 1), (set_cell, 12), (read_map, 6),
        (new_finder, 4), (bind, 8), (search, 20), (direct_view, 8), (new_corners, 4),
        (find_corner, 8), (take_corner_map, 3), (drop, 8), (reinit, 2), (uninitialised, 3),
        (hostile_query, 8), (hostile_flag, 3), (hostile_map_numbers, 5),
        (bulk_fill, 5), (bulk_path_cells, 2), (bulk_find_paths, 6), (bulk_find_corners, 2),
        (bulk_while_others_run, 1),
    ]

    def step(self):
        operations, weights = zip(*self.OPERATIONS)
        operation = self.rng.choices(operations, weights)[0]
        self.log.append(operation.__name__)
        operation(self)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seconds", type=float, default=20.0)
    parser.add_argument("--seed", type=int, default=1, help="first seed")
    parser.add_argument("--steps", type=int, default=400, help="calls per seed")
    args = parser.parse_args()

    deadline = time.monotonic() + args.seconds
    seed, calls, raised = args.seed, 0, 0
    while time.monotonic() < deadline:
        log = []
        session = Session(random.Random(seed), log)
        try:
            for _ in range(args.steps):
                session.step()
        except Mismatch as e:
            print("seed %d, step %d (%s): %s" % (seed, len(log), log[-1], e))
            print("reproduce: python torture.py --seed %d --seconds 0.1" % seed)
            return 1
        calls += session.calls
        raised += session.raised
        del session
        gc.collect()
        seed += 1
    print("torture: %d seeds from %d, %d calls, %d of them raised as expected"
          % (seed - args.seed, args.seed, calls, raised))
    return 0


if __name__ == "__main__":
    sys.exit(main())
