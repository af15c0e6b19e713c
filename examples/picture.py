"""Pictures of a search result: a text rendering for the terminal and a PNG.

Both show the map with x to the right and y downwards, as in a .map file.
Large maps are shrunk for the terminal: one character then stands for a
block of cells and shows how much of the block is occupied.
"""
import math

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
    return max(1, min(12, target // max(width, height)))


def render_png(scene, path):
    """Writes the scene as a PNG; returns its size in pixels."""
    grid = scene.grid
    scale = png_scale(grid.width, grid.height)
    canvas = Canvas(grid.width * scale, grid.height * scale, FREE_COLOR)
    for y, row in enumerate(grid.rows):
        for x, cell in enumerate(row):
            if cell not in FREE_CELLS:
                canvas.fill_rect(x * scale, y * scale, (x + 1) * scale, (y + 1) * scale,
                                 BLOCKED_COLOR)
    # Path cells fill their square; jump points, and even more so the single
    # markers, are drawn larger so that they stay visible when a cell is only
    # a pixel or two wide.
    sizes = {"path": scale, "jump point": max(scale, 3)}
    for (x, y), rank in sorted(scene.markers().items(), key=lambda item: -item[1]):
        name, _, color = MARKERS[rank]
        size = sizes.get(name, max(scale, 9))
        left = x * scale + (scale - size) // 2
        top = y * scale + (scale - size) // 2
        canvas.fill_rect(left, top, left + size, top + size, color)
    canvas.write_png(path)
    return canvas.width, canvas.height
