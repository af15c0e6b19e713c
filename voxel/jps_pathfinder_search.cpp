// The bounded jump point search: findPath runs the loop, identifySuccessors
// expands one node, findNeighbors prunes its neighbour cells and jump runs
// from a neighbour cell to the next jump point. The order of every step
// decides which route is found, so none of it may be reordered.
#include "voxel/jps_pathfinder.hpp"

#include "voxel/bubble_open_list.hpp"
#include "voxel/live_grid.hpp"
#include "voxel/search_workspace.hpp"

#include <cmath>
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

struct jump_point_found {
    int x;
    int y;
    jps_node* node;
};

// One running search towards (gx, gy): the live view of the map, the open
// list in the order of its passes, and the opened and closed marks of the
// nodes, which are read instead of the nodes' own flags (both are kept).
// The marks of every node on the two lists are cleared when it ends.
class jump_search {
public:
    jump_search(jps_pathfinder& pathfinder, search_workspace& workspace, int goal_x, int goal_y)
        : finder(pathfinder),
          marks(prepared(workspace.marks, pathfinder)),
          open(pathfinder.open_list, workspace.open_keys),
          grid(pathfinder.map, pathfinder.width, pathfinder.height),
          gx(goal_x),
          gy(goal_y) {
        markListedNodes();
    }
    ~jump_search() { clearMarks(); }
    jump_search(const jump_search&) = delete;
    jump_search& operator=(const jump_search&) = delete;

    jps_node* takeOffUntilGoal();
    void expand(jps_node* node);

private:
    static node_marks& prepared(node_marks& marks, const jps_pathfinder& pathfinder) {
        marks.prepare(pathfinder.width, pathfinder.height);
        return marks;
    }
    void markListedNodes();
    void clearMarks();
    int runToJumpPoints(const jps_node* node, jump_point_found (&found)[8]) const;
    void consider(jps_node* node, const jump_point_found& found);
    void improve(jps_node* target, int ng, jps_node* parent);
    void discover(const jump_point_found& found, int ng, jps_node* parent);

    jps_pathfinder& finder;
    node_marks& marks;
    bubble_open_list open;
    const live_grid grid;
    const int gx;
    const int gy;
};

void jump_search::markListedNodes() {
    for (const jps_node* node : finder.open_list) {
        if (node->opened) marks.open(node->x, node->y);
    }
    for (const jps_node* node : finder.closed_list) {
        if (node->opened) marks.open(node->x, node->y);
        if (node->closed) marks.close(node->x, node->y);
    }
}

void jump_search::clearMarks() {
    for (const jps_node* node : finder.open_list) marks.clear(node->x, node->y);
    for (const jps_node* node : finder.closed_list) marks.clear(node->x, node->y);
}

// Takes nodes off the open list until the goal is taken off (returned) or the
// list runs empty or the budget is spent (null). The goal counts against the
// budget. Each node is put on its next list before it is marked, so that even
// a failed append leaves no marked node off the lists.
jps_node* jump_search::takeOffUntilGoal() {
    for (int taken = 0; taken < jps_pathfinder::max_expansions; ++taken) {
        if (open.empty()) {
            return nullptr;
        }
        jps_node* node = open.back();
        finder.closed_list.push_back(node);
        open.take_back();
        node->closed = true;
        marks.close(node->x, node->y);
        if (node->x == gx && node->y == gy) {
            return node;
        }
        expand(node);
    }
    return nullptr;
}

// identifySuccessors: every neighbour cell is run to its jump point first
// (the runs read only the map), then the jump points are considered in the
// same order.
void jump_search::expand(jps_node* node) {
    jump_point_found found[8];
    const int count = runToJumpPoints(node, found);
    for (int i = 0; i < count; ++i) {
        consider(node, found[i]);
    }
}

int jump_search::runToJumpPoints(const jps_node* node, jump_point_found (&found)[8]) const {
    finder.findNeighbors(const_cast<jps_node*>(node));
    int count = 0;
    for (const jps_pathfinder::cell& neighbor : finder.neighbors) {  // at most eight
        int jx = neighbor.first;
        int jy = neighbor.second;
        if (runJump(grid, jx, jy, node->x, node->y, gx, gy)) {
            found[count++] = {jx, jy, finder.getNodeAt(jx, jy)};
        }
    }
    return count;
}

void jump_search::consider(jps_node* node, const jump_point_found& found) {
    if (marks.closed(found.x, found.y)) {
        return;
    }
    // The whole jump costs one euclidean() call, truncated once.
    const int ng = node->g + jps_pathfinder::euclidean(std::abs(found.x - node->x), std::abs(found.y - node->y));
    if (marks.opened(found.x, found.y)) {
        improve(found.node, ng, node);
    } else {
        discover(found, ng, node);
    }
}

// Only a strictly cheaper route replaces a known one; h, once computed, stays.
void jump_search::improve(jps_node* target, int ng, jps_node* parent) {
    if (ng >= target->g) {
        return;
    }
    const int old_f = target->f;
    target->g = ng;
    if (target->h == 0) {
        target->h = jps_pathfinder::manhattan(std::abs(target->x - gx), std::abs(target->y - gy));
    }
    target->f = target->g + target->h;
    target->parent = parent;
    open.changed(target, old_f);
}

// A node not touched yet in this search is clean (h is 0), so it is only
// written, never read: its memory need not be fetched first.
void jump_search::discover(const jump_point_found& found, int ng, jps_node* parent) {
    open.reserve_one();  // a failure here leaves the node untouched
    jps_node* target = found.node;
    const int h = jps_pathfinder::manhattan(std::abs(found.x - gx), std::abs(found.y - gy));
    target->g = ng;
    target->h = h;
    target->f = ng + h;
    target->parent = parent;
    target->opened = true;
    marks.open(found.x, found.y);
    open.append(target);
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

jps_node* jps_pathfinder::searchGoal(int sx, int sy, int gx, int gy) {
    if (!isWalkable(sx, sy) || !isWalkable(gx, gy)) {
        return nullptr;
    }
    jps_node* start = getNodeAt(sx, sy);
    open_list.push_back(start);
    start->opened = true;
    return jump_search(*this, search_workspace::for_this_thread(), gx, gy).takeOffUntilGoal();
}

void jps_pathfinder::identifySuccessors(jps_node* node, int gx, int gy) {
    jump_search(*this, search_workspace::for_this_thread(), gx, gy).expand(node);
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
