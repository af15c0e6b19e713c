"""Bulk work on brondel's objects: maps filled and read as buffers, path cells
as flat int arrays, and many path queries answered on native threads."""
# Type stub of the brondel_bulk extension module, installed as the package
# brondel_bulk-stubs. The module's docstrings, its own and its functions', are
# made from this file when it is built (cmake/docstrings_from_stub.py).
# tests/python/test_stub.py compares this file with the live module.
from array import array
from typing import Iterable, List, Sequence, Tuple

from _typeshed import ReadableBuffer

from brondel import cornerfinder, path_2d, projection_map

def fill(map: projection_map, data: ReadableBuffer) -> None:
    """Sets every cell of the map at once from data: width * height one-byte
    cells, row y at offset y * width, from any C-contiguous object with the
    buffer protocol (bytes, bytearray, memoryview, array.array, a numpy uint8,
    int8 or bool array, flat or of shape (height, width)). Each cell takes its
    byte's value. A wrong size, item size or dimension count, or a buffer that
    is not C-contiguous, raises ValueError or TypeError and changes nothing."""
def cells(map: projection_map) -> bytes:
    """The map's cells as bytes, width * height of them, row y at offset
    y * width: numpy.frombuffer(cells(m), numpy.uint8).reshape(height, width)."""
def path_cells(path: path_2d) -> array[int]:
    """The cells of the path as array('i') x0, y0, x1, y1, ..., zero-based
    (column, row), in the order str(path) lists them."""
def find_paths(map: projection_map, queries: Iterable[Sequence[int]], interpolate: bool,
               threads: int = 0) -> List[Tuple[int, float, array[int]]]:
    """Answers each query (x1, y1, x2, y2), zero-based cells, on a copy of the map
    taken at the call, on native threads that run without the interpreter
    lock (threads=0: one per CPU; never more threads than queries).
    Returns a list of (status, length, cells), one per query in order, each
    what a fresh pathfinder gives after init(map, interpolate) and
    find_path([x1 + 1, y1 + 1, 0], [x2 + 1, y2 + 1, 0]): status 0 when a path
    is found, 2 when not (no route, an end outside the map or occupied, or
    the budget spent), with length 0.0 and no cells; cells as path_cells
    gives them. Ctrl-C stops it with KeyboardInterrupt; memory the system
    will not grant raises MemoryError before any search. A batch of at least
    one query per 256 cells and thread searches run planes built from the
    copy (about 2 bytes a cell; the cells when they cannot be had), with the
    same answers.
    The map's copy, its planes and each thread's pathfinder (32 bytes a
    cell) are kept for the next call; release() gives them back."""
def find_corners(finder: cornerfinder, paths: Iterable[ReadableBuffer]) -> array[int]:
    """The corner of each path on the cornerfinder's corner map, as find_corner
    finds it, without changing the cornerfinder: array('i') x0, y0, x1, y1, ...,
    one cell per path. Each path is a buffer of C ints x0, y0, x1, y1, ...:
    the cells of find_paths or path_cells."""
def release() -> int:
    """Gives back the memory find_paths keeps between calls: the copy of the last
    map, its run planes, each thread's pathfinder and the search workspaces
    they sized. Returns the bytes the copy, the planes and the pathfinders
    held."""
