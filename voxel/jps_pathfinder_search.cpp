// The bounded jump point search, as its steps: take nodes off the open list
// until the goal comes off (take_off_until_goal), expand each (expand): run
// from each pruned neighbour cell to its jump point (run_to_jump_points),
// then consider each jump point found (consider). The rules of which cells
// matter live in jump_rules.hpp, the runs in live_grid, the bookkeeping in
// search_state. The order of every step decides which route is found, so
// none of it may be reordered.
#include "voxel/jps_pathfinder.hpp"

#include "voxel/jump_rules.hpp"
#include "voxel/live_grid.hpp"
#include "voxel/search_state.hpp"
#include "voxel/search_workspace.hpp"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace OSTREL {
namespace Voxel {

namespace {

int sign(int value) {
    return (value > 0) - (value < 0);
}

// jump() on a view of the map that the caller keeps for many runs. A
// diagonal run that stops at a jump point found by one of its straight
// probes says what they found in `probes`.
bool run_to_jump_point(const live_grid& grid, int& x, int& y, int px, int py, int gx, int gy,
                       diagonal_probes& probes) {
    const int dx = x - px;
    const int dy = y - py;
    if (dx != 0 && dy != 0) {
        return grid.run_diagonal(x, y, dx, dy, gx, gy, probes);
    }
    if (dx != 0) {
        return grid.run_horizontal(x, y, dx, gx, gy);
    }
    return grid.run_vertical(x, y, dy, gx, gy);
}

// A neighbour cell to run from. Plain, so that an expansion's array of them
// is not cleared first.
struct neighbour_cell {
    int x;
    int y;
};

// The node being expanded: its cell, cost, the direction it was entered in
// (both 0 for the start) and what the run that entered it found beyond it.
struct expanded_node {
    jps_node* node;
    int x;
    int y;
    int g;
    int dx;
    int dy;
    diagonal_probes probes;
    bool probes_apply;  // made by a diagonal run in the direction (dx, dy)
};

// A jump point and what the run that found it found beyond it.
struct jump_point_found {
    int x;
    int y;
    diagonal_probes probes;
};

// Whether the run from the neighbour cell (x, y) of the expanded node was
// made already, as a straight probe of the diagonal run that entered the
// node and stopped there. If so, `jumped` is its answer and its jump point is
// left in (x, y).
bool answered_by_probe(const expanded_node& expanded, int& x, int& y, bool& jumped) {
    using answer = diagonal_probes::answer;
    if (!expanded.probes_apply) {
        return false;
    }
    const diagonal_probes& probes = expanded.probes;
    if (y == expanded.y && x == expanded.x + expanded.dx && probes.horizontal != answer::unknown) {
        jumped = probes.horizontal == answer::jump_point;
        if (jumped) x = probes.jump;
        return true;
    }
    if (x == expanded.x && y == expanded.y + expanded.dy && probes.vertical != answer::unknown) {
        jumped = probes.vertical == answer::jump_point;
        if (jumped) y = probes.jump;
        return true;
    }
    return false;
}

// What the expansion needs of the node's record, copied out: adding records
// may move the record itself.
expanded_node expanded_from(const node_record& record) {
    expanded_node expanded;
    expanded.node = record.node;
    expanded.x = record.x;
    expanded.y = record.y;
    expanded.g = record.g;
    const bool has_parent = record.parent != nullptr;
    expanded.dx = has_parent ? sign(record.x - record.parent_x) : 0;
    expanded.dy = has_parent ? sign(record.y - record.parent_y) : 0;
    expanded.probes = record.probes;
    expanded.probes_apply = record.probes.dx != 0 && record.probes.dx == expanded.dx && record.probes.dy == expanded.dy;
    return expanded;
}

// One running search towards (gx, gy): the algorithm's steps, on the live
// view of the map and the search's bookkeeping.
class jump_search {
public:
    jump_search(jps_pathfinder& pathfinder, search_workspace& workspace, int goal_x, int goal_y,
                search_state::leaves left)
        : state(pathfinder, workspace, left), grid(pathfinder.map, pathfinder.width, pathfinder.height),
          gx(goal_x), gy(goal_y) {}

    void open_start(jps_node* start) { state.open_start(start); }
    int record_for(jps_node* node) { return state.record_for(node); }
    jps_node* take_off_until_goal();
    void expand(int id);

private:
    int run_to_jump_points(const expanded_node& expanded, jump_point_found (&found)[8]) const;
    void consider(const expanded_node& expanded, const jump_point_found& found);
    int estimate_to_goal(const jump_point_found& found) const;

    search_state state;
    const live_grid grid;
    const int gx;
    const int gy;
    // The jump points of the expansion under way; kept for the whole search
    // so that no expansion clears an array of them first.
    jump_point_found found[8];
};

// Takes nodes off the open list until the goal is taken off (returned) or the
// list runs empty or the budget is spent (null). The goal counts against the
// budget.
jps_node* jump_search::take_off_until_goal() {
    for (int taken = 0; taken < jps_pathfinder::max_expansions; ++taken) {
        if (state.open_list_empty()) {
            return nullptr;
        }
        const int id = state.take_off_best();
        const node_record& record = state.record(id);
        if (record.x == gx && record.y == gy) {
            state.reached_goal(id);
            return record.node;
        }
        expand(id);
    }
    return nullptr;
}

// identifySuccessors: every neighbour cell is run to its jump point first
// (the runs read only the map), then the jump points are considered in the
// same order. Room for what they may add is made before the first, so that
// running out of memory leaves every node untouched by the expansion.
void jump_search::expand(int id) {
    const expanded_node expanded = expanded_from(state.record(id));
    const int count = run_to_jump_points(expanded, found);
    state.make_room(count);
    for (int i = 0; i < count; ++i) {
        consider(expanded, found[i]);
    }
}

int jump_search::run_to_jump_points(const expanded_node& expanded, jump_point_found (&found)[8]) const {
    // A copy of the view that nothing else can reach, so that the compiler
    // keeps its fields in registers across the writes below.
    const live_grid view = grid;
    neighbour_cell cells[8];
    int cell_count = 0;
    for_each_pruned_neighbour(view, expanded.x, expanded.y, expanded.dx, expanded.dy,
                              [&](int x, int y) { cells[cell_count++] = {x, y}; });
    int count = 0;
    for (int i = 0; i < cell_count; ++i) {
        int jx = cells[i].x;
        int jy = cells[i].y;
        bool jumped;
        diagonal_probes probes;
        // A run that the diagonal run entering the node made already, as a
        // probe, is not made again. A run from a blocked cell ends there
        // without a jump point; most pruned diagonal cells beside walls are
        // blocked, so that is tested here rather than after a call.
        if (!answered_by_probe(expanded, jx, jy, jumped)) {
            jumped = view.walkable(jx, jy) && run_to_jump_point(view, jx, jy, expanded.x, expanded.y, gx, gy, probes);
        }
        if (jumped) found[count++] = {jx, jy, probes};
    }
    return count;
}

// A closed jump point is left alone. The whole jump costs one euclidean()
// call, truncated once. Only a strictly cheaper route replaces a known one;
// h, once computed, stays.
void jump_search::consider(const expanded_node& expanded, const jump_point_found& found) {
    const cell_state cell = state.cell(found.x, found.y);
    if (cell.closed()) {
        return;
    }
    const int ng = saturated_cost(std::int64_t{expanded.g} + jps_pathfinder::euclidean(std::abs(found.x - expanded.x),
                                                                                       std::abs(found.y - expanded.y)));
    if (cell.opened()) {
        const int id = state.record_of(cell);
        const node_record& known = state.record(id);
        if (ng >= known.g) {
            return;
        }
        const int h = known.h != 0 ? known.h : estimate_to_goal(found);
        state.improve(id, {ng, h, expanded.node, expanded.x, expanded.y, found.probes});
    } else {
        state.discover(cell, found.x, found.y, {ng, estimate_to_goal(found), expanded.node, expanded.x, expanded.y,
                                                found.probes});
    }
}

// manhattan() of the distance to the goal, which may lie anywhere: the
// differences are taken wide.
int jump_search::estimate_to_goal(const jump_point_found& found) const {
    const std::int64_t dx = std::llabs(std::int64_t{found.x} - gx);
    const std::int64_t dy = std::llabs(std::int64_t{found.y} - gy);
    return saturated_cost((dx + dy) * 10);
}

// A search whose start is its goal takes the start off the list and stops:
// the closed list holds the start, the open list is empty, the path is the
// one cell and its length 0 in both modes. Nothing is written into the node,
// which the full search would write and clean again, and no workspace is
// borrowed.
bool found_at_start(jps_pathfinder& finder, int x, int y, std::vector<int>& out, float& out_length) {
    if (!finder.isWalkable(x, y)) {
        return false;
    }
    finder.closed_list.push_back(finder.getNodeAt(x, y));
    out.push_back(x);
    out.push_back(y);
    out_length = 0.0f;
    return true;
}

}  // namespace

// Node lookup and the two costs live beside the search, their main user, so
// that the compiler can inline them there.
jps_node* jps_pathfinder::getNodeAt(int x, int y) {
    return &nodes[y][x];
}

// Straight-line cost, computed in single precision and truncated once. The
// sum of squares is taken in 64 bits (INT_MIN counting as -INT_MAX, so that it
// fits); below 2^31, where every displacement of a grid up to max_extent lies,
// it converts to the same float as an int sum would.
int jps_pathfinder::euclidean(int dx, int dy) {
    const auto square = [](int d) {
        const std::int64_t wide = std::max(d, -INT_MAX);
        return wide * wide;
    };
    const float tenths = std::sqrt(static_cast<float>(square(dx) + square(dy))) * 10.0f;
    return tenths < 2147483648.0f ? static_cast<int>(tenths) : INT_MAX;
}

int jps_pathfinder::manhattan(int dx, int dy) {
    return saturated_cost((std::int64_t{dx} + dy) * 10);
}

bool jps_pathfinder::findPath(int sx, int sy, int gx, int gy, std::vector<int>& out, float& out_length) {
    out.clear();
    open_list.clear();
    closed_list.clear();
    try {
        if (sx == gx && sy == gy) {
            return found_at_start(*this, sx, sy, out, out_length);
        }
        jps_node* goal = searchGoal(sx, sy, gx, gy);
        if (goal != nullptr) {
            backtrace(goal, out, out_length);
            cleanUpChain(goal);  // the only nodes the search wrote
        }
        return goal != nullptr;
    } catch (...) {
        // Out of memory: leave a clean grid and no partial path behind.
        cleanUpNodes();
        out.clear();
        throw;
    }
}

jps_node* jps_pathfinder::searchGoal(int sx, int sy, int gx, int gy) {
    if (!isWalkable(sx, sy) || !isWalkable(gx, gy)) {
        return nullptr;
    }
    search_workspace& workspace = search_workspace::for_this_thread();
    const search_workspace::loan borrowed(workspace);
    jump_search search(*this, workspace, gx, gy, search_state::leaves::goal_chain);
    search.open_start(getNodeAt(sx, sy));
    return search.take_off_until_goal();
}

void jps_pathfinder::identifySuccessors(jps_node* node, int gx, int gy) {
    search_workspace& workspace = search_workspace::for_this_thread();
    const search_workspace::loan borrowed(workspace);
    jump_search search(*this, workspace, gx, gy, search_state::leaves::every_node);
    search.expand(search.record_for(node));
}

// The cells worth jumping to from `node`, pruned by the direction it was
// entered from.
void jps_pathfinder::findNeighbors(jps_node* node) {
    neighbors.clear();
    const jps_node* parent = node->parent;
    const int dx = parent != nullptr ? sign(node->x - parent->x) : 0;
    const int dy = parent != nullptr ? sign(node->y - parent->y) : 0;
    for_each_pruned_neighbour(live_grid(map, width, height), node->x, node->y, dx, dy,
                              [this](int x, int y) { neighbors.emplace_back(x, y); });
}

// Runs from (x, y), entered from the adjacent (px, py), in that direction
// until it reaches the goal or a jump point (true, the cell is left in x, y)
// or a cell that is not walkable (false). A diagonal step is taken whenever
// its target is walkable, even between two blocked cells; from each diagonal
// cell a straight probe runs along each component of the direction,
// horizontal first.
bool jps_pathfinder::jump(int& x, int& y, int px, int py, int gx, int gy) const {
    // Every run first tests the cell it enters, and ends there, without a
    // jump point, if it is blocked or off the grid; testing that here first
    // keeps the runs' arithmetic to cells of the grid.
    const int dx = (x > px) - (x < px);
    const int dy = (y > py) - (y < py);
    const live_grid grid(map, width, height);
    if ((dx == 0 && dy == 0) || !grid.walkable(x, y)) {
        return false;
    }
    diagonal_probes unused;
    return run_to_jump_point(grid, x, y, x - dx, y - dy, gx, gy, unused);
}

}  // namespace Voxel
}  // namespace OSTREL
