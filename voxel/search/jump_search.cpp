#include "voxel/search/jump_search.hpp"

#include "voxel/search/costs.hpp"
#include "voxel/search/jump_rules.hpp"

#include <cstdint>
#include <cstdlib>

namespace OSTREL {
namespace Voxel {

namespace {

// A neighbour cell to run from. Plain, so that an expansion's array of them
// is not cleared first.
struct neighbour_cell {
    int x;
    int y;
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
    expanded.dx = has_parent ? direction_sign(record.parent_x, record.x) : 0;
    expanded.dy = has_parent ? direction_sign(record.parent_y, record.y) : 0;
    expanded.probes = record.probes;
    expanded.probes_apply = record.probes.dx != 0 && record.probes.dx == expanded.dx && record.probes.dy == expanded.dy;
    return expanded;
}

}  // namespace

template <typename View>
jump_search<View>::jump_search(jps_pathfinder& pathfinder, search_workspace& workspace, const View& map, int goal_x,
                               int goal_y, search_bookkeeping::leaves left)
    : bookkeeping(pathfinder, workspace, left), view(map), gx(goal_x), gy(goal_y) {}

// The goal counts against the budget.
template <typename View>
jps_node* jump_search<View>::take_off_until_goal() {
    for (int taken = 0; taken < jps_pathfinder::max_expansions; ++taken) {
        if (bookkeeping.open_list_empty()) {
            return nullptr;
        }
        const int id = bookkeeping.take_off_best();
        const node_record& record = bookkeeping.record(id);
        if (record.x == gx && record.y == gy) {
            bookkeeping.reached_goal(id);
            return record.node;
        }
        expand(id);
    }
    return nullptr;
}

// Every neighbour cell is run to its jump point first (the runs read only the
// map), then the jump points are considered in the same order. Room for what
// they may add is made before the first, so that running out of memory leaves
// every node untouched by the expansion.
template <typename View>
void jump_search<View>::expand(int id) {
    const expanded_node expanded = expanded_from(bookkeeping.record(id));
    const int count = run_to_jump_points(expanded, jump_points);
    bookkeeping.make_room(count);
    for (int i = 0; i < count; ++i) {
        consider(expanded, jump_points[i]);
    }
}

template <typename View>
int jump_search<View>::run_to_jump_points(const expanded_node& expanded, jump_point_found (&into)[8]) const {
    // A copy of the view that nothing else can reach, so that the compiler
    // keeps its fields in registers across the writes below.
    const View local = view;
    neighbour_cell cells[8];
    int cell_count = 0;
    for_each_pruned_neighbour(local, expanded.x, expanded.y, expanded.dx, expanded.dy, [&](int x, int y) {
        cells[cell_count++] = {x, y};
    });
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
            jumped = local.walkable(jx, jy) && local.run(jx, jy, jx - expanded.x, jy - expanded.y, gx, gy, probes);
        }
        if (jumped) into[count++] = {jx, jy, probes};
    }
    return count;
}

// On a snapshot the pruned neighbours come with their being free from one
// read of the cells around the node, and no run is answered by a kept probe
// (the snapshot's runs keep none): the same runs, from the same cells, in the
// same order.
template <>
int jump_search<snapshot_view>::run_to_jump_points(const expanded_node& expanded, jump_point_found (&into)[8]) const {
    const snapshot_view local = view;
    int count = 0;
    local.for_each_free_pruned_neighbour(expanded.x, expanded.y, expanded.dx, expanded.dy, [&](run_direction d) {
        int jx = expanded.x + run_step_x[d];
        int jy = expanded.y + run_step_y[d];
        if (local.run_in(d, jx, jy, gx, gy)) into[count++] = {jx, jy, diagonal_probes{}};
    });
    return count;
}

// A closed jump point is left alone. The whole jump costs one euclidean_cost,
// truncated once. Only a strictly cheaper route replaces a known one; h, once
// computed, stays.
template <typename View>
void jump_search<View>::consider(const expanded_node& expanded, const jump_point_found& jump_point) {
    const cell_lookup lookup = bookkeeping.look_up(jump_point.x, jump_point.y);
    if (lookup.closed()) {
        return;
    }
    const int ng = saturated_cost(std::int64_t{expanded.g} + euclidean_cost(std::abs(jump_point.x - expanded.x),
                                                                            std::abs(jump_point.y - expanded.y)));
    if (lookup.opened()) {
        const int id = bookkeeping.id_of(lookup);
        const node_record& known = bookkeeping.record(id);
        if (ng >= known.g) {
            return;
        }
        const int h = known.h != 0 ? known.h : estimate_to_goal(jump_point);
        bookkeeping.improve(id, {ng, h, expanded.node, expanded.x, expanded.y, jump_point.probes});
    } else {
        bookkeeping.discover(
            lookup, jump_point.x, jump_point.y,
            {ng, estimate_to_goal(jump_point), expanded.node, expanded.x, expanded.y, jump_point.probes});
    }
}

// The manhattan cost of the distance to the goal, which may lie anywhere: the
// differences are taken wide.
template <typename View>
int jump_search<View>::estimate_to_goal(const jump_point_found& jump_point) const {
    const std::int64_t dx = std::llabs(std::int64_t{jump_point.x} - gx);
    const std::int64_t dy = std::llabs(std::int64_t{jump_point.y} - gy);
    return saturated_cost((dx + dy) * 10);
}

template <typename View>
jps_node* search_goal_with(jps_pathfinder& finder, const View& view, int sx, int sy, int gx, int gy) {
    if (!finder.isWalkable(sx, sy) || !finder.isWalkable(gx, gy)) {
        return nullptr;
    }
    search_workspace& workspace = search_workspace::for_this_thread();
    const search_workspace::loan borrowed(workspace);
    jump_search<View> search(finder, workspace, view, gx, gy, search_bookkeeping::leaves::goal_chain);
    search.open_start(finder.getNodeAt(sx, sy));
    return search.take_off_until_goal();
}

template class jump_search<map_view>;
template class jump_search<snapshot_view>;
template jps_node* search_goal_with(jps_pathfinder&, const map_view&, int, int, int, int);
template jps_node* search_goal_with(jps_pathfinder&, const snapshot_view&, int, int, int, int);

}  // namespace Voxel
}  // namespace OSTREL
