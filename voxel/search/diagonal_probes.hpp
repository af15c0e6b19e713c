// diagonal_probes: what the two straight probes of a diagonal run found at
// the cell where they stopped the run. A run that stops there is the same run
// the cell's own expansion makes later, from the same cell in the same
// direction towards the same goal: the map does not change while a search
// runs, so the answer is kept with the cell's record and not run again.
//
// Contract
//   Ownership:    a value; the search keeps one in each node's record.
//   Invariants:   dx and dy are the signs of the diagonal run that stopped at
//                 the cell (both 0: nothing is known). An answer that is not
//                 `unknown` is what run_horizontal from (x + dx, y), or
//                 run_vertical from (x, y + dy), answers for that cell and
//                 goal; a probe whose first cell is blocked finds no jump
//                 point (`no_jump_point`) without being run. A diagonal run stops
//                 at the first probe that finds a jump point, so at most one
//                 answer is `jump_point`, and `jump` belongs to it.
//   Checking:     none.
//   Threads:      a plain value.
//
// Usage
//   diagonal_probes probes;
//   view.run_diagonal(x, y, dx, dy, gx, gy, probes);   // filled at the stop
//   if (probes.horizontal == diagonal_probes::answer::jump_point) use(probes.jump, y);
#pragma once

namespace OSTREL {
namespace Voxel {

struct diagonal_probes {
    enum class answer : unsigned char { unknown, no_jump_point, jump_point };

    signed char dx = 0;  // the direction of the run that stopped at the cell
    signed char dy = 0;
    answer horizontal = answer::unknown;  // along the row, from (x + dx, y)
    answer vertical = answer::unknown;    // along the column, from (x, y + dy)
    int jump = 0;                         // the jump point found: its column (horizontal) or row (vertical)
};

}  // namespace Voxel
}  // namespace OSTREL
