"""Reader for Moving AI grid maps (.map files), shared by the demo and the tests.

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
"""
import brondel

FREE_CELLS = frozenset(".G")

# The search measures its costs with 32-bit sums of squares, which limits a
# side to 32767 cells.
MAX_SIDE = 32767


class MapError(ValueError):
    """A map file that cannot be read; the message says where and why."""


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
