// The bounded jump point search: findPath runs the loop, identifySuccessors
// expands one node, findNeighbors prunes its neighbour cells and jump runs
// from a neighbour cell to the next jump point. The order of every step
// decides which route is found, so none of it may be reordered.
#include "voxel/jps_pathfinder.hpp"

#include <cstdlib>

namespace OSTREL {
namespace Voxel {

namespace {

int sign(int value) {
    return (value > 0) - (value < 0);
}

}  // namespace

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
    for (int taken = 0; taken < max_expansions; ++taken) {
        if (open_list.empty()) {
            return nullptr;
        }
        jps_node* node = open_list.back();
        closed_list.push_back(node);
        open_list.pop_back();
        node->closed = true;
        if (node->x == gx && node->y == gy) {
            return node;
        }
        identifySuccessors(node, gx, gy);
    }
    return nullptr;
}

void jps_pathfinder::identifySuccessors(jps_node* node, int gx, int gy) {
    findNeighbors(node);
    for (const cell& neighbor : neighbors) {
        int jx = neighbor.first;
        int jy = neighbor.second;
        if (!jump(jx, jy, node->x, node->y, gx, gy)) {
            continue;
        }
        jps_node* jump_point = getNodeAt(jx, jy);
        if (jump_point->closed) {
            continue;
        }
        // The whole jump costs one euclidean() call, truncated once.
        const int ng = node->g + euclidean(std::abs(jx - node->x), std::abs(jy - node->y));
        if (jump_point->opened && ng >= jump_point->g) {
            continue;
        }
        if (!jump_point->opened) {
            open_list.push_back(jump_point);
            jump_point->opened = true;
        }
        jump_point->g = ng;
        if (jump_point->h == 0) {
            jump_point->h = manhattan(std::abs(jx - gx), std::abs(jy - gy));
        }
        jump_point->f = jump_point->g + jump_point->h;
        jump_point->parent = node;
        reorderOpenList();
    }
}

// One bubble pass from the back: carries the largest f it meets towards the
// front. Not a sort: among equal f the entry appended last stays at the back,
// and an improved entry moves at most one place per pass.
void jps_pathfinder::reorderOpenList() {
    for (std::size_t k = open_list.size(); k-- > 1;) {
        if (open_list[k - 1]->f < open_list[k]->f) {
            std::swap(open_list[k - 1], open_list[k]);
        }
    }
}

// The cells worth jumping to from `node`, pruned by the direction it was
// entered from. Diagonal and forced cells are appended without a test of
// their own; jump() rejects those that are blocked or outside the grid.
void jps_pathfinder::findNeighbors(jps_node* node) {
    neighbors.clear();
    const int x = node->x;
    const int y = node->y;
    const jps_node* parent = node->parent;
    if (parent == nullptr) {
        // The start: the four straight cells, then the diagonals that do not
        // squeeze between two blocked cells.
        const bool up = isWalkable(x, y - 1);
        const bool right = isWalkable(x + 1, y);
        const bool down = isWalkable(x, y + 1);
        const bool left = isWalkable(x - 1, y);
        if (up) neighbors.emplace_back(x, y - 1);
        if (right) neighbors.emplace_back(x + 1, y);
        if (down) neighbors.emplace_back(x, y + 1);
        if (left) neighbors.emplace_back(x - 1, y);
        if (isWalkable(x - 1, y - 1) && (left || up)) neighbors.emplace_back(x - 1, y - 1);
        if (isWalkable(x + 1, y - 1) && (up || right)) neighbors.emplace_back(x + 1, y - 1);
        if (isWalkable(x + 1, y + 1) && (right || down)) neighbors.emplace_back(x + 1, y + 1);
        if (isWalkable(x - 1, y + 1) && (down || left)) neighbors.emplace_back(x - 1, y + 1);
        return;
    }
    const int dx = sign(x - parent->x);
    const int dy = sign(y - parent->y);
    if (dx != 0 && dy != 0) {
        const bool vertical = isWalkable(x, y + dy);
        const bool horizontal = isWalkable(x + dx, y);
        if (vertical) neighbors.emplace_back(x, y + dy);
        if (horizontal) neighbors.emplace_back(x + dx, y);
        if (vertical || horizontal) neighbors.emplace_back(x + dx, y + dy);
        if (!isWalkable(x - dx, y) && vertical) neighbors.emplace_back(x - dx, y + dy);
        if (!isWalkable(x, y - dy) && horizontal) neighbors.emplace_back(x + dx, y - dy);
    } else if (dx == 0) {
        if (!isWalkable(x, y + dy)) {
            return;
        }
        neighbors.emplace_back(x, y + dy);
        if (!isWalkable(x + 1, y)) neighbors.emplace_back(x + 1, y + dy);
        if (!isWalkable(x - 1, y)) neighbors.emplace_back(x - 1, y + dy);
    } else {
        if (!isWalkable(x + dx, y)) {
            return;
        }
        neighbors.emplace_back(x + dx, y);
        if (!isWalkable(x, y + 1)) neighbors.emplace_back(x + dx, y + 1);
        if (!isWalkable(x, y - 1)) neighbors.emplace_back(x + dx, y - 1);
    }
}

// Runs from (x, y), entered from the adjacent (px, py), in that direction
// until it reaches the goal or a jump point (true, the cell is left in x, y)
// or a cell that is not walkable (false). A diagonal step is taken whenever
// its target is walkable, even between two blocked cells.
bool jps_pathfinder::jump(int& x, int& y, int px, int py, int gx, int gy) const {
    for (;;) {
        if (!isWalkable(x, y)) {
            return false;
        }
        if (x == gx && y == gy) {
            return true;
        }
        const int dx = x - px;
        const int dy = y - py;
        if (isForcedJumpPoint(x, y, dx, dy, gx, gy)) {
            return true;
        }
        px = x;
        py = y;
        x += dx;
        y += dy;
    }
}

// Whether (x, y), entered in direction (dx, dy), is a jump point. A diagonal
// cell is one also when a straight walk from it along either component of
// its direction reaches the goal or a jump point; the walks run on copies,
// horizontal first.
bool jps_pathfinder::isForcedJumpPoint(int x, int y, int dx, int dy, int gx, int gy) const {
    if (dx != 0 && dy != 0) {
        if (isWalkable(x - dx, y + dy) && !isWalkable(x - dx, y)) return true;
        if (isWalkable(x + dx, y - dy) && !isWalkable(x, y - dy)) return true;
        int hx = x + dx;
        int hy = y;
        if (jump(hx, hy, x, y, gx, gy)) return true;
        int vx = x;
        int vy = y + dy;
        return jump(vx, vy, x, y, gx, gy);
    }
    if (dx != 0) {
        return (isWalkable(x + dx, y + 1) && !isWalkable(x, y + 1)) ||
               (isWalkable(x + dx, y - 1) && !isWalkable(x, y - 1));
    }
    return (isWalkable(x + 1, y + dy) && !isWalkable(x + 1, y)) ||
           (isWalkable(x - 1, y + dy) && !isWalkable(x - 1, y));
}

}  // namespace Voxel
}  // namespace OSTREL
