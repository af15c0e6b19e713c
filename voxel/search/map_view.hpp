// map_view: the bound map as the search reads it, and the three kinds of run
// that make up a jump: straight along a row, straight along a column, and
// diagonal with its two straight probes. Each run answers exactly as the
// step-by-step jump does (same stop cell, same answer); only the way it reads
// the cells differs. Rows are scanned sixteen cells at a time where SSE2 is
// there and eight otherwise (byte_scan.hpp) up to one end cell (the goal
// ahead in the row, else the row's end), the last cells as one word ending
// there; columns are read through the rows' own storage four cells
// a row, skipping groups of eight rows, then one of four, that cannot stop
// the run, and deciding the last (up to three) rows from one read.
//
// Contract
//   Ownership:    a view: it keeps the address of the map's rows and copies
//                 nothing, so every change made to the map before the view is
//                 built is seen. Built in constant time, once per call.
//   Checking:     any cell may be asked about; cells outside width x height
//                 are blocked. walkable_inside is the exception: its cell must
//                 lie inside the grid, which the caller guarantees. The runs
//                 expect a cell entered from an adjacent one (as jump does): a
//                 step of -1, 0 or +1 on each axis, not both 0. Checked builds
//                 assert both duties (BRONDEL_ASSERT), the cells a diagonal
//                 run reads unchecked in its inner box included. The goal may
//                 be any cell, off the grid included: such a goal is never
//                 reached, and nothing past the grid is read for it.
//   Invariants:   width and height are the map's resolution (the pathfinder's
//                 own copies of it, taken by init()).
//   Threads:      read-only; the map must not change while a view is in use.
//
// Usage
//   const map_view view(map, width, height);
//   int x = 4, y = 2;
//   bool found = view.run_horizontal(x, y, +1, goal_x, goal_y);   // x: the stop
//   found = view.run(x, y, -1, 1, goal_x, goal_y, probes);        // any direction
#pragma once

#include "voxel/projection_map.hpp"
#include "voxel/search/assertion.hpp"
#include "voxel/search/diagonal_probes.hpp"

#include <valarray>

namespace OSTREL {
namespace Voxel {

class map_view {
public:
    map_view(const projection_map* map, int width, int height);

    bool walkable(int x, int y) const { return inside(x, y) && row(y)[x] == 0; }
    // The same for a cell the caller knows to be inside the grid.
    bool walkable_inside(int x, int y) const {
        BRONDEL_ASSERT(inside(x, y));
        return row(y)[x] == 0;
    }

    // Each run starts at the cell (x, y) just entered and walks on in its
    // direction. True when it stops at the goal or a jump point, whose
    // coordinates are then left in the reference arguments; false when it
    // runs into a blocked cell or off the grid. A diagonal run that stops
    // because a straight probe found a jump point says what its probes found
    // there in `probes`, which it leaves alone otherwise.
    bool run_horizontal(int& x, int y, int dx, int gx, int gy) const;
    bool run_vertical(int x, int& y, int dy, int gx, int gy) const;
    bool run_diagonal(int& x, int& y, int dx, int dy, int gx, int gy, diagonal_probes& probes) const;
    // The run in the direction (dx, dy), not both 0: jump() from (x, y)
    // entered from (x - dx, y - dy).
    bool run(int& x, int& y, int dx, int dy, int gx, int gy, diagonal_probes& probes) const {
        BRONDEL_ASSERT(dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1 && (dx != 0 || dy != 0));
        if (dx != 0 && dy != 0) {
            return run_diagonal(x, y, dx, dy, gx, gy, probes);
        }
        if (dx != 0) {
            return run_horizontal(x, y, dx, gx, gy);
        }
        return run_vertical(x, y, dy, gx, gy);
    }

    // What a cell tells a run: go on past it, or stop there with a jump
    // point or because it is blocked.
    enum class stop { go_on, jump_point, blocked };

private:
    stop stop_at(int x, int y, int dx, int dy, bool is_goal) const;
    bool run_narrow_row(int& x, int y, int dx, int goal_x) const;
    bool run_vertical_at_edge(int x, int& y, int dy, int goal_y) const;
    template <int DX, int DY>
    bool run_diagonal_toward(int& x, int& y, int gx, int gy, diagonal_probes& probes) const;
    stop diagonal_step_at_edge(int x, int y, int dx, int dy, int gx, int gy, diagonal_probes& probes) const;

    bool inside(int x, int y) const {
        return static_cast<unsigned int>(x) < static_cast<unsigned int>(width) &&
               static_cast<unsigned int>(y) < static_cast<unsigned int>(height);
    }
    const char* row(int y) const { return &rows[y][0]; }

    const std::valarray<char>* rows;
    int width;
    int height;
};

}  // namespace Voxel
}  // namespace OSTREL
