// The bounded jump point search: findPath runs the loop, identifySuccessors
// expands one node, findNeighbors prunes its neighbour cells and jump runs
// from a neighbour cell to the next jump point. The order of every step
// decides which route is found, so none of it may be reordered.
#include "voxel/jps_pathfinder.hpp"

#include "voxel/bubble_open_list.hpp"
#include "voxel/live_grid.hpp"
#include "voxel/search_workspace.hpp"

#include <algorithm>
#include <cmath>
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
bool runJump(const live_grid& grid, int& x, int& y, int px, int py, int gx, int gy, diagonal_probes& probes) {
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

using cell = jps_pathfinder::cell;

// The pruned neighbour cells of (x, y), entered in the direction (dx, dy)
// (the signs of the move from the parent; both 0 for the start, which has
// none), handed to add(x, y) in order. Diagonal and forced cells are handed on
// without a test of their own; jump() rejects those that are blocked or
// outside the grid.
template <typename Add>
void prunedNeighbors(const live_grid& grid, int x, int y, int dx, int dy, Add&& add) {
    if (dx == 0 && dy == 0) {
        // The start: the four straight cells, then the diagonals that do not
        // squeeze between two blocked cells.
        const bool up = grid.walkable(x, y - 1);
        const bool right = grid.walkable(x + 1, y);
        const bool down = grid.walkable(x, y + 1);
        const bool left = grid.walkable(x - 1, y);
        if (up) add(x, y - 1);
        if (right) add(x + 1, y);
        if (down) add(x, y + 1);
        if (left) add(x - 1, y);
        if (grid.walkable(x - 1, y - 1) && (left || up)) add(x - 1, y - 1);
        if (grid.walkable(x + 1, y - 1) && (up || right)) add(x + 1, y - 1);
        if (grid.walkable(x + 1, y + 1) && (right || down)) add(x + 1, y + 1);
        if (grid.walkable(x - 1, y + 1) && (down || left)) add(x - 1, y + 1);
    } else if (dx != 0 && dy != 0) {
        const bool vertical = grid.walkable(x, y + dy);
        const bool horizontal = grid.walkable(x + dx, y);
        if (vertical) add(x, y + dy);
        if (horizontal) add(x + dx, y);
        if (vertical || horizontal) add(x + dx, y + dy);
        if (!grid.walkable(x - dx, y) && vertical) add(x - dx, y + dy);
        if (!grid.walkable(x, y - dy) && horizontal) add(x + dx, y - dy);
    } else if (dx == 0) {
        if (!grid.walkable(x, y + dy)) {
            return;
        }
        add(x, y + dy);
        if (!grid.walkable(x + 1, y)) add(x + 1, y + dy);
        if (!grid.walkable(x - 1, y)) add(x - 1, y + dy);
    } else {
        if (!grid.walkable(x + dx, y)) {
            return;
        }
        add(x + dx, y);
        if (!grid.walkable(x, y + 1)) add(x + dx, y + 1);
        if (!grid.walkable(x, y - 1)) add(x + dx, y - 1);
    }
}

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
bool answeredByProbe(const expanded_node& expanded, int& x, int& y, bool& jumped) {
    using answer = diagonal_probes::answer;
    const diagonal_probes& probes = expanded.probes;
    if (probes.dx == 0 || probes.dx != expanded.dx || probes.dy != expanded.dy) {
        return false;
    }
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

// One running search towards (gx, gy): the live view of the map, the open
// list in the order of its passes (kept as keys while the search runs and
// written to the pathfinder's open_list when it ends), the opened and closed
// marks of the nodes and the records of their search fields. The search reads
// and writes the records, never the nodes. What it leaves in the nodes is
// chosen up front: every record (the nodes then hold what the step-by-step
// search leaves in them), or only the chain from the goal back to the start,
// which is all that backtrace reads. Either way its marks are cleared when it
// ends.
class jump_search {
public:
    enum class leaves { every_node, goal_chain };

    jump_search(jps_pathfinder& pathfinder, search_workspace& workspace, int goal_x, int goal_y, leaves left)
        : finder(pathfinder),
          marks(workspace.marks),
          records(workspace.records),
          open(importListedNodes(workspace), workspace.maybe_ascents),
          grid(pathfinder.map, pathfinder.width, pathfinder.height),
          gx(goal_x),
          gy(goal_y),
          left_in_nodes(left) {}
    ~jump_search() {
        writeOpenList();
        if (left_in_nodes == leaves::every_node) records.write_back();
        clearMarks();
    }
    jump_search(const jump_search&) = delete;
    jump_search& operator=(const jump_search&) = delete;

    void openStart(jps_node* start);
    jps_node* takeOffUntilGoal();
    int recordOf(jps_node* node);
    void expand(int id);

private:
    std::vector<open_key>& importListedNodes(search_workspace& workspace);
    int import(jps_node* node);
    void makeRoom(int more);
    void makeRoomForBatch(int more);
    void writeOpenList();
    void clearMarks();
    void writeBackChain(int goal);
    static expanded_node expandedFrom(const node_record& record);
    int runToJumpPoints(const expanded_node& expanded, jump_point_found (&found)[8]) const;
    void consider(const expanded_node& expanded, const jump_point_found& found);
    void improve(int id, int ng, const expanded_node& parent, const diagonal_probes& probes);
    void discover(const jump_point_found& found, int ng, const expanded_node& parent);

    jps_pathfinder& finder;
    node_marks& marks;
    node_records& records;
    bubble_open_list open;
    const live_grid grid;
    const int gx;
    const int gy;
    const leaves left_in_nodes;
    int changes_with_room = 0;  // changes the storage has room for (makeRoom)
};

// Runs before the open list is built (it fills the list's keys): a record for
// every node on the two lists, as the nodes hold it, marked as the nodes'
// flags say. Room is made first, so that a failure leaves nothing marked.
std::vector<open_key>& jump_search::importListedNodes(search_workspace& workspace) {
    marks.prepare(finder.width, finder.height);
    records.prepare(finder.width, finder.height);
    records.clear();
    records.reserve(finder.open_list.size() + finder.closed_list.size());
    std::vector<open_key>& keys = workspace.open_keys;
    keys.clear();
    keys.reserve(finder.open_list.size());
    workspace.maybe_ascents.reserve(finder.open_list.size() + 2);
    for (jps_node* node : finder.open_list) {
        keys.emplace_back(node->f, import(node));
    }
    for (jps_node* node : finder.closed_list) {
        import(node);
    }
    return keys;
}

int jump_search::import(jps_node* node) {
    const int id = records.add(node, node->x, node->y);
    node_record& record = records[id];
    record.parent = node->parent;
    record.g = node->g;
    record.h = node->h;
    record.f = node->f;
    if (node->parent != nullptr) {
        record.parent_x = node->parent->x;
        record.parent_y = node->parent->y;
    }
    record.opened = node->opened;
    record.closed = node->closed;
    if (node->opened) marks.open(node->x, node->y);
    if (node->closed) marks.close(node->x, node->y);
    return id;
}

// Makes room for the next `more` changes of the open list and as many new
// records, so that none of them can fail half-way. The pathfinder's
// open_list gets its room too: it is written from the keys when the search
// ends. Room is made for a batch of changes at a time and counted down, as
// most expansions change one or two nodes.
void jump_search::makeRoom(int more) {
    if (more > changes_with_room) makeRoomForBatch(more);
    changes_with_room -= more;
}

void jump_search::makeRoomForBatch(int more) {
    constexpr int batch = 64;
    const int changes = std::max(more, batch);
    const std::size_t count = static_cast<std::size_t>(changes);
    open.make_room(count);
    records.make_room(count);
    std::vector<jps_node*>& list = finder.open_list;
    if (list.capacity() < open.size() + count) list.reserve(2 * open.size() + count);
    changes_with_room = changes;
}

// The open list lives in the keys while the search runs; the pathfinder's
// list gets their nodes, in order, when it ends (there is room for them).
void jump_search::writeOpenList() {
    std::vector<jps_node*>& list = finder.open_list;
    list.clear();
    for (const open_key& key : open.in_order()) list.push_back(records[key.record()].node);
}

// Every marked cell has a record.
void jump_search::clearMarks() {
    for (const node_record& record : records) marks.clear(record.x, record.y);
}

// The start goes on the open list as a clean node: g, h, f 0, no parent.
void jump_search::openStart(jps_node* start) {
    makeRoom(1);  // a failure leaves the node untouched
    const int id = records.add(start, start->x, start->y);
    records[id].opened = true;
    marks.open(start->x, start->y);
    open.append(0, id);
}

// The goal and its parents, up to the start: every parent is closed, so it
// has a record.
void jump_search::writeBackChain(int goal) {
    for (int id = goal;;) {
        const node_record& record = records[id];
        node_records::write_back(record);
        if (record.parent == nullptr) {
            return;
        }
        id = records.at_cell(record.parent_x, record.parent_y);
    }
}

// The record of a node handed in from outside the search; a node on neither
// list gets one as it stands.
int jump_search::recordOf(jps_node* node) {
    if (marks.opened(node->x, node->y) || marks.closed(node->x, node->y)) {
        return records.at_cell(node->x, node->y);
    }
    records.make_room(1);
    return import(node);
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
        const int id = open.back_record();
        node_record& record = records[id];
        jps_node* node = record.node;
        finder.closed_list.push_back(node);
        open.take_back();
        record.closed = true;
        marks.close(record.x, record.y);
        if (record.x == gx && record.y == gy) {
            if (left_in_nodes == leaves::goal_chain) writeBackChain(id);
            return node;
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
    const expanded_node expanded = expandedFrom(records[id]);
    jump_point_found found[8];
    const int count = runToJumpPoints(expanded, found);
    makeRoom(count);
    for (int i = 0; i < count; ++i) {
        consider(expanded, found[i]);
    }
}

// What the expansion needs of the node's record, copied out: adding records
// may move the record itself.
expanded_node jump_search::expandedFrom(const node_record& record) {
    expanded_node expanded;
    expanded.node = record.node;
    expanded.x = record.x;
    expanded.y = record.y;
    expanded.g = record.g;
    const bool has_parent = record.parent != nullptr;
    expanded.dx = has_parent ? sign(record.x - record.parent_x) : 0;
    expanded.dy = has_parent ? sign(record.y - record.parent_y) : 0;
    expanded.probes = record.probes;
    return expanded;
}

int jump_search::runToJumpPoints(const expanded_node& expanded, jump_point_found (&found)[8]) const {
    // A copy of the view that nothing else can reach, so that the compiler
    // keeps its fields in registers across the writes below.
    const live_grid view = grid;
    cell cells[8];
    int cell_count = 0;
    prunedNeighbors(view, expanded.x, expanded.y, expanded.dx, expanded.dy, [&](int x, int y) { cells[cell_count++] = {x, y}; });
    int count = 0;
    for (int i = 0; i < cell_count; ++i) {
        int jx = cells[i].first;
        int jy = cells[i].second;
        bool jumped;
        diagonal_probes probes;
        // A run that the diagonal run entering the node made already, as a
        // probe, is not made again. A run from a blocked cell ends there
        // without a jump point; most pruned diagonal cells beside walls are
        // blocked, so that is tested here rather than after a call.
        if (!answeredByProbe(expanded, jx, jy, jumped)) {
            jumped = view.walkable(jx, jy) && runJump(view, jx, jy, expanded.x, expanded.y, gx, gy, probes);
        }
        if (jumped) found[count++] = {jx, jy, probes};
    }
    return count;
}

void jump_search::consider(const expanded_node& expanded, const jump_point_found& found) {
    if (marks.closed(found.x, found.y)) {
        return;
    }
    // The whole jump costs one euclidean() call, truncated once.
    const int ng = expanded.g +
                   jps_pathfinder::euclidean(std::abs(found.x - expanded.x), std::abs(found.y - expanded.y));
    if (marks.opened(found.x, found.y)) {
        improve(records.at_cell(found.x, found.y), ng, expanded, found.probes);
    } else {
        discover(found, ng, expanded);
    }
}

// Only a strictly cheaper route replaces a known one; h, once computed, stays.
void jump_search::improve(int id, int ng, const expanded_node& parent, const diagonal_probes& probes) {
    node_record& target = records[id];
    if (ng >= target.g) {
        return;
    }
    target.g = ng;
    if (target.h == 0) {
        target.h = jps_pathfinder::manhattan(std::abs(target.x - gx), std::abs(target.y - gy));
    }
    target.f = target.g + target.h;
    target.parent = parent.node;
    target.parent_x = parent.x;
    target.parent_y = parent.y;
    target.probes = probes;
    open.changed(id, target.f);
}

// A node not touched yet in this search is clean (h is 0).
void jump_search::discover(const jump_point_found& found, int ng, const expanded_node& parent) {
    const int h = jps_pathfinder::manhattan(std::abs(found.x - gx), std::abs(found.y - gy));
    jps_node* node = finder.getNodeAt(found.x, found.y);
    const int id = records.add(node, found.x, found.y);
    node_record& record = records[id];
    record.parent = parent.node;
    record.g = ng;
    record.h = h;
    record.f = ng + h;
    record.parent_x = parent.x;
    record.parent_y = parent.y;
    record.probes = found.probes;
    record.opened = true;
    marks.open(found.x, found.y);
    open.append(ng + h, id);
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
    jump_search search(*this, search_workspace::for_this_thread(), gx, gy, jump_search::leaves::goal_chain);
    search.openStart(getNodeAt(sx, sy));
    return search.takeOffUntilGoal();
}

void jps_pathfinder::identifySuccessors(jps_node* node, int gx, int gy) {
    jump_search search(*this, search_workspace::for_this_thread(), gx, gy, jump_search::leaves::every_node);
    search.expand(search.recordOf(node));
}

// The cells worth jumping to from `node`, pruned by the direction it was
// entered from.
void jps_pathfinder::findNeighbors(jps_node* node) {
    neighbors.clear();
    const jps_node* parent = node->parent;
    const int dx = parent != nullptr ? sign(node->x - parent->x) : 0;
    const int dy = parent != nullptr ? sign(node->y - parent->y) : 0;
    prunedNeighbors(live_grid(map, width, height), node->x, node->y, dx, dy,
                    [this](int x, int y) { neighbors.emplace_back(x, y); });
}

// Runs from (x, y), entered from the adjacent (px, py), in that direction
// until it reaches the goal or a jump point (true, the cell is left in x, y)
// or a cell that is not walkable (false). A diagonal step is taken whenever
// its target is walkable, even between two blocked cells; from each diagonal
// cell a straight probe runs along each component of the direction,
// horizontal first.
bool jps_pathfinder::jump(int& x, int& y, int px, int py, int gx, int gy) const {
    diagonal_probes unused;
    return runJump(live_grid(map, width, height), x, y, px, py, gx, gy, unused);
}

}  // namespace Voxel
}  // namespace OSTREL
