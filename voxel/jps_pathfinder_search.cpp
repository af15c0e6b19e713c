// The bounded jump point search: findPath runs the loop, identifySuccessors
// expands one node, findNeighbors prunes its neighbour cells and jump runs
// from a neighbour cell to the next jump point. The order of every step
// decides which route is found, so none of it may be reordered.
#include "voxel/jps_pathfinder.hpp"

#include "voxel/bubble_open_list.hpp"
#include "voxel/live_grid.hpp"
#include "voxel/search_workspace.hpp"

#include <cmath>
#if defined(_MSC_VER) && !defined(__clang__)
#include <xmmintrin.h>
#endif
#include <cstdlib>

namespace OSTREL {
namespace Voxel {

namespace {

int sign(int value) {
    return (value > 0) - (value < 0);
}

// jump() on a view of the map that the caller keeps for many runs.
bool runJump(const live_grid& grid, int& x, int& y, int px, int py, int gx, int gy) {
    const int dx = x - px;
    const int dy = y - py;
    if (dx != 0 && dy != 0) {
        return grid.run_diagonal(x, y, dx, dy, gx, gy);
    }
    if (dx != 0) {
        return grid.run_horizontal(x, y, dx, gx, gy);
    }
    return grid.run_vertical(x, y, dy, gx, gy);
}

// Asks the processor to start loading a node that will be read soon. Nodes
// of a large grid are seldom in the cache, and the loads of the several jump
// points of one expansion can then overlap. Without a known builtin it does
// nothing, which changes only the speed.
inline void prefetch(const jps_node* node) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(node);
#elif defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
    _mm_prefetch(reinterpret_cast<const char*>(node), _MM_HINT_T0);
#else
    (void)node;
#endif
}

struct jump_point_found {
    int x;
    int y;
    jps_node* node;
};

// The expansion of one node. First every neighbour cell is run to its jump
// point (the runs read only the map); then, in the same order, each jump point
// reached more cheaply than before is (re)placed on the open list, which
// makes its one pass.
void addSuccessors(jps_pathfinder& finder, const live_grid& grid, bubble_open_list& open,
                   jps_node* node, int gx, int gy) {
    finder.findNeighbors(node);
    jump_point_found found[8];  // findNeighbors gives at most eight cells
    int count = 0;
    for (const jps_pathfinder::cell& neighbor : finder.neighbors) {
        int jx = neighbor.first;
        int jy = neighbor.second;
        if (runJump(grid, jx, jy, node->x, node->y, gx, gy)) {
            found[count] = {jx, jy, finder.getNodeAt(jx, jy)};
            prefetch(found[count].node);
            ++count;
        }
    }
    for (int i = 0; i < count; ++i) {
        const int jx = found[i].x;
        const int jy = found[i].y;
        jps_node* jump_point = found[i].node;
        if (jump_point->closed) {
            continue;
        }
        // The whole jump costs one euclidean() call, truncated once.
        const int ng = node->g + jps_pathfinder::euclidean(std::abs(jx - node->x), std::abs(jy - node->y));
        if (jump_point->opened && ng >= jump_point->g) {
            continue;
        }
        if (!jump_point->opened) {
            open.reserve_one();  // a failure here leaves the node untouched
        }
        const int old_f = jump_point->f;
        jump_point->g = ng;
        if (jump_point->h == 0) {
            jump_point->h = jps_pathfinder::manhattan(std::abs(jx - gx), std::abs(jy - gy));
        }
        jump_point->f = jump_point->g + jump_point->h;
        jump_point->parent = node;
        if (jump_point->opened) {
            open.changed(jump_point, old_f);
        } else {
            jump_point->opened = true;
            open.append(jump_point);
        }
    }
}

}  // namespace

// Node lookup and the two costs live beside the search, their main user, so
// that the compiler can inline them there.
jps_node* jps_pathfinder::getNodeAt(int x, int y) {
    return &nodes[y][x];
}

// Straight-line cost, computed in single precision and truncated once.
int jps_pathfinder::euclidean(int dx, int dy) {
    const int squares = dx * dx + dy * dy;
    return static_cast<int>(std::sqrt(static_cast<float>(squares)) * 10.0f);
}

int jps_pathfinder::manhattan(int dx, int dy) {
    return (dx + dy) * 10;
}

bool jps_pathfinder::findPath(int sx, int sy, int gx, int gy, std::vector<int>& out, float& out_length) {
    out.clear();
    open_list.clear();
    closed_list.clear();
    try {
        jps_node* goal = searchGoal(sx, sy, gx, gy);
        if (goal != nullptr) {
            backtrace(goal, out, out_length);
        }
        cleanUpNodes();
        return goal != nullptr;
    } catch (...) {
        // Out of memory: leave a clean grid and no partial path behind.
        cleanUpNodes();
        out.clear();
        throw;
    }
}

// Takes nodes off the open list until the goal is taken off (returned) or the
// list runs empty or the budget is spent (null). The goal counts against the
// budget. Each node is put on its next list before it is marked, so that even
// a failed append leaves no marked node off the lists.
jps_node* jps_pathfinder::searchGoal(int sx, int sy, int gx, int gy) {
    if (!isWalkable(sx, sy) || !isWalkable(gx, gy)) {
        return nullptr;
    }
    jps_node* start = getNodeAt(sx, sy);
    open_list.push_back(start);
    start->opened = true;
    bubble_open_list open(open_list, search_workspace::for_this_thread().open_keys);
    const live_grid grid(map, width, height);
    for (int taken = 0; taken < max_expansions; ++taken) {
        if (open.empty()) {
            return nullptr;
        }
        jps_node* node = open.back();
        closed_list.push_back(node);
        open.take_back();
        node->closed = true;
        if (node->x == gx && node->y == gy) {
            return node;
        }
        addSuccessors(*this, grid, open, node, gx, gy);
    }
    return nullptr;
}

void jps_pathfinder::identifySuccessors(jps_node* node, int gx, int gy) {
    bubble_open_list open(open_list, search_workspace::for_this_thread().open_keys);
    addSuccessors(*this, live_grid(map, width, height), open, node, gx, gy);
}

// The cells worth jumping to from `node`, pruned by the direction it was
// entered from. Diagonal and forced cells are appended without a test of
// their own; jump() rejects those that are blocked or outside the grid.
void jps_pathfinder::findNeighbors(jps_node* node) {
    neighbors.clear();
    const live_grid grid(map, width, height);
    const int x = node->x;
    const int y = node->y;
    const jps_node* parent = node->parent;
    if (parent == nullptr) {
        // The start: the four straight cells, then the diagonals that do not
        // squeeze between two blocked cells.
        const bool up = grid.walkable(x, y - 1);
        const bool right = grid.walkable(x + 1, y);
        const bool down = grid.walkable(x, y + 1);
        const bool left = grid.walkable(x - 1, y);
        if (up) neighbors.emplace_back(x, y - 1);
        if (right) neighbors.emplace_back(x + 1, y);
        if (down) neighbors.emplace_back(x, y + 1);
        if (left) neighbors.emplace_back(x - 1, y);
        if (grid.walkable(x - 1, y - 1) && (left || up)) neighbors.emplace_back(x - 1, y - 1);
        if (grid.walkable(x + 1, y - 1) && (up || right)) neighbors.emplace_back(x + 1, y - 1);
        if (grid.walkable(x + 1, y + 1) && (right || down)) neighbors.emplace_back(x + 1, y + 1);
        if (grid.walkable(x - 1, y + 1) && (down || left)) neighbors.emplace_back(x - 1, y + 1);
        return;
    }
    const int dx = sign(x - parent->x);
    const int dy = sign(y - parent->y);
    if (dx != 0 && dy != 0) {
        const bool vertical = grid.walkable(x, y + dy);
        const bool horizontal = grid.walkable(x + dx, y);
        if (vertical) neighbors.emplace_back(x, y + dy);
        if (horizontal) neighbors.emplace_back(x + dx, y);
        if (vertical || horizontal) neighbors.emplace_back(x + dx, y + dy);
        if (!grid.walkable(x - dx, y) && vertical) neighbors.emplace_back(x - dx, y + dy);
        if (!grid.walkable(x, y - dy) && horizontal) neighbors.emplace_back(x + dx, y - dy);
    } else if (dx == 0) {
        if (!grid.walkable(x, y + dy)) {
            return;
        }
        neighbors.emplace_back(x, y + dy);
        if (!grid.walkable(x + 1, y)) neighbors.emplace_back(x + 1, y + dy);
        if (!grid.walkable(x - 1, y)) neighbors.emplace_back(x - 1, y + dy);
    } else {
        if (!grid.walkable(x + dx, y)) {
            return;
        }
        neighbors.emplace_back(x + dx, y);
        if (!grid.walkable(x, y + 1)) neighbors.emplace_back(x + dx, y + 1);
        if (!grid.walkable(x, y - 1)) neighbors.emplace_back(x + dx, y - 1);
    }
}

// Runs from (x, y), entered from the adjacent (px, py), in that direction
// until it reaches the goal or a jump point (true, the cell is left in x, y)
// or a cell that is not walkable (false). A diagonal step is taken whenever
// its target is walkable, even between two blocked cells; from each diagonal
// cell a straight probe runs along each component of the direction,
// horizontal first.
bool jps_pathfinder::jump(int& x, int& y, int px, int py, int gx, int gy) const {
    return runJump(live_grid(map, width, height), x, y, px, py, gx, gy);
}

}  // namespace Voxel
}  // namespace OSTREL
