"""Correct use of the module, as the type stub describes it: mypy --strict
passes it without a message."""
from typing import List

import brondel

grid = brondel.projection_map(6, 3)
grid.set(2, 1, "\x01")
grid.set(3, 1, b"\x01")
cell: str = grid.get(2, 1)
size: List[int] = grid.resolution
text: str = str(grid)

finder = brondel.pathfinder()
interface: brondel.pathfinder_ifc = finder
status: int = finder.init(grid, True)
status = finder.find_path([6, 2, 0], (1, 2, 0))
status = finder.test_direct_view([1, 1, 0], [6, 1, 0])
path: brondel.path_2d = finder.get_path()
cells: int = path.length()
length: float = finder.get_path_length()

corners = brondel.cornerfinder(grid)
status = corners.find_corner(0, path)
x, y = corners.corner
corner_map: brondel.projection_map = corners.corner_map
