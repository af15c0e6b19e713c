// The docstrings of the module's methods and properties. help() shows each
// after the signature line the binding library generates; the classes
// themselves keep no docstring.
//
// bindings/brondel.pyi carries the same texts for editors and type checkers;
// tests/python/test_stub.py fails when the two differ, so a change here is
// made there too. Keep to plain ASCII with no backslash, so that a text reads
// the same in a C++ literal and in a Python docstring.
#pragma once

namespace docstrings {

// projection_map
inline constexpr const char* map_init =
    "An occupancy grid of width x height cells, one byte each, all free (0).\n"
    "Cells are (x, y) = (column, row), zero-based; a cell holding anything but\n"
    "0 is occupied. A size beyond the memory available raises MemoryError.";
inline constexpr const char* map_get =
    "The byte of cell (x, y) = (column, row), zero-based, as a one-character\n"
    "str: chr(0) when free. A cell outside the grid raises IndexError.";
inline constexpr const char* map_set =
    "Stores a one-character str (code point 0 to 255) or one byte in cell\n"
    "(x, y) = (column, row), zero-based: chr(0) frees the cell, anything else\n"
    "occupies it. A cell outside the grid raises IndexError and changes nothing.";
inline constexpr const char* map_str =
    "One line per row, the highest row first, each cell as a signed decimal.";
inline constexpr const char* map_resolution =
    "[width, height], a new list at every read.";

// path_2d
inline constexpr const char* path_str =
    "The cells in order as \"(x0, y0) > (x1, y1) > ...\", zero-based\n"
    "(column, row); an empty str for an empty path.";
inline constexpr const char* path_length =
    "The number of cells in the path.";

// pathfinder
inline constexpr const char* pathfinder_init =
    "A pathfinder with no map yet: until init binds one, find_path returns 2\n"
    "and test_direct_view 3.";
inline constexpr const char* pathfinder_bind =
    "Binds the map and the mode. The map is read again by every search, not\n"
    "copied, and kept alive while bound. With interpolate true, paths list\n"
    "every cell, straightened by line of sight; otherwise only the jump points.\n"
    "Returns 0. A map over 32767 cells on a side raises ValueError.";
inline constexpr const char* pathfinder_find_path =
    "Searches a path from the first cell to the second, each given one-based\n"
    "as [x + 1, y + 1, z] (z unused), with at most 5000 expansions.\n"
    "Returns 0 when a path is found (read it with get_path), 2 when not: no\n"
    "route, an end outside the map or occupied, or the budget spent.";
inline constexpr const char* pathfinder_test_direct_view =
    "Tests the line of sight along the digital straight line from the first\n"
    "cell to the second, each given one-based as [x + 1, y + 1, z] (z unused).\n"
    "Returns 0 when every cell of the line is free (visible), 3 when not or\n"
    "when an end lies outside the map. Swapping the cells can change the answer.";
inline constexpr const char* pathfinder_get_path =
    "A copy of the last path found, zero-based (column, row) cells from the\n"
    "first cell to the second; empty after a failed search.";
inline constexpr const char* pathfinder_get_path_length =
    "The length of the last path found, in cells (single precision). A failed\n"
    "search keeps the previous value; 0.0 before the first path.";

// cornerfinder
inline constexpr const char* cornerfinder_init =
    "A corner finder on its own copy of the map, reduced to its corner map:\n"
    "later changes to the map do not reach it. None raises RuntimeError.";
inline constexpr const char* cornerfinder_find_corner =
    "Stores in corner the first cell after the start of the path with an\n"
    "occupied edge neighbour in the corner map, failing that the last cell.\n"
    "The first argument is not used. Returns 0.";
inline constexpr const char* cornerfinder_corner =
    "[x, y] of the last corner found, zero-based (column, row); [0, 0] before\n"
    "the first search and after an empty path.";
inline constexpr const char* cornerfinder_corner_map =
    "The corner map searched: the cornerfinder's own, not a copy, so writes\n"
    "through it change later results.";

}  // namespace docstrings
