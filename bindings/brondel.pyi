"""Voxel diffraction algorithms and classes"""
# Type stub of the brondel extension module, installed as the package
# brondel-stubs. Every argument is positional only. The module's docstrings
# are made from this file when it is built (cmake/docstrings_from_stub.py):
# the module's own and those of the methods and properties; the classes have
# none. tests/python/test_stub.py compares this file with the live module.
from typing import List, NoReturn, Sequence, Union

class projection_map:
    def __init__(self, width: int, height: int, /) -> None:
        """An occupancy grid of width x height cells, one byte each, all free (0).
        Cells are (x, y) = (column, row), zero-based; a cell holding anything but
        0 is occupied. A size beyond the memory available raises MemoryError."""
    def get(self, x: int, y: int, /) -> str:
        """The byte of cell (x, y) = (column, row), zero-based, as a one-character
        str: chr(0) when free. A cell outside the grid raises IndexError."""
    def set(self, x: int, y: int, value: Union[str, bytes, bytearray], /) -> None:
        """Stores a one-character str (code point 0 to 255) or one byte in cell
        (x, y) = (column, row), zero-based: chr(0) frees the cell, anything else
        occupies it. A cell outside the grid raises IndexError and changes nothing."""
    def __str__(self) -> str:
        """One line per row, the highest row first, each cell as a signed decimal."""
    @property
    def resolution(self) -> List[int]:
        """[width, height], a new list at every read."""

class path_2d:
    def __init__(self, cannot_be_built: NoReturn, /) -> None: ...
    def __str__(self) -> str:
        """The cells in order as "(x0, y0) > (x1, y1) > ...", zero-based
        (column, row); an empty str for an empty path."""
    def length(self) -> int:
        """The number of cells in the path."""

class pathfinder_ifc:
    def __init__(self, cannot_be_built: NoReturn, /) -> None: ...

class pathfinder(pathfinder_ifc):
    def __init__(self) -> None:
        """A pathfinder with no map yet: until init binds one, find_path returns 2
        and test_direct_view 3."""
    def init(self, grid: projection_map, interpolate: bool, /) -> int:
        """Binds the map and the mode. The map is read again by every search, not
        copied, and kept alive while bound. With interpolate true, paths list
        every cell, straightened by line of sight; otherwise only the jump points.
        Returns 0. A map over 32767 cells on a side raises ValueError."""
    def find_path(self, first: Sequence[int], second: Sequence[int], /) -> int:
        """Searches a path from the first cell to the second, each given one-based
        as [x + 1, y + 1, z] (z unused), with at most 5000 expansions.
        Returns 0 when a path is found (read it with get_path), 2 when not: no
        route, an end outside the map or occupied, or the budget spent."""
    def test_direct_view(self, first: Sequence[int], second: Sequence[int], /) -> int:
        """Tests the line of sight along the digital straight line from the first
        cell to the second, each given one-based as [x + 1, y + 1, z] (z unused).
        Returns 0 when every cell of the line is free (visible), 3 when not or
        when an end lies outside the map. Swapping the cells can change the answer."""
    def get_path(self) -> path_2d:
        """A copy of the last path found, zero-based (column, row) cells from the
        first cell to the second; empty after a failed search."""
    def get_path_length(self) -> float:
        """The length of the last path found, in cells (single precision). A failed
        search keeps the previous value; 0.0 before the first path."""

class cornerfinder:
    def __init__(self, grid: projection_map, /) -> None:
        """A corner finder on its own copy of the map, reduced to its corner map:
        later changes to the map do not reach it. None raises RuntimeError."""
    def find_corner(self, unused: int, path: path_2d, /) -> int:
        """Stores in corner the first cell after the start of the path with an
        occupied edge neighbour in the corner map, failing that the last cell.
        The first argument is not used. Returns 0."""
    @property
    def corner(self) -> List[int]:
        """[x, y] of the last corner found, zero-based (column, row); [0, 0] before
        the first search and after an empty path."""
    @property
    def corner_map(self) -> projection_map:
        """The corner map searched: the cornerfinder's own, not a copy, so writes
        through it change later results."""
