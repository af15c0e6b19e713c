"""Pictures of a search result: a text rendering for the terminal and a PNG.

Both show the map with x to the right and y downwards, as in a .map file.
Large maps are shrunk for the terminal: one character then stands for a
block of cells and shows how much of the block is occupied. The PNG draws
the two searches apart (the path listing every cell as filled cells, the
jump points as rings joined by the route they stand for) and carries its
own colour key below the map.
"""
import math

from bitmap_font import GLYPH_HEIGHT, draw_text, text_width
from movingai import FREE_CELLS
from png_writer import Canvas

# Markers, the most important first: a block showing several shows the first.
MARKERS = [
    ("start", "S", (0, 170, 0)),
    ("goal", "G", (200, 0, 200)),
    ("corner", "C", (255, 140, 0)),
    ("jump point", "o", (220, 0, 0)),  # of the path before straightening
    ("path", "*", (40, 110, 255)),
]
FREE_COLOR = (255, 255, 255)
BLOCKED_COLOR = (60, 60, 60)
# Around the map and behind the key.
MARGIN_COLOR = (228, 228, 228)
TEXT_COLOR = (0, 0, 0)
# The key's entries in the PNG, in the order of MARKERS, then the map's own.
KEY_LABELS = {
    "start": "start",
    "goal": "goal",
    "corner": "corner of the path",
    "jump point": "jump points and their route (interpolate off)",
    "path": "path listing every cell (interpolate on)",
}
# Glyphs for a block by its occupied share: none, under a quarter, under a
# half, under all of it, all of it.
SHADES = " .:+#"


class Scene:
    """What to draw: a MovingAiMap and the cells of each marker kind."""

    def __init__(self, grid, start, goal, path=(), jump_points=(), corner=None):
        self.grid = grid
        self.cells_by_marker = {
            "start": [start],
            "goal": [goal],
            "corner": [corner] if corner is not None else [],
            "jump point": list(jump_points),
            "path": list(path),
        }

    def markers(self):
        """Maps each marked cell to the index in MARKERS of its most important
        marker."""
        marked = {}
        for rank in reversed(range(len(MARKERS))):
            for cell in self.cells_by_marker[MARKERS[rank][0]]:
                marked[tuple(cell)] = rank
        return marked


def text_scale(width, height, max_columns, max_rows):
    """Cells per character across and down. A map that fits is drawn one cell
    per character; a larger one is shrunk twice as much downwards as across,
    since a character is about twice as high as it is wide."""
    if width <= max_columns and height <= max_rows:
        return 1, 1
    across = max(math.ceil(width / max_columns), math.ceil(height / (2 * max_rows)))
    return across, 2 * across


def render_text(scene, max_columns=96, max_rows=48):
    """The scene as lines of text, one line per row of blocks."""
    grid = scene.grid
    across, down = text_scale(grid.width, grid.height, max_columns, max_rows)
    columns = math.ceil(grid.width / across)
    lines = [_shade_row(grid, top, across, down, columns)
             for top in range(0, grid.height, down)]
    for (x, y), rank in sorted(scene.markers().items(), key=lambda item: -item[1]):
        if grid.contains(x, y):
            line = lines[y // down]
            lines[y // down] = line[:x // across] + MARKERS[rank][1] + line[x // across + 1:]
    return lines, (across, down)


def _shade_row(grid, top, across, down, columns):
    rows = grid.rows[top:top + down]
    glyphs = []
    for column in range(columns):
        left = column * across
        blocked = total = 0
        for row in rows:
            block = row[left:left + across]
            total += len(block)
            blocked += sum(1 for cell in block if cell not in FREE_CELLS)
        glyphs.append(_shade(blocked / total))
    return "".join(glyphs)


def _shade(share):
    if share == 0:
        return SHADES[0]
    if share == 1:
        return SHADES[-1]
    return SHADES[1 + min(2, int(share * 4))]


def legend(scale):
    parts = ["%s %s" % (glyph, name) for name, glyph, _ in MARKERS]
    if scale == (1, 1):
        parts.append("# occupied")
    else:
        parts.append("%s more and more occupied (%d x %d cells per character)"
                     % (SHADES[1:], scale[0], scale[1]))
    return "   ".join(parts)


def png_scale(width, height, target=1024):
    """Pixels per cell, so that the longer side comes near `target` pixels."""
    return max(1, min(32, target // max(width, height)))


# Layout of the key, in pixels: font pixels are drawn twice as large.
FONT_SCALE = 2
SWATCH = 14
SPACING = 8
LINE = SWATCH + 8


def render_png(scene, path):
    """Writes the scene as a PNG; returns its size in pixels."""
    canvas = draw_png(scene)
    canvas.write_png(path)
    return canvas.width, canvas.height


def draw_png(scene):
    """The scene on a Canvas: the map at the top left, the key below it."""
    grid = scene.grid
    scale = png_scale(grid.width, grid.height)
    entries = _key_entries(scene)
    widest = max(SWATCH + SPACING + text_width(label, FONT_SCALE) for _, label in entries)
    width = max(grid.width * scale, widest + 2 * SPACING)
    rows = _key_rows(entries, width)
    map_height = grid.height * scale
    canvas = Canvas(width, map_height + SPACING + len(rows) * LINE, MARGIN_COLOR)
    _draw_map(canvas, grid, scale)
    _draw_results(canvas, scene, scale)
    for row, placed in enumerate(rows):
        top = map_height + SPACING + row * LINE
        for left, (kind, label) in placed:
            _draw_swatch(canvas, kind, left, top)
            draw_text(canvas, left + SWATCH + SPACING, top + (SWATCH - GLYPH_HEIGHT * FONT_SCALE) // 2,
                      label, TEXT_COLOR, FONT_SCALE)
    return canvas


def _key_entries(scene):
    """(marker kind, label) of every kind the scene shows, and the obstacles."""
    entries = [(name, KEY_LABELS[name]) for name, _, _ in MARKERS if scene.cells_by_marker[name]]
    return entries + [("occupied", "occupied")]


def _key_rows(entries, width):
    """The entries placed left to right in rows no wider than `width`: a list
    of rows, each a list of (left edge, entry)."""
    rows, left = [[]], SPACING
    for entry in entries:
        entry_width = SWATCH + SPACING + text_width(entry[1], FONT_SCALE)
        if rows[-1] and left + entry_width > width - SPACING:
            rows.append([])
            left = SPACING
        rows[-1].append((left, entry))
        left += entry_width + 3 * SPACING
    return rows


def _draw_swatch(canvas, kind, left, top):
    if kind == "jump point":
        # A stretch of route between two rings, as on the map.
        middle = top + SWATCH // 2
        canvas.fill_rect(left, middle - 1, left + SWATCH, middle + 1, _color(kind))
        for ring_left in (left, left + SWATCH - 6):
            _ring(canvas, ring_left, middle - 3, 6, 1, _color(kind))
        return
    color = BLOCKED_COLOR if kind == "occupied" else _color(kind)
    canvas.fill_rect(left, top, left + SWATCH, top + SWATCH, color)


def _draw_map(canvas, grid, scale):
    canvas.fill_rect(0, 0, grid.width * scale, grid.height * scale, FREE_COLOR)
    for y, row in enumerate(grid.rows):
        for x, cell in enumerate(row):
            if cell not in FREE_CELLS:
                canvas.fill_rect(x * scale, y * scale, (x + 1) * scale, (y + 1) * scale,
                                 BLOCKED_COLOR)


def _draw_results(canvas, scene, scale):
    """The path listing every cell fills its cells; over it, the jump points
    of the other search are rings joined by straight lines, the route they
    stand for; the start, goal and corner are squares on top. Where a cell is
    only a few pixels wide, path cells and markers are drawn larger than a
    cell, so that the path shows on both sides of the route's line and the
    markers stay visible."""
    path = max(scale, 4)
    for x, y in scene.cells_by_marker["path"]:
        left = x * scale + (scale - path) // 2
        top = y * scale + (scale - path) // 2
        canvas.fill_rect(left, top, left + path, top + path, _color("path"))
    jump_points = scene.cells_by_marker["jump point"]
    line = max(1, scale // 6)
    centre = scale // 2

    def corner_of(cell):
        return cell[0] * scale + centre - line // 2, cell[1] * scale + centre - line // 2

    for first, second in zip(jump_points, jump_points[1:]):
        canvas.draw_line(*corner_of(first), *corner_of(second), _color("jump point"), line)
    ring = max(5, scale * 3 // 4)
    for x, y in jump_points:
        _ring(canvas, x * scale + (scale - ring) // 2, y * scale + (scale - ring) // 2, ring,
              max(1, ring // 6), _color("jump point"))
    size = max(9, scale // 2)
    for name in ("corner", "goal", "start"):
        for x, y in scene.cells_by_marker[name]:
            left = x * scale + (scale - size) // 2
            top = y * scale + (scale - size) // 2
            canvas.fill_rect(left, top, left + size, top + size, _color(name))


def _ring(canvas, left, top, size, thickness, color):
    """The outline of a size x size square."""
    right, bottom = left + size, top + size
    canvas.fill_rect(left, top, right, top + thickness, color)
    canvas.fill_rect(left, bottom - thickness, right, bottom, color)
    canvas.fill_rect(left, top, left + thickness, bottom, color)
    canvas.fill_rect(right - thickness, top, right, bottom, color)


def _color(name):
    return next(color for marker, _, color in MARKERS if marker == name)
