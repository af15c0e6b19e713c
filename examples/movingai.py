"""Reader for Moving AI grid maps (.map files) and their scenarios (.scen
files), shared by the examples, the benchmark and the tests.

A .map file holds a header and then the grid, one text line per row:

    type octile
    height H
    width W
    map
    <H lines of W characters>

Row i of the grid is y = i and column j is x = j (origin top-left). The cells
'.' and 'G' are free; every other character (walls '@', out of bounds 'O',
trees 'T', swamp 'S', water 'W', ...) counts as occupied, since a
projection_map knows only free and occupied cells.

A .scen file holds the line 'version 1' (or 'version 1.0') and then one query
a line, nine fields separated by tabs or, in some published files, by spaces:

    bucket  map  map-width  map-height  start-x  start-y  goal-x  goal-y  optimal-length

Coordinates are zero-based cells as in the .map file.
"""
import collections
import os

import brondel

FREE_CELLS = frozenset(".G")

# The search measures its costs with 32-bit sums of squares, which limits a
# side to 32767 cells.
MAX_SIDE = 32767


class MapError(ValueError):
    """A map file that cannot be read; the message says where and why."""


# A query of a scenario: start (x1, y1), goal (x2, y2). Being a sequence of
# four ints, it is also what brondel_bulk.find_paths takes.
Query = collections.namedtuple("Query", "x1 y1 x2 y2")


class Scenario:
    """The queries of a .scen file and the path of the map they are asked on."""

    def __init__(self, map_path, queries):
        self.map_path = map_path
        self.queries = queries


class MovingAiMap:
    """A grid read from a .map file: `rows[y][x]` is the character of cell (x, y)."""

    def __init__(self, name, rows):
        self.name = name
        self.rows = rows
        self.height = len(rows)
        self.width = len(rows[0]) if rows else 0

    def contains(self, x, y):
        return 0 <= x < self.width and 0 <= y < self.height

    def is_free(self, x, y):
        return self.contains(x, y) and self.rows[y][x] in FREE_CELLS

    def free_cells(self):
        """Every free cell in reading order: row by row from the top."""
        return [(x, y) for y, row in enumerate(self.rows)
                for x, cell in enumerate(row) if cell in FREE_CELLS]

    def occupancy(self):
        """The grid as bytes, one a cell row by row from the top, 1 where
        occupied and 0 where free: the layout brondel_bulk.fill takes."""
        return bytes(0 if cell in FREE_CELLS else 1 for row in self.rows for cell in row)

    def to_projection_map(self):
        """A brondel.projection_map holding 1 in every occupied cell."""
        grid = brondel.projection_map(self.width, self.height)
        for y, row in enumerate(self.rows):
            for x, cell in enumerate(row):
                if cell not in FREE_CELLS:
                    grid.set(x, y, "\x01")
        return grid


def read_map(path):
    """Reads a .map file; raises OSError when it cannot be opened and MapError
    when its content is not a well-formed map."""
    with open(path, "r", encoding="ascii", errors="replace") as source:
        lines = source.read().splitlines()
    return parse_map(lines, name=str(path))


def parse_map(lines, name="<map>"):
    """Builds a MovingAiMap from the lines of a .map file."""
    header, grid_start = _read_header(lines, name)
    width, height = _size(header, name)
    rows = lines[grid_start:grid_start + height]
    if len(rows) < height:
        raise MapError("%s: the header promises %d rows, the file has %d"
                       % (name, height, len(rows)))
    for y, row in enumerate(rows):
        if len(row) != width:
            raise MapError("%s: row %d (line %d) has %d cells, the header promises %d"
                           % (name, y, grid_start + y + 1, len(row), width))
    if any(line.strip() for line in lines[grid_start + height:]):
        raise MapError("%s: more rows than the %d the header promises" % (name, height))
    return MovingAiMap(name, rows)


def _read_header(lines, name):
    """Returns the header's key-value pairs and the index of the first grid row."""
    if not lines or lines[0].split()[:1] != ["type"]:
        raise MapError("%s: not a Moving AI map: the first line should be 'type octile', got %r"
                       % (name, lines[0] if lines else ""))
    header = {}
    for index, line in enumerate(lines):
        words = line.split()
        if words == ["map"]:
            return header, index + 1
        if len(words) != 2:
            raise MapError("%s: line %d: expected a header line such as 'height 512', got %r"
                           % (name, index + 1, line))
        header[words[0]] = words[1]
    raise MapError("%s: the header ends without its closing 'map' line" % name)


def _size(header, name):
    size = []
    for key in ("width", "height"):
        text = header.get(key)
        if text is None:
            raise MapError("%s: the header has no '%s' line" % (name, key))
        if not text.isdigit() or not 1 <= int(text) <= MAX_SIDE:
            raise MapError("%s: %s must be a whole number from 1 to %d, got %r"
                           % (name, key, MAX_SIDE, text))
        size.append(int(text))
    return size


def read_scenario(path, limit=None):
    """Reads a .scen file, its first `limit` queries only when given. Its map
    is looked up beside it: scenario files name their map with the folders of
    the published set. Raises OSError when the file cannot be opened and
    MapError when its content is not a well-formed scenario."""
    with open(path, "r", encoding="ascii", errors="replace") as source:
        lines = source.read().splitlines()
    if not lines or lines[0].split()[:1] != ["version"]:
        raise MapError("%s: not a Moving AI scenario: the first line should be 'version 1', got %r"
                       % (path, lines[0] if lines else ""))
    queries = []
    map_name = None
    for number, line in enumerate(lines[1:], start=2):
        if limit is not None and len(queries) == limit:
            break
        if not line.strip():
            continue
        # Tabs where there are any, so that a map name may hold spaces.
        fields = line.split("\t") if "\t" in line else line.split()
        cells = fields[4:8]
        if len(fields) != 9 or not all(cell.strip().isdigit() for cell in cells):
            raise MapError("%s: line %d: expected 9 fields separated by tabs or spaces, the 5th to "
                           "8th whole numbers (start x y, goal x y), got %r" % (path, number, line))
        map_name = map_name or fields[1].strip()
        queries.append(Query(*(int(cell) for cell in cells)))
    if not queries:
        raise MapError("%s: no queries" % path)
    map_path = os.path.join(os.path.dirname(os.path.abspath(path)), os.path.basename(map_name))
    return Scenario(map_path, queries)
