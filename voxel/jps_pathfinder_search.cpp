// The search's members: findPath (find_path's search, with its clean-up) and
// searchGoal, which run jump_search (voxel/search/jump_search.hpp) on this
// thread's workspace, the node lookup and costs, and the search step by step
// for native callers that drive it themselves (identifySuccessors,
// findNeighbors, jump). The module calls none of the step-by-step members;
// they live here because the linker takes an object file of the static
// library into the module only when the module calls something in it, and
// every exported member must be in the module.
#include "voxel/jps_pathfinder.hpp"

#include "voxel/search/assertion.hpp"
#include "voxel/search/costs.hpp"
#include "voxel/search/jump_rules.hpp"
#include "voxel/search/jump_search.hpp"
#include "voxel/search/map_view.hpp"
#include "voxel/search/path_search.hpp"
#include "voxel/search/search_workspace.hpp"

#include <cstdint>

namespace OSTREL {
namespace Voxel {

jps_node* jps_pathfinder::getNodeAt(int x, int y) {
    BRONDEL_ASSERT(x >= 0 && x < width && y >= 0 && y < height);
    return &nodes[y][x];
}

int jps_pathfinder::euclidean(int dx, int dy) {
    return euclidean_cost(dx, dy);
}

int jps_pathfinder::manhattan(int dx, int dy) {
    return saturated_cost((std::int64_t{dx} + dy) * 10);
}

bool jps_pathfinder::findPath(int sx, int sy, int gx, int gy, std::vector<int>& out, float& out_length) {
    return find_path_by(*this, sx, sy, gx, gy, out, out_length, [this](int from_x, int from_y, int to_x, int to_y) {
        return searchGoal(from_x, from_y, to_x, to_y);
    });
}

jps_node* jps_pathfinder::searchGoal(int sx, int sy, int gx, int gy) {
    return search_goal_with(*this, map_view(map, width, height), sx, sy, gx, gy);
}

// The search step by step: the same rules and runs as findPath's search.
// identifySuccessors leaves in the nodes what a search working on the nodes
// would.
void jps_pathfinder::identifySuccessors(jps_node* node, int gx, int gy) {
    search_workspace& workspace = search_workspace::for_this_thread();
    const search_workspace::loan borrowed(workspace);
    jump_search<map_view> search(*this, workspace, map_view(map, width, height), gx, gy,
                                 search_bookkeeping::leaves::every_node);
    search.expand(search.find_or_take_over(node));
}

// The cells worth jumping to from `node`, pruned by the direction it was
// entered from.
void jps_pathfinder::findNeighbors(jps_node* node) {
    neighbors.clear();
    const jps_node* parent = node->parent;
    const int dx = parent != nullptr ? direction_sign(parent->x, node->x) : 0;
    const int dy = parent != nullptr ? direction_sign(parent->y, node->y) : 0;
    for_each_pruned_neighbour(map_view(map, width, height), node->x, node->y, dx, dy,
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
    const int dx = direction_sign(px, x);
    const int dy = direction_sign(py, y);
    const map_view view(map, width, height);
    if ((dx == 0 && dy == 0) || !view.walkable(x, y)) {
        return false;
    }
    diagonal_probes unused;
    return view.run(x, y, dx, dy, gx, gy, unused);
}

}  // namespace Voxel
}  // namespace OSTREL
