// jump_search: one running bounded jump point search towards a goal, as its
// steps: take nodes off the open list until the goal comes off
// (take_off_until_goal), expand each (expand): run from each pruned neighbour
// cell to its jump point (run_to_jump_points), then consider each jump point
// found (consider). The rules of which cells matter live in jump_rules.hpp,
// the runs in the view it reads the map through (map_view on the live map,
// snapshot_view on a snapshot_planes), the bookkeeping in search_bookkeeping.
// The order of every step decides which route is found, so none of it may be
// reordered.
//
// Contract
//   Ownership:    borrows the pathfinder (its map, nodes and lists) and the
//                 thread's workspace for its lifetime, one call of the search;
//                 the caller holds the workspace's loan.
//   Checking:     the goal may be any cell (a free cell of the grid with
//                 snapshot_view); nodes handed in must be nodes of the
//                 pathfinder's grid, the start a walkable one. The view shows
//                 the cells of the pathfinder's map.
//   Failure:      std::bad_alloc from make_room, before an expansion changes
//                 anything (search_bookkeeping, "Failure").
//   Threads:      one search at a time on a workspace.
//
// Usage
//   jps_node* goal = search_goal_with(finder, map_view(finder.map, finder.width, finder.height), sx, sy, gx, gy);
//   // or, step by step:
//   const search_workspace::loan borrowed(workspace);
//   jump_search<map_view> search(finder, workspace, view, gx, gy, search_bookkeeping::leaves::goal_chain);
//   search.open_start(finder.getNodeAt(sx, sy));
//   jps_node* goal = search.take_off_until_goal();   // null: none within the budget
#pragma once

#include "voxel/jps_pathfinder.hpp"
#include "voxel/search/diagonal_probes.hpp"
#include "voxel/search/map_view.hpp"
#include "voxel/search/search_bookkeeping.hpp"
#include "voxel/search/search_workspace.hpp"
#include "voxel/search/snapshot_view.hpp"

namespace OSTREL {
namespace Voxel {

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

template <typename View>
class jump_search {
public:
    jump_search(jps_pathfinder& pathfinder, search_workspace& workspace, const View& map, int goal_x, int goal_y,
                search_bookkeeping::leaves left);

    void open_start(jps_node* start) { bookkeeping.open_start(start); }
    int find_or_take_over(jps_node* node) { return bookkeeping.find_or_take_over(node); }
    // Takes nodes off the open list until the goal is taken off (returned)
    // or the list runs empty or the budget is spent (null).
    jps_node* take_off_until_goal();
    // Expands the node of record `id` (identifySuccessors).
    void expand(int id);

private:
    int run_to_jump_points(const expanded_node& expanded, jump_point_found (&into)[8]) const;
    void consider(const expanded_node& expanded, const jump_point_found& jump_point);
    int estimate_to_goal(const jump_point_found& jump_point) const;

    search_bookkeeping bookkeeping;
    const View view;
    const int gx;
    const int gy;
    // The jump points of the expansion under way; kept for the whole search
    // so that no expansion clears an array of them first.
    jump_point_found jump_points[8];
};

// On a snapshot the expansion's runs are made its own way (jump_search.cpp).
template <>
int jump_search<snapshot_view>::run_to_jump_points(const expanded_node& expanded, jump_point_found (&into)[8]) const;

extern template class jump_search<map_view>;
extern template class jump_search<snapshot_view>;

// The search from the free cell (sx, sy) to (gx, gy) through `view` on this
// thread's workspace, writing only the goal's parent chain into the nodes
// (jps_pathfinder::searchGoal): the goal node, or null when neither end is
// walkable or the goal is not reached within the budget.
template <typename View>
jps_node* search_goal_with(jps_pathfinder& finder, const View& view, int sx, int sy, int gx, int gy);

}  // namespace Voxel
}  // namespace OSTREL
