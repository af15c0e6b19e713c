// jump_rules: the two rules of the jump point search that say which cells
// matter, stated once: which neighbour cells an expansion runs to (pruning,
// with the start cell's own rule), and when a cell a run enters has a forced
// neighbour (which makes it a jump point). The runs in map_view and the
// expansion in the search both ask these; the word-at-a-time scans in
// map_view test the same forced-neighbour rule for many cells at once.
//
// Contract
//   Grid:         any type with `bool walkable(int x, int y) const` that
//                 answers false for cells outside the grid (map_view).
//   Directions:   (dx, dy) are the signs of the move that entered the cell
//                 (direction_sign), each -1, 0 or +1; both 0 only for the
//                 start cell, which was entered from nowhere.
//   Checking:     any cell may be asked about, as walkable() allows; the
//                 directions are the caller's duty (BRONDEL_ASSERT).
//   Threads:      pure functions of the grid's cells.
//
// Usage
//   if (has_forced_neighbour(grid, x, y, dx, dy)) stop_here();
//   for_each_pruned_neighbour(grid, x, y, dx, dy, [&](int nx, int ny) { run_from(nx, ny); });
#pragma once

#include "voxel/search/assertion.hpp"

namespace OSTREL {
namespace Voxel {

// One component of the direction of a move from `from` to `to`: -1, 0 or +1,
// the sign of to - from, found without the difference (which can overflow
// for the any-int cells of the exported members).
inline int direction_sign(int from, int to) {
    return (to > from) - (to < from);
}

// Whether (dx, dy) is a direction: each component -1, 0 or +1.
inline bool is_direction(int dx, int dy) {
    return dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1;
}

// A cell beside the way in (`side`) that is blocked, while the cell one step
// past it in the direction (step_x, step_y) is free: that free cell can be
// reached best through the cell the run is on, so it is forced.
template <typename Grid>
bool forces_past(const Grid& grid, int side_x, int side_y, int step_x, int step_y) {
    return grid.walkable(side_x + step_x, side_y + step_y) && !grid.walkable(side_x, side_y);
}

// The forced-neighbour rule. A cell entered along a row has a forced
// neighbour when the cell below it (then the one above) is blocked and the
// one ahead of that free; along a column, the same with the cells to its
// right (then left). A cell entered diagonally has one when the cell behind
// it along the row is blocked and the one past that along the column is
// free, or the same with row and column exchanged. Cells outside the grid are
// blocked, so the grid's border forces nothing. The diagonal half is a
// function of its own for the runs that know they go diagonally: small
// enough to be inlined into each of them.
template <typename Grid>
bool has_forced_neighbour_diagonally(const Grid& grid, int x, int y, int dx, int dy) {
    BRONDEL_ASSERT(is_direction(dx, dy) && dx != 0 && dy != 0);
    return forces_past(grid, x - dx, y, 0, dy) || forces_past(grid, x, y - dy, dx, 0);
}

template <typename Grid>
bool has_forced_neighbour(const Grid& grid, int x, int y, int dx, int dy) {
    BRONDEL_ASSERT(is_direction(dx, dy) && (dx != 0 || dy != 0));
    if (dx != 0 && dy != 0) {
        return has_forced_neighbour_diagonally(grid, x, y, dx, dy);
    }
    if (dx != 0) {
        return forces_past(grid, x, y + 1, dx, 0) || forces_past(grid, x, y - 1, dx, 0);
    }
    return forces_past(grid, x + 1, y, 0, dy) || forces_past(grid, x - 1, y, 0, dy);
}

// The pruned neighbour cells of (x, y), handed to add(x, y) in the order the
// expansion must run them to their jump points. The forced cells are those of
// the forced-neighbour rule, in its order; they and the diagonal cells are
// handed on without a test of their being free (a run from a blocked cell
// ends at once, without a jump point).
template <typename Grid, typename Add>
void for_each_pruned_neighbour(const Grid& grid, int x, int y, int dx, int dy, Add&& add) {
    BRONDEL_ASSERT(is_direction(dx, dy));
    if (dx == 0 && dy == 0) {
        // The start cell's rule: the four straight cells that are free, then
        // the free diagonals that do not squeeze between two blocked cells.
        // (Runs, unlike the start, may step diagonally between two blocked
        // cells.)
        const bool up = grid.walkable(x, y - 1);
        const bool right = grid.walkable(x + 1, y);
        const bool down = grid.walkable(x, y + 1);
        const bool left = grid.walkable(x - 1, y);
        if (up) add(x, y - 1);
        if (right) add(x + 1, y);
        if (down) add(x, y + 1);
        if (left) add(x - 1, y);
        if (grid.walkable(x - 1, y - 1) && (left || up)) add(x - 1, y - 1);
        if (grid.walkable(x + 1, y - 1) && (up || right)) add(x + 1, y - 1);
        if (grid.walkable(x + 1, y + 1) && (right || down)) add(x + 1, y + 1);
        if (grid.walkable(x - 1, y + 1) && (down || left)) add(x - 1, y + 1);
    } else if (dx != 0 && dy != 0) {
        // Diagonal: the column's cell, the row's cell, the diagonal ahead when
        // either is free, then each forced cell, but only when the straight
        // cell it lies beside is free.
        const bool vertical = grid.walkable(x, y + dy);
        const bool horizontal = grid.walkable(x + dx, y);
        if (vertical) add(x, y + dy);
        if (horizontal) add(x + dx, y);
        if (vertical || horizontal) add(x + dx, y + dy);
        if (!grid.walkable(x - dx, y) && vertical) add(x - dx, y + dy);
        if (!grid.walkable(x, y - dy) && horizontal) add(x + dx, y - dy);
    } else if (dx == 0) {
        // Along a column: nothing when the cell ahead is blocked, else that
        // cell and the forced ones.
        if (!grid.walkable(x, y + dy)) {
            return;
        }
        add(x, y + dy);
        if (!grid.walkable(x + 1, y)) add(x + 1, y + dy);
        if (!grid.walkable(x - 1, y)) add(x - 1, y + dy);
    } else {
        if (!grid.walkable(x + dx, y)) {
            return;
        }
        add(x + dx, y);
        if (!grid.walkable(x, y + 1)) add(x + dx, y + 1);
        if (!grid.walkable(x, y - 1)) add(x + dx, y - 1);
    }
}

}  // namespace Voxel
}  // namespace OSTREL
