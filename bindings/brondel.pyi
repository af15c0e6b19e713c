"""Voxel diffraction algorithms and classes"""
# Type stub of the brondel extension module, installed as the package
# brondel-stubs. Every argument is positional only. tests/python/test_stub.py
# compares this file with the live module.
from typing import List, NoReturn, Sequence, Union

class projection_map:
    """Occupancy grid of width x height one-byte cells; 0 is free, anything
    else occupied. Cells are (x, y) = (column, row), zero-based."""

    def __init__(self, width: int, height: int, /) -> None: ...
    def get(self, x: int, y: int, /) -> str:
        """The cell's byte as a one-character str (chr(0) when free)."""
    def set(self, x: int, y: int, value: Union[str, bytes, bytearray], /) -> None:
        """Stores one character (code point 0 to 255) or one byte in the cell."""
    def __str__(self) -> str:
        """One line per row, the highest row first, cells as signed decimals."""
    @property
    def resolution(self) -> List[int]:
        """[width, height], a new list at every read."""

class path_2d:
    """Cells of a path, as returned by pathfinder.get_path(); str() gives
    "(x0, y0) > (x1, y1) > ...". Cannot be built from Python."""

    def __init__(self, cannot_be_built: NoReturn, /) -> None: ...
    def __str__(self) -> str: ...
    def length(self) -> int:
        """The number of cells."""

class pathfinder_ifc:
    """The pathfinder interface; it cannot be built from Python."""

    def __init__(self, cannot_be_built: NoReturn, /) -> None: ...

class pathfinder(pathfinder_ifc):
    """Bounded jump point search (5000 expansions) on a bound projection_map."""

    def __init__(self) -> None: ...
    def init(self, grid: projection_map, interpolate: bool, /) -> int:
        """Binds the map (read again by every search, kept alive while bound)
        and the mode: with interpolate, paths list every cell, straightened by
        line of sight; without, only the jump points. Returns 0; a map over
        32767 cells on a side raises ValueError."""
    def find_path(self, first: Sequence[int], second: Sequence[int], /) -> int:
        """Searches between two one-based cells [x + 1, y + 1, z] (z unused);
        the path runs from first to second. Returns 0 when found, 2 when not."""
    def test_direct_view(self, first: Sequence[int], second: Sequence[int], /) -> int:
        """0 when the digital line from first to second is free, else 3."""
    def get_path(self) -> path_2d:
        """A copy of the last path found (empty after a failed search)."""
    def get_path_length(self) -> float:
        """Length of the last path found, in cells."""

class cornerfinder:
    """Finds the first cell of a path, after its start, that borders an
    obstacle's run end or corner. Keeps its own copy of the map."""

    def __init__(self, grid: projection_map, /) -> None: ...
    def find_corner(self, unused: int, path: path_2d, /) -> int:
        """Stores the corner of the path in `corner`; returns 0."""
    @property
    def corner(self) -> List[int]:
        """[x, y] of the last corner found; [0, 0] before the first search."""
    @property
    def corner_map(self) -> projection_map:
        """The reduced map searched for corners (shared, not a copy)."""
