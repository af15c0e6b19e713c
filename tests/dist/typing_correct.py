"""Correct use of the modules, as the type stubs describe them: mypy --strict
passes it without a message."""
from array import array
from typing import List, Tuple

import brondel
import brondel_bulk

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

brondel_bulk.fill(grid, bytes(18))
brondel_bulk.fill(corner_map, bytearray(brondel_bulk.cells(grid)))
flat: array[int] = brondel_bulk.path_cells(path)
answers: List[Tuple[int, float, array[int]]] = brondel_bulk.find_paths(grid, [(0, 0, 5, 2)], True, threads=2)
status, length, flat = answers[0]
found: array[int] = brondel_bulk.find_corners(corners, [flat, brondel_bulk.path_cells(path)])
kept: int = brondel_bulk.release()
