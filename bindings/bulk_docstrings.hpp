// The docstrings of brondel_bulk: its own and its functions'. help() shows
// each function's after the signature line the binding library generates.
//
// bindings/brondel_bulk.pyi carries the same texts for editors and type
// checkers; tests/python/test_stub.py fails when the two differ, so a change
// here is made there too. Keep to plain ASCII with no backslash, so that a
// text reads the same in a C++ literal and in a Python docstring.
#pragma once

namespace bulk_docstrings {

inline constexpr const char* module =
    "Bulk work on brondel's objects: maps filled and read as buffers, path cells\n"
    "as flat int arrays, and many path queries answered on native threads.";

inline constexpr const char* fill =
    "Sets every cell of the map at once from data: width * height one-byte\n"
    "cells, row y at offset y * width, from any C-contiguous object with the\n"
    "buffer protocol (bytes, bytearray, memoryview, array.array, a numpy uint8,\n"
    "int8 or bool array, flat or of shape (height, width)). Each cell takes its\n"
    "byte's value. A wrong size, item size or dimension count, or a buffer that\n"
    "is not C-contiguous, raises ValueError or TypeError and changes nothing.";

inline constexpr const char* cells =
    "The map's cells as bytes, width * height of them, row y at offset\n"
    "y * width: numpy.frombuffer(cells(m), numpy.uint8).reshape(height, width).";

inline constexpr const char* path_cells =
    "The cells of the path as array('i') x0, y0, x1, y1, ..., zero-based\n"
    "(column, row), in the order str(path) lists them.";

inline constexpr const char* find_paths =
    "Answers each query (x1, y1, x2, y2), zero-based cells, on a copy of the map\n"
    "taken at the call, on native threads that run without the interpreter\n"
    "lock (threads=0: one per CPU; never more threads than queries).\n"
    "Returns a list of (status, length, cells), one per query in order, each\n"
    "what a fresh pathfinder gives after init(map, interpolate) and\n"
    "find_path([x1 + 1, y1 + 1, 0], [x2 + 1, y2 + 1, 0]): status 0 when a path\n"
    "is found, 2 when not (no route, an end outside the map or occupied, or\n"
    "the budget spent), with length 0.0 and no cells; cells as path_cells\n"
    "gives them. Ctrl-C stops it with KeyboardInterrupt; memory the system\n"
    "will not grant raises MemoryError before any search. The map's copy and\n"
    "each thread's pathfinder (32 bytes a cell) are kept for the next call;\n"
    "release() gives them back.";

inline constexpr const char* find_corners =
    "The corner of each path on the cornerfinder's corner map, as find_corner\n"
    "finds it, without changing the cornerfinder: array('i') x0, y0, x1, y1, ...,\n"
    "one cell per path. Each path is a buffer of C ints x0, y0, x1, y1, ...:\n"
    "the cells of find_paths or path_cells.";

inline constexpr const char* release =
    "Gives back the memory find_paths keeps between calls: the copy of the last\n"
    "map, each thread's pathfinder and the search workspaces they sized.\n"
    "Returns the bytes the copy and the pathfinders held.";

}  // namespace bulk_docstrings
