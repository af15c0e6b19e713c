#include "voxel/live_grid.hpp"

#include "voxel/byte_scan.hpp"

#include <cstdint>

namespace OSTREL {
namespace Voxel {

namespace {

// Stands for "no goal on this row (column)": every cell a run visits has
// coordinates of -1 or more.
constexpr int no_goal = -2;

}  // namespace

live_grid::live_grid(const projection_map* map, int grid_width, int grid_height)
    : rows(grid_height > 0 ? &map->rows[0] : nullptr), width(grid_width), height(grid_height) {}

// The tests of jump for a cell entered along a row, in jump's order: blocked,
// then the goal, then a forced neighbour above or below.
live_grid::step live_grid::horizontal_step(int x, int y, int dx, int goal_x) const {
    if (!walkable(x, y)) {
        return step::blocked;
    }
    if (x == goal_x) {
        return step::jump_point;
    }
    if ((walkable(x + dx, y + 1) && !walkable(x, y + 1)) ||
        (walkable(x + dx, y - 1) && !walkable(x, y - 1))) {
        return step::jump_point;
    }
    return step::go_on;
}

bool live_grid::run_horizontal(int& x, int y, int dx, int gx, int gy) const {
    if (y < 0 || y >= height) {
        return false;
    }
    const int goal_x = y == gy ? gx : no_goal;
    for (;;) {
        x = dx > 0 ? skip_east(x, y, goal_x) : skip_west(x, y, goal_x);
        const step result = horizontal_step(x, y, dx, goal_x);
        if (result != step::go_on) {
            return result == step::jump_point;
        }
        x += dx;
    }
}

// From x eastwards, skips whole words of eight cells none of which can stop
// the run: not blocked, not the goal, no forced neighbour (a blocked cell
// above or below whose eastern neighbour is free). Returns the first cell
// that may stop the run, or the first that lies too near the row's end for a
// word to be read; the caller tests it one by one. A missing row above or
// below (outside the grid) is all blocked, which forces nothing.
int live_grid::skip_east(int x, int y, int goal_x) const {
    using namespace byte_scan;
    if (x < 0) {
        return x;
    }
    const char* here = row(y);
    const bool has_above = y > 0;
    const bool has_below = y + 1 < height;
    const char* above = has_above ? row(y - 1) : here;
    const char* below = has_below ? row(y + 1) : here;
    while (x + 8 < width) {
        std::uint64_t stops = occupied(load(here + x));
        if (has_above) stops |= occupied(load(above + x)) & ~occupied(load(above + x + 1));
        if (has_below) stops |= occupied(load(below + x)) & ~occupied(load(below + x + 1));
        if (goal_x >= x && goal_x < x + 8) stops |= flag_at(goal_x - x);
        if (stops != 0) {
            return x + lowest_flagged_byte(stops);
        }
        x += 8;
    }
    return x;
}

// The mirror image of skip_east: the word read ends at x, and the cell that
// must be free for a forced neighbour lies to the west.
int live_grid::skip_west(int x, int y, int goal_x) const {
    using namespace byte_scan;
    if (x >= width) {
        return x;
    }
    const char* here = row(y);
    const bool has_above = y > 0;
    const bool has_below = y + 1 < height;
    const char* above = has_above ? row(y - 1) : here;
    const char* below = has_below ? row(y + 1) : here;
    while (x >= 8) {
        const int first = x - 7;
        std::uint64_t stops = occupied(load(here + first));
        if (has_above) stops |= occupied(load(above + first)) & ~occupied(load(above + first - 1));
        if (has_below) stops |= occupied(load(below + first)) & ~occupied(load(below + first - 1));
        if (goal_x >= first && goal_x <= x) stops |= flag_at(goal_x - first);
        if (stops != 0) {
            return first + highest_flagged_byte(stops);
        }
        x -= 8;
    }
    return x;
}

// Away from the grid's side columns each row of the run is one read of four
// cells, (x - 1) to (x + 2), whose occupied flags (byte_scan) give the cell
// of the run (byte 1) and the cells beside it (bytes 0 and 2); the flags of
// the next row are kept for its own turn. The tests keep jump's order:
// blocked, then the goal, then a forced neighbour (a blocked cell beside whose
// next cell in the run's direction is free).
bool live_grid::run_vertical(int x, int& y, int dy, int gx, int gy) const {
    using namespace byte_scan;
    const int goal_y = x == gx ? gy : no_goal;
    if (x < 1 || x + 2 >= width) {
        return run_vertical_at_edge(x, y, dy, goal_y);
    }
    if (y < 0 || y >= height) {
        return false;
    }
    // The walk keeps its row in a local, written back once, so that nothing
    // in the loop is stored to memory.
    const int last_y = dy > 0 ? height - 1 : 0;
    const std::uint64_t centre = flag_at(1);
    const std::uint64_t sides = flag_at(0) | flag_at(2);
    int at = y;
    std::uint64_t here = occupied(load_four(row(at) + x - 1));
    bool found;
    for (;;) {
        if ((here & centre) != 0) {
            found = false;
            break;
        }
        if (at == goal_y) {
            found = true;
            break;
        }
        if (at == last_y) {
            found = false;  // the next cell is off the grid; nothing here is forced
            break;
        }
        const std::uint64_t next = occupied(load_four(row(at + dy) + x - 1));
        if ((here & ~next & sides) != 0) {
            found = true;
            break;
        }
        at += dy;
        here = next;
    }
    y = at;
    return found;
}

bool live_grid::run_vertical_at_edge(int x, int& y, int dy, int goal_y) const {
    for (;;) {
        if (!walkable(x, y)) {
            return false;
        }
        if (y == goal_y) {
            return true;
        }
        if ((walkable(x + 1, y + dy) && !walkable(x + 1, y)) ||
            (walkable(x - 1, y + dy) && !walkable(x - 1, y))) {
            return true;
        }
        y += dy;
    }
}

bool live_grid::run_diagonal(int& x, int& y, int dx, int dy, int gx, int gy) const {
    for (;;) {
        if (!walkable(x, y)) {
            return false;
        }
        if (x == gx && y == gy) {
            return true;
        }
        if ((walkable(x - dx, y + dy) && !walkable(x - dx, y)) ||
            (walkable(x + dx, y - dy) && !walkable(x, y - dy))) {
            return true;
        }
        // The two straight probes run on copies: the jump point is (x, y). A
        // probe whose first cell is blocked ends there, without a jump point;
        // that is tested first, as it is the common case beside walls.
        int probe_x = x + dx;
        if (walkable(probe_x, y) && run_horizontal(probe_x, y, dx, gx, gy)) {
            return true;
        }
        int probe_y = y + dy;
        if (walkable(x, probe_y) && run_vertical(x, probe_y, dy, gx, gy)) {
            return true;
        }
        x += dx;
        y += dy;
    }
}

}  // namespace Voxel
}  // namespace OSTREL
