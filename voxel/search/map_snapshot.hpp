// map_snapshot: a map that does not change while it is searched, kept as bit
// planes built once for it, so that a run costs a scan for the next set bit
// (64 cells a word) whatever its length. For each of the eight directions a
// plane marks the cells where a run entering them must stop, ignoring the
// goal: the blocked cells, the cells with a forced neighbour, and for a
// diagonal direction the cells whose straight probes stop at a jump point.
// Each plane is laid out so that its runs read along a row of words: rows
// for the two row directions, columns (a transposed copy) for the two column
// directions, and diagonals (a sheared, transposed copy) for the four
// diagonal ones. A search reads it through snapshot_view, whose runs answer
// exactly as map_view's on the map the snapshot was built from.
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
//                 when that fails: about 1.5 bits a cell for each straight
//                 plane and the blocked cells, 2.1 for each diagonal one
//                 (bytes()), and some as much again while it builds.
//   Checking:     build() takes maps of at most jps_pathfinder::max_extent
//                 cells a side, which the caller checks (asserted).
//   Threads:      build() on one thread; afterwards any number of threads
//                 read it at once.
//
// Usage
//   map_snapshot snapshot;
//   snapshot.build(map);                  // or std::bad_alloc, snapshot unchanged
//   const snapshot_view view(snapshot);   // snapshot_view.hpp
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

class map_snapshot {
public:
    void build(const projection_map& map);
    void release();
    std::size_t bytes() const { return words.capacity() * sizeof(std::uint64_t); }

    int width() const { return columns; }
    int height() const { return rows; }

    // The lines of bits of the blocked cells (row py at blocked() + py *
    // row_words(), bit px) and of each direction's stops: line py for east
    // and west (bit px), px for south and north (bit py), px - py + height + 1
    // for south-east and north-west and px + py for north-east and
    // south-west (bit py), each line_words(d) words long.
    const std::uint64_t* blocked() const { return words.data(); }
    std::size_t row_words() const { return words_a_row; }
    const std::uint64_t* stops(run_direction d) const { return words.data() + plane_start[d]; }
    std::size_t line_words(run_direction d) const { return d == east || d == west ? words_a_row : words_a_column; }

private:
    int columns = 0;
    int rows = 0;
    std::size_t words_a_row = 0;     // a row line: the padded width
    std::size_t words_a_column = 0;  // a column or diagonal line: the padded height
    std::size_t plane_start[8] = {};
    std::vector<std::uint64_t> words;  // the blocked cells, then the eight planes
};

}  // namespace Voxel
}  // namespace OSTREL
