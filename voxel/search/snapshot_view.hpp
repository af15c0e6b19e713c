// snapshot_view: a map_snapshot as the search reads it, with the interface of
// map_view: walkable cells and the runs of a jump. Each run answers exactly as
// map_view's (same stop cell, same answer) for a goal that is a free cell of
// the grid, which is every goal a search has: a run stops at the goal when
// the goal comes before the stop its entry records, and a diagonal run also
// at the step where it crosses the goal's row (column) when the straight
// probe from there, along the row (column), reaches the goal before its own
// stop. Those are the only ways the goal can end a run sooner: the goal only
// adds stops, and a probe only sees its own row or column.
//
// Contract
//   Ownership:    a view: the snapshot must outlive it and not be rebuilt
//                 while it is used. Built in constant time.
//   Checking:     none in release builds: walkable() takes cells inside the
//                 grid or on its border (-1 <= x <= width, -1 <= y <= height),
//                 the runs a cell inside the grid, entered from the adjacent
//                 cell (x - dx, y - dy), and a goal that is a free cell of the
//                 grid. Checked builds assert all three (BRONDEL_ASSERT).
//   Probes:       the runs do not report what a diagonal run's probes found
//                 (diagonal_probes stays as it was): a straight run is a read
//                 here, so nothing is gained by keeping its answer.
//   Threads:      read-only.
//
// Usage
//   const snapshot_view view(snapshot);
//   int x = 4, y = 2;
//   bool found = view.run(x, y, 1, 1, goal_x, goal_y, probes);   // (x, y): the stop
#pragma once

#include "voxel/search/assertion.hpp"
#include "voxel/search/diagonal_probes.hpp"
#include "voxel/search/map_snapshot.hpp"

#include <cstddef>

namespace OSTREL {
namespace Voxel {

class snapshot_view {
public:
    explicit snapshot_view(const map_snapshot& snapshot)
        : cells(snapshot.cells()), entries(snapshot.runs(east)),
          plane(snapshot.runs(west) - snapshot.runs(east)), stride(snapshot.stride()), width(snapshot.width()),
          height(snapshot.height()) {}

    bool walkable(int x, int y) const {
        BRONDEL_ASSERT(x >= -1 && x <= width && y >= -1 && y <= height);
        return cells[place(x, y)] == 0;
    }

    bool run(int& x, int& y, int dx, int dy, int gx, int gy, diagonal_probes&) const {
        BRONDEL_ASSERT(x >= 0 && x < width && y >= 0 && y < height);
        BRONDEL_ASSERT(gx >= 0 && gx < width && gy >= 0 && gy < height && walkable(gx, gy));
        if (dx != 0 && dy != 0) return run_diagonal(x, y, dx, dy, gx, gy);
        if (dx != 0) return y == gy ? run_straight(x, dx, gx, entry(east_or_west(dx), x, y)) : stop_at(x, dx, entry(east_or_west(dx), x, y));
        return x == gx ? run_straight(y, dy, gy, entry(south_or_north(dy), x, y)) : stop_at(y, dy, entry(south_or_north(dy), x, y));
    }

private:
    static run_direction east_or_west(int dx) { return dx > 0 ? east : west; }
    static run_direction south_or_north(int dy) { return dy > 0 ? south : north; }
    std::ptrdiff_t place(int x, int y) const { return (y + 1) * stride + x + 1; }
    run_entry entry(run_direction d, int x, int y) const { return entries[plane * d + place(x, y)]; }

    // The cells a run goes from the cell it entered to its stop.
    static int length_of(run_entry e) { return e >> 1; }

    // Moves `along` (x or y) to the run's stop; true at a jump point.
    static bool stop_at(int& along, int step, run_entry e) {
        along += step * length_of(e);
        return (e & 1u) != 0;
    }
    // The same on the goal's row (column): the goal, a free cell, stops the
    // run when it lies ahead no further than the recorded stop.
    static bool run_straight(int& along, int step, int goal, run_entry e) {
        if (static_cast<unsigned int>((goal - along) * step) <= static_cast<unsigned int>(length_of(e))) {
            along = goal;
            return true;
        }
        return stop_at(along, step, e);
    }

    // Whether a straight run entering (x, y) in direction d reaches the goal,
    // `ahead` cells on, before its recorded stop.
    bool probe_reaches(run_direction d, int x, int y, int ahead) const {
        return ahead >= 0 && ahead <= length_of(entry(d, x, y));
    }

    bool run_diagonal(int& x, int& y, int dx, int dy, int gx, int gy) const {
        const run_entry e = entry(direction_of(dx, dy), x, y);
        int steps = length_of(e);
        bool found = (e & 1u) != 0;
        // The step on the goal's row: the goal itself, or its row probe
        // (which starts one cell on in dx) reaches it.
        const int to_row = (gy - y) * dy;
        if (static_cast<unsigned int>(to_row) < static_cast<unsigned int>(steps)) {
            const int cx = x + to_row * dx;
            if (cx == gx || probe_reaches(east_or_west(dx), cx + dx, gy, (gx - cx - dx) * dx)) {
                steps = to_row;
                found = true;
            }
        }
        // The step on the goal's column: its column probe reaches the goal.
        const int to_column = (gx - x) * dx;
        if (static_cast<unsigned int>(to_column) < static_cast<unsigned int>(steps)) {
            const int cy = y + to_column * dy;
            if (probe_reaches(south_or_north(dy), gx, cy + dy, (gy - cy - dy) * dy)) {
                steps = to_column;
                found = true;
            }
        }
        x += steps * dx;
        y += steps * dy;
        return found;
    }

    const unsigned char* cells;
    const run_entry* entries;  // the first plane
    std::ptrdiff_t plane;      // entries from one plane to the next
    std::ptrdiff_t stride;
    int width;
    int height;
};

}  // namespace Voxel
}  // namespace OSTREL
