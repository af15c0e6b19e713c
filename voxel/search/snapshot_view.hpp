// snapshot_view: snapshot_planes as the search reads them, with the interface of
// map_view: walkable cells and the runs of a jump. A run is a scan for the
// first stop in its line of the snapshot's plane for its direction, and the
// cell it stops at is a jump point unless it is blocked. The goal is handled
// here, since the planes ignore it: a straight run stops at the goal when the
// goal lies ahead of it no further than that stop, and a diagonal run also at
// the step where it crosses the goal's row (column) when the straight probe
// from there along the row (column) reaches the goal that way. Those are the
// only stops the goal can add (a probe sees only its own row or column), and
// it removes none, so each run answers exactly as map_view's (same stop cell,
// same answer) for a goal that is a free cell of the grid, which is every
// goal a search has.
//
// Contract
//   Ownership:    a view: the planes must outlive it and not be rebuilt
//                 while it is used. Built in constant time.
//   Checking:     none in release builds: walkable() takes cells inside the
//                 grid or on its border (-1 <= x <= width, -1 <= y <= height),
//                 the runs a cell inside the grid, entered from the adjacent
//                 cell (x - dx, y - dy), and a goal that is a free cell of the
//                 grid. Checked builds assert all three (BRONDEL_ASSERT).
//   Probes:       the runs do not report what a diagonal run's probes found
//                 (diagonal_probes stays as it was): a straight run is a scan
//                 here, so nothing is gained by keeping its answer.
//   Threads:      read-only.
//
// Usage
//   const snapshot_view view(planes);
//   int x = 4, y = 2;
//   bool found = view.run(x, y, 1, 1, goal_x, goal_y, probes);   // (x, y): the stop
#pragma once

#include "voxel/search/assertion.hpp"
#include "voxel/search/byte_scan.hpp"
#include "voxel/search/diagonal_probes.hpp"
#include "voxel/search/snapshot_planes.hpp"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace OSTREL {
namespace Voxel {

// The step of each run_direction.
constexpr int run_step_x[8] = {1, -1, 0, 0, 1, -1, 1, -1};
constexpr int run_step_y[8] = {0, 0, 1, -1, 1, 1, -1, -1};

// The free neighbour cells an expansion runs from (jump_rules.hpp,
// for_each_pruned_neighbour, and free: a run from a blocked cell ends at once
// without a jump point), for each direction the node was entered in and each
// pattern of blocked cells around it. Entry [(dy + 1) * 3 + dx + 1][mask],
// where bit (ny + 1) * 3 + nx + 1 of mask says the cell at (nx, ny) from the
// node is blocked: the number of cells in bits 0-3, then their directions
// (run_direction) three bits each, in the order the rule hands them on.
// Built once, from the rule itself.
const std::uint32_t* pruned_free_neighbours();

class snapshot_view {
public:
    explicit snapshot_view(const snapshot_planes& snapshot)
        : source(&snapshot), blocked(snapshot.blocked()), neighbours(pruned_free_neighbours()),
          row_words(snapshot.row_words()), column_words(snapshot.line_words(south)),
          diagonal_words(snapshot.line_words(south_east)), width(snapshot.width()), height(snapshot.height()) {
        for (int d = 0; d < 8; ++d) planes[d] = snapshot.stops(static_cast<run_direction>(d));
    }

    bool walkable(int x, int y) const {
        BRONDEL_ASSERT(x >= -1 && x <= width && y >= -1 && y <= height);
        return !is_blocked(x + 1, y + 1);
    }

    // Calls add(d) for each free pruned neighbour of (x, y), a cell inside
    // the grid entered in (dx, dy), with the direction d from (x, y) to it,
    // in the expansion's order.
    template <typename Add>
    void for_each_free_pruned_neighbour(int x, int y, int dx, int dy, Add&& add) const {
        BRONDEL_ASSERT(x >= 0 && x < width && y >= 0 && y < height);
        const std::uint32_t list = neighbours[((dy + 1) * 3 + dx + 1) * 512 + blocked_around(x, y)];
        std::uint32_t directions = list >> 4;
        for (unsigned int count = list & 15u; count != 0; --count, directions >>= 3) {
            add(static_cast<run_direction>(directions & 7u));
        }
    }

    // The run entering (x, y) in direction d: true when it stops at the goal
    // or a jump point, whose cell it leaves in (x, y); false when it ends at
    // a blocked cell or the grid's side.
    bool run_in(run_direction d, int& x, int& y, int gx, int gy) const {
        BRONDEL_ASSERT(x >= 0 && x < width && y >= 0 && y < height);
        BRONDEL_ASSERT(gx >= 0 && gx < width && gy >= 0 && gy < height && walkable(gx, gy));
        switch (d) {
            case east: return run_row<1>(x, y, gx, gy);
            case west: return run_row<-1>(x, y, gx, gy);
            case south: return run_column<1>(x, y, gx, gy);
            case north: return run_column<-1>(x, y, gx, gy);
            case south_east: return run_diagonal<1, 1>(x, y, gx, gy);
            case south_west: return run_diagonal<-1, 1>(x, y, gx, gy);
            case north_east: return run_diagonal<1, -1>(x, y, gx, gy);
            default: return run_diagonal<-1, -1>(x, y, gx, gy);
        }
    }
    // The same with the interface of map_view::run.
    bool run(int& x, int& y, int dx, int dy, int gx, int gy, diagonal_probes&) const {
        BRONDEL_ASSERT(dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1 && (dx != 0 || dy != 0));
        return run_in(direction_of(dx, dy), x, y, gx, gy);
    }

private:
    // Three cells of a line of bits from bit i on, read as two bytes (the
    // lines are little-endian words, as on x86-64 and ARM64, and long enough).
    static unsigned int three_at(const std::uint64_t* line, int i) {
        std::uint16_t bytes;
        std::memcpy(&bytes, reinterpret_cast<const unsigned char*>(line) + (i >> 3), sizeof bytes);
        return static_cast<unsigned int>(bytes) >> (i & 7) & 7u;
    }
    // The blocked cells around (x, y), inside the grid: bit (ny + 1) * 3 +
    // nx + 1 for the cell at (x + nx, y + ny).
    unsigned int blocked_around(int x, int y) const {
        const std::uint64_t* above = blocked + static_cast<std::size_t>(y) * row_words;
        return three_at(above, x) | three_at(above + row_words, x) << 3 | three_at(above + 2 * row_words, x) << 6;
    }

    bool is_blocked(int px, int py) const {
        return (blocked[static_cast<std::size_t>(py) * row_words + static_cast<std::size_t>(px >> 6)] >> (px & 63) &
                1u) != 0;
    }

    // The first set bit of a line at i or after (Step +1), or at i or before
    // (Step -1); the line has one (the border's).
    template <int Step>
    static int stop_from(const std::uint64_t* line, int i) {
        int w = i >> 6;
        if (Step > 0) {
            std::uint64_t bits = line[w] & (~std::uint64_t{0} << (i & 63));
            while (bits == 0) bits = line[++w];
            return w * 64 + byte_scan::lowest_set_bit(bits);
        }
        std::uint64_t bits = line[w] & (~std::uint64_t{0} >> (63 - (i & 63)));
        while (bits == 0) bits = line[--w];
        return w * 64 + byte_scan::highest_set_bit(bits);
    }

    // Where a straight run entering padded cell (px, py) stops, ignoring the
    // goal: the padded column (row) of its stop.
    template <int DX>
    int row_stop(int px, int py) const {
        return stop_from<DX>(planes[DX > 0 ? east : west] + static_cast<std::size_t>(py) * row_words, px);
    }
    template <int DY>
    int column_stop(int px, int py) const {
        return stop_from<DY>(planes[DY > 0 ? south : north] + static_cast<std::size_t>(px) * column_words, py);
    }

    // A run along a row stops at the goal when the goal lies ahead no
    // further than its stop; else at its stop, a jump point unless blocked.
    template <int DX>
    bool run_row(int& x, int y, int gx, int gy) const {
        const int stop = row_stop<DX>(x + 1, y + 1);
        if (y == gy && (gx - x) * DX >= 0 && (gx + 1 - stop) * DX <= 0) {
            x = gx;
            return true;
        }
        x = stop - 1;
        return !is_blocked(stop, y + 1);
    }
    template <int DY>
    bool run_column(int x, int& y, int gx, int gy) const {
        const int stop = column_stop<DY>(x + 1, y + 1);
        if (x == gx && (gy - y) * DY >= 0 && (gy + 1 - stop) * DY <= 0) {
            y = gy;
            return true;
        }
        y = stop - 1;
        return !is_blocked(x + 1, stop);
    }

    // A diagonal run stops where its plane says, or sooner at the step that
    // crosses the goal's row or column, when the probe from there reaches
    // the goal; the earlier crossing is tried first (both are the goal when
    // they are the same step).
    template <int DX, int DY>
    bool run_diagonal(int& x, int& y, int gx, int gy) const {
        constexpr run_direction d = DX > 0 ? (DY > 0 ? south_east : north_east) : (DY > 0 ? south_west : north_west);
        constexpr bool south_east_line = DX == DY;
        const int line = source->diagonal_line(south_east_line, x + 1, y + 1);
        const int position = source->diagonal_position(south_east_line, line, y + 1);
        const int steps =
            (stop_from<DY>(planes[d] + static_cast<std::size_t>(line) * diagonal_words, position) - position) * DY;
        // Steps to the crossings; a crossing behind the run reads as larger
        // than any stop.
        const unsigned int to_row = static_cast<unsigned int>((gy - y) * DY);
        const unsigned int to_column = static_cast<unsigned int>((gx - x) * DX);
        const unsigned int to_stop = static_cast<unsigned int>(steps);
        const bool row_first = to_row < to_column;
        if (row_first && to_row < to_stop && row_probe_reaches<DX>(x + static_cast<int>(to_row) * DX, gx, gy)) {
            return go_on<DX, DY>(x, y, static_cast<int>(to_row));
        }
        if (to_column < to_stop && column_probe_reaches<DY>(y + static_cast<int>(to_column) * DY, gx, gy)) {
            return go_on<DX, DY>(x, y, static_cast<int>(to_column));
        }
        if (!row_first && to_row < to_stop && row_probe_reaches<DX>(x + static_cast<int>(to_row) * DX, gx, gy)) {
            return go_on<DX, DY>(x, y, static_cast<int>(to_row));
        }
        go_on<DX, DY>(x, y, steps);
        return !is_blocked(x + 1, y + 1);
    }

    // Whether the diagonal run's cell in column cx of the goal's row stops
    // the run: it is the goal, or the row probe from the next cell reaches
    // the goal no further than its stop.
    template <int DX>
    bool row_probe_reaches(int cx, int gx, int gy) const {
        const int ahead = (gx - cx) * DX;
        return ahead == 0 || (ahead > 0 && (gx + 1 - row_stop<DX>(cx + DX + 1, gy + 1)) * DX <= 0);
    }
    // The same for the cell in row cy of the goal's column and its column
    // probe.
    template <int DY>
    bool column_probe_reaches(int cy, int gx, int gy) const {
        const int ahead = (gy - cy) * DY;
        return ahead > 0 && (gy + 1 - column_stop<DY>(gx + 1, cy + DY + 1)) * DY <= 0;
    }

    template <int DX, int DY>
    static bool go_on(int& x, int& y, int steps) {
        x += steps * DX;
        y += steps * DY;
        return true;
    }

    const snapshot_planes* source;
    const std::uint64_t* blocked;
    const std::uint32_t* neighbours;  // pruned_free_neighbours()
    const std::uint64_t* planes[8];
    std::size_t row_words;
    std::size_t column_words;
    std::size_t diagonal_words;
    int width;
    int height;
};

}  // namespace Voxel
}  // namespace OSTREL
