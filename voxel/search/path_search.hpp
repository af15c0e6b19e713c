// path_search: what find_path and findPath do around the search for the goal,
// stated once for every way of searching: the one-based cells and the
// search's direction, the search that ends where it starts, the path and its
// length from the goal's parent chain, the clean-up, and what is left behind
// when memory runs out. The live map's search (jps_pathfinder::searchGoal)
// and the snapshot's (snapshot_search.hpp) are the two goal searches.
//
// Contract
//   Goal search:  a callable (sx, sy, gx, gy) -> jps_node*, as
//                 jps_pathfinder::searchGoal: the goal node with its parent
//                 chain written into the nodes, or null; it reads the same
//                 cells as the pathfinder's bound map.
//   Answers:      find_path_between gives exactly jps_pathfinder::find_path's
//                 status, path and length, and find_path_by findPath's
//                 result and output, when the goal search gives searchGoal's
//                 goal and chain.
//   Failure:      as jps_pathfinder (Failure): std::bad_alloc leaves a clean
//                 node grid, find_path_between the last path and length.
//   Threads:      as the pathfinder: one call at a time on it.
//
// Usage
//   int status = find_path_between(finder, first, second, [&](int sx, int sy, int gx, int gy) {
//       return finder.searchGoal(sx, sy, gx, gy);
//   });
#pragma once

#include "voxel/jps_pathfinder.hpp"

#include <array>
#include <vector>

namespace OSTREL {
namespace Voxel {

// One-based three-component coordinates to a zero-based cell. The
// subtraction is unsigned, so a component of 0 becomes -1: outside the grid.
inline jps_pathfinder::cell to_cell(const std::array<unsigned int, 3>& coordinates) {
    return {static_cast<int>(coordinates[0] - 1u), static_cast<int>(coordinates[1] - 1u)};
}

// A search whose start is its goal takes the start off the list and stops:
// the closed list holds the start, the open list is empty, the path is the
// one cell and its length 0 in both modes. Nothing is written into the node,
// which the full search would write and clean again, and no workspace is
// borrowed.
inline bool found_at_start(jps_pathfinder& finder, int x, int y, std::vector<int>& out, float& out_length) {
    if (!finder.isWalkable(x, y)) {
        return false;
    }
    finder.closed_list.push_back(finder.getNodeAt(x, y));
    out.push_back(x);
    out.push_back(y);
    out_length = 0.0f;
    return true;
}

// findPath with the goal search given.
template <typename SearchGoal>
bool find_path_by(jps_pathfinder& finder, int sx, int sy, int gx, int gy, std::vector<int>& out, float& out_length,
                  SearchGoal&& search_goal) {
    out.clear();
    finder.open_list.clear();
    finder.closed_list.clear();
    try {
        if (sx == gx && sy == gy) {
            return found_at_start(finder, sx, sy, out, out_length);
        }
        jps_node* goal = search_goal(sx, sy, gx, gy);
        if (goal != nullptr) {
            finder.backtrace(goal, out, out_length);
            finder.cleanUpChain(goal);  // the only nodes the search wrote
        }
        return goal != nullptr;
    } catch (...) {
        // Out of memory: leave a clean grid and no partial path behind.
        finder.cleanUpNodes();
        out.clear();
        throw;
    }
}

// find_path with the goal search given.
template <typename SearchGoal>
int find_path_between(jps_pathfinder& finder, const std::array<unsigned int, 3>& first,
                      const std::array<unsigned int, 3>& second, SearchGoal&& search_goal) {
    const jps_pathfinder::cell from = to_cell(first);
    const jps_pathfinder::cell to = to_cell(second);
    // The search runs from the second cell to the first; since backtrace lists
    // the cells from the search's goal, the path runs from first to second.
    // It writes aside, so that running out of memory on the way leaves the
    // last path and length as they were; then the result is swapped in. The
    // storage aside is the thread's, which the last path's storage becomes:
    // searches in a row allocate nothing for their paths.
    thread_local std::vector<int> cells;
    cells.clear();
    float length = finder.path_length;
    const bool found = find_path_by(finder, to.first, to.second, from.first, from.second, cells, length, search_goal);
    finder.path.coords.swap(cells);
    finder.path_length = length;
    return found ? jps_pathfinder::success : jps_pathfinder::no_path;
}

}  // namespace Voxel
}  // namespace OSTREL
