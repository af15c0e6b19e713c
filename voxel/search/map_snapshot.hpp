// map_snapshot: a map that does not change while it is searched, read through
// data built once for it: its cells in one block with a border of blocked
// cells around them, and for every cell and each of the eight directions how
// far a run entering that cell goes before it must stop, ignoring the goal,
// and whether it stops at a jump point or at a blocked cell. A run then costs
// one or two reads and the goal's arithmetic, whatever its length. A search
// reads it through snapshot_view, whose runs answer exactly as map_view's do
// on the map the snapshot was built from.
//
// Contract
//   Ownership:    owns its data; keeps nothing of the map it was built from.
//   Invariants:   after build(map), the cells are the map's (0 free, else
//                 blocked) and every run length is the one the stop rules of
//                 jump_rules.hpp give on them (the tests below, in that
//                 order). Nothing changes them until the next build() or
//                 release().
//   Layout:       cells and run entries are stored for the grid and a border
//                 one cell wide around it, row after row, so that cell (x, y)
//                 for -1 <= x <= width, -1 <= y <= height is at place(x, y)
//                 in the cells and in each direction's plane of entries. The
//                 border's cells are blocked and its entries 0, which lets
//                 every test near the grid's sides read without bounds tests.
//   Memory:       build() asks for all of its memory at once before it
//                 writes anything (std::bad_alloc), and keeps what it had
//                 when that fails: 17 bytes a cell of the grid with its
//                 border, 1 of cells and 16 of run entries (bytes()).
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

// A run's length from the cell it enters, stored as (cells << 1) | jump_point:
// the run stops `cells` cells further on, at a jump point or (bit clear) at a
// blocked cell or off the grid. One entry a cell and direction.
using run_entry = std::uint16_t;

// The eight directions of the run tables, one plane of entries each.
enum run_direction : int { east, west, south, north, south_east, south_west, north_east, north_west };

inline run_direction direction_of(int dx, int dy) {
    static constexpr run_direction table[9] = {north_west, north, north_east, west, east,
                                               east,       south_west, south, south_east};
    return table[(dy + 1) * 3 + dx + 1];
}

class map_snapshot {
public:
    void build(const projection_map& map);
    void release();
    std::size_t bytes() const;

    int width() const { return columns; }
    int height() const { return rows; }
    std::ptrdiff_t stride() const { return columns + 2; }
    std::ptrdiff_t place(int x, int y) const { return (y + 1) * stride() + x + 1; }
    // 0 free, 1 blocked, at place(x, y).
    const unsigned char* cells() const { return padded.data(); }
    // The entries of runs in direction d, at place(x, y).
    const run_entry* runs(run_direction d) const { return entries.data() + plane_size() * d; }

private:
    std::size_t plane_size() const { return padded.size(); }

    int columns = 0;
    int rows = 0;
    std::vector<unsigned char> padded;
    std::vector<run_entry> entries;
};

}  // namespace Voxel
}  // namespace OSTREL
