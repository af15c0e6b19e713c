// snapshot_planes: a snapshot of a map (one that does not change while it is
// searched) kept as bit planes built once for it, so that a run costs a scan
// for the next set bit (64 cells a word) whatever its length. For each of
// the eight directions a plane marks the cells where a run entering them
// must stop, ignoring the goal: the blocked cells, the cells with a forced
// neighbour, and for a diagonal direction the cells whose straight probes
// stop at a jump point. Each plane is laid out so that its runs read along a
// row of words: rows for the two row directions, columns (a transposed copy)
// for the two column directions, and diagonals for the four diagonal ones.
// A search reads it through snapshot_view, whose runs answer exactly as
// map_view's on the map the snapshot was built from.
//
// Contract
//   Ownership:    owns its planes; keeps nothing of the map it was built from.
//   Coordinates:  the planes hold the grid and a border one cell wide around
//                 it, whose cells are blocked: cell (x, y) is at (x + 1, y + 1)
//                 of a plane (padded coordinates), for -1 <= x <= width and
//                 -1 <= y <= height. A run entering the grid stops on the
//                 border at the latest, so every scan ends inside its line.
//   Invariants:   after build(map), blocked() holds the map's cells (0 free,
//                 anything else blocked) and each plane the stop rules of
//                 jump_rules.hpp on them. Nothing changes them until the next
//                 build() or release().
//   Memory:       build() asks for all of its memory at once before it
//                 writes anything (std::bad_alloc), and keeps what it had
//                 when that fails. Each line is padded to whole words: on
//                 the benchmark's maps about 1.1 bits a cell for each
//                 straight plane and the blocked cells, 2.3 for each
//                 diagonal one, 1.7 to 2.1 bytes a cell in all (bytes()),
//                 and about 1.1 bytes a cell more while it builds; on a map
//                 a cell or two wide up to 56 bytes a cell.
//   Checking:     build() takes maps of at most jps_pathfinder::max_extent
//                 cells a side, which the caller checks (asserted).
//   Threads:      build() on one thread; afterwards any number of threads
//                 read it at once.
//
// Usage
//   snapshot_planes planes;
//   planes.build(map);                 // or std::bad_alloc, the planes unchanged
//   const snapshot_view view(planes);   // snapshot_view.hpp
#pragma once

#include "voxel/projection_map.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace OSTREL {
namespace Voxel {

// The eight directions of a run; y grows southwards.
enum run_direction : int { east, west, south, north, south_east, south_west, north_east, north_west };

inline run_direction direction_of(int dx, int dy) {
    static constexpr run_direction table[9] = {north_west, north,      north_east, west,      east,
                                               east,       south_west, south,      south_east};
    return table[(dy + 1) * 3 + dx + 1];
}

class snapshot_planes {
public:
    void build(const projection_map& map);
    void release();
    std::size_t bytes() const { return words.capacity() * sizeof(std::uint64_t); }

    int width() const { return columns; }
    int height() const { return rows; }

    // The lines of bits of the blocked cells (row py at blocked() + py *
    // row_words(), bit px) and of each direction's stops, line_words(d)
    // words apart: line py for east and west (bit px), px for south and
    // north (bit py), diagonal_line() for the diagonal directions (bit
    // diagonal_position()).
    const std::uint64_t* blocked() const { return words.data(); }
    std::size_t row_words() const { return words_a_row; }
    const std::uint64_t* stops(run_direction d) const { return words.data() + plane_start[d]; }
    std::size_t line_words(run_direction d) const {
        return d == east || d == west ? words_a_row : d == south || d == north ? words_a_column : words_a_diagonal;
    }
    // A diagonal's line holds its cells from the grid's side it starts at,
    // in the order of their rows: going south-east (and north-west) the line
    // px - py + height + 1, going north-east (and south-west) px + py; its
    // first cell lies in the padded row first_row, and is the cell's
    // position.
    int diagonal_line(bool south_east, int px, int py) const { return diagonal_line(south_east, px, py, rows); }
    int diagonal_position(bool south_east, int line, int py) const {
        return diagonal_position(south_east, line, py, columns, rows);
    }
    // The same for a grid of width x height cells (build() uses them before
    // the planes take its size).
    static int diagonal_line(bool south_east, int px, int py, int height) {
        return south_east ? px - py + height + 1 : px + py;
    }
    static int diagonal_position(bool south_east, int line, int py, int width, int height) {
        const int first_row = south_east ? height + 1 - line : line - (width + 1);
        return first_row > 0 ? py - first_row : py;
    }

private:
    int columns = 0;
    int rows = 0;
    std::size_t words_a_row = 0;       // a row line: the padded width
    std::size_t words_a_column = 0;    // a column line: the padded height
    std::size_t words_a_diagonal = 0;  // a diagonal line: the padded shorter side
    std::size_t plane_start[8] = {};
    std::vector<std::uint64_t> words;  // the blocked cells, then the eight planes
};

}  // namespace Voxel
}  // namespace OSTREL
