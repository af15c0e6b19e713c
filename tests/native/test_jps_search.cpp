// The jump point search: expansion order, goal costs, parent chains, the
// neighbour rules and the expansion budget.
#include "jps_test_support.hpp"

#include <gtest/gtest.h>

using namespace jps_test;

namespace {

struct searched {
    jps_pathfinder finder;
    projection_map map;
    explicit searched(projection_map m) : map(std::move(m)) { finder.init(map, false); }
    search_trace trace(int sx, int sy, int gx, int gy) { return traceSearch(finder, sx, sy, gx, gy); }
};

// Whether a route of straight steps joins two free cells.
bool connected(const projection_map& map, cell from, cell to) {
    const int width = static_cast<int>(map.resolution[0]);
    const int height = static_cast<int>(map.resolution[1]);
    std::vector<bool> seen(static_cast<std::size_t>(width * height));
    std::vector<cell> todo = {from};
    seen[from.second * width + from.first] = true;
    while (!todo.empty()) {
        const cell c = todo.back();
        todo.pop_back();
        if (c == to) return true;
        for (const cell& step : cells{{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            const int x = c.first + step.first;
            const int y = c.second + step.second;
            if (x < 0 || x >= width || y < 0 || y >= height || map.rows[y][x] != 0 || seen[y * width + x]) continue;
            seen[y * width + x] = true;
            todo.emplace_back(x, y);
        }
    }
    return false;
}

}  // namespace

TEST(JpsSearch, EndsOutsideOrBlockedExpandNothing) {
    searched s(openMap(5, 4, {{1, 1}}));
    const std::vector<std::pair<cell, cell>> cases = {{{1, 1}, {3, 3}},  {{3, 3}, {1, 1}}, {{-1, 0}, {3, 3}},
                                                      {{0, -1}, {3, 3}}, {{5, 0}, {3, 3}}, {{0, 4}, {3, 3}},
                                                      {{0, 0}, {5, 3}},  {{0, 0}, {3, 4}}};
    for (const auto& c : cases) {
        std::vector<int> out = {9, 9};
        float length = 7.0f;
        EXPECT_FALSE(s.finder.findPath(c.first.first, c.first.second, c.second.first, c.second.second, out, length));
        EXPECT_TRUE(out.empty());
        EXPECT_EQ(length, 7.0f);
        EXPECT_TRUE(s.finder.closed_list.empty());
    }
    EXPECT_TRUE(node_grid_is_clean(s.finder));
}

TEST(JpsSearch, NeighboursOfTheStartInOrder) {
    searched s(openMap(3, 3));
    s.finder.findNeighbors(s.finder.getNodeAt(1, 1));
    EXPECT_EQ(s.finder.neighbors, (cells{{1, 0}, {2, 1}, {1, 2}, {0, 1}, {0, 0}, {2, 0}, {2, 2}, {0, 2}}));
}

TEST(JpsSearch, NeighboursAlongADiagonalIncludeForcedCells) {
    // Entered from (0, 0) into (1, 1): (0, 1) and (1, 0) blocked force the
    // cells beyond them.
    searched s(openMap(3, 3, {{0, 1}, {1, 0}}));
    jps_node* node = s.finder.getNodeAt(1, 1);
    node->parent = s.finder.getNodeAt(0, 0);
    s.finder.findNeighbors(node);
    EXPECT_EQ(s.finder.neighbors, (cells{{1, 2}, {2, 1}, {2, 2}, {0, 2}, {2, 0}}));
    node->parent = nullptr;
}

TEST(JpsSearch, NeighboursOfAStraightMoveStopAtAWall) {
    searched s(openMap(3, 3, {{2, 1}, {1, 0}}));
    jps_node* node = s.finder.getNodeAt(1, 1);
    node->parent = s.finder.getNodeAt(0, 1);  // moving right into a wall
    s.finder.findNeighbors(node);
    EXPECT_TRUE(s.finder.neighbors.empty());
    node->parent = s.finder.getNodeAt(1, 2);  // moving up past the blocked (1, 0)...
    s.finder.findNeighbors(node);
    // ...which is the cell moved into: nothing at all.
    EXPECT_TRUE(s.finder.neighbors.empty());
    node->parent = s.finder.getNodeAt(1, 0);  // moving down, (2, 1) blocked
    s.finder.findNeighbors(node);
    EXPECT_EQ(s.finder.neighbors, (cells{{1, 2}, {2, 2}}));
    node->parent = nullptr;
}

TEST(JpsSearch, JumpReportsTheDiagonalCellAProbeStartsFrom) {
    // Walking diagonally from (0, 0); a straight walk right from (2, 2)
    // reaches the goal (5, 2), so (2, 2) is the jump point.
    searched s(openMap(6, 6));
    int x = 1;
    int y = 1;
    EXPECT_TRUE(s.finder.jump(x, y, 0, 0, 5, 2));
    EXPECT_EQ(cell(x, y), cell(2, 2));
    x = 1;
    y = 1;
    EXPECT_FALSE(s.finder.jump(x, y, 0, 0, 9, 9));  // runs off the grid
}

TEST(JpsSearch, GoalTakenOffAsTheBudgetsLastNodeIsFound) {
    searched s(windingCorridor(5, 4001));
    const search_trace far = s.trace(0, 0, 4, 4000);
    ASSERT_FALSE(far.found);
    ASSERT_EQ(far.expanded.size(), 5000u);
    // After a failure the lists keep their stale entries: the back of the
    // open list is the node that would have been taken off 5001st.
    ASSERT_EQ(s.finder.open_list.size(), 1u);
    const cell fifth_thousand_first(s.finder.open_list.back()->x, s.finder.open_list.back()->y);
    const cell fifth_thousandth = far.expanded.back();

    const search_trace last = s.trace(0, 0, fifth_thousandth.first, fifth_thousandth.second);
    EXPECT_TRUE(last.found);
    EXPECT_EQ(last.expanded.size(), 5000u);
    // Every jump point had one successor: the chain holds them all.
    EXPECT_EQ(last.chain.size(), 5000u);
    EXPECT_EQ(last.expanded, far.expanded);

    const search_trace beyond = s.trace(0, 0, fifth_thousand_first.first, fifth_thousand_first.second);
    EXPECT_FALSE(beyond.found);
    EXPECT_EQ(beyond.expanded.size(), 5000u);
    EXPECT_TRUE(node_grid_is_clean(s.finder));
}

TEST(JpsSearch, LongRouteBeyondTheBudgetFails) {
    projection_map map(160, 160);
    for (int y = 1; y < 160; y += 2) {
        for (int x = 1; x < 160; x += 2) map.set(x, y, 1);
    }
    for (int x = 0; x <= 155; ++x) map.set(x, 80, 1);
    searched s(std::move(map));
    const search_trace t = s.trace(0, 0, 0, 158);
    EXPECT_FALSE(t.found);
    EXPECT_EQ(t.expanded.size(), 5000u);
    EXPECT_TRUE(node_grid_is_clean(s.finder));
    EXPECT_TRUE(connected(s.map, {0, 0}, {0, 158}));
}

TEST(JpsSearch, FindPathCleansUpAfterEveryOutcome) {
    searched s(openMap(6, 3, {{2, 1}}));
    std::vector<int> out;
    float length = 0.0f;
    EXPECT_TRUE(s.finder.findPath(0, 1, 5, 1, out, length));
    EXPECT_TRUE(node_grid_is_clean(s.finder));
    EXPECT_FALSE(s.finder.findPath(0, 1, 2, 1, out, length));
    EXPECT_TRUE(node_grid_is_clean(s.finder));
}

// identifySuccessors called on its own works on the nodes as they stand and
// leaves its results in them: here it improves a node already on the list
// (h stays, the node is not appended again).
TEST(JpsSearch, IdentifySuccessorsOnItsOwnImprovesAListedNode) {
    searched s(openMap(5, 5));
    jps_node* start = s.finder.getNodeAt(0, 0);
    jps_node* listed = s.finder.getNodeAt(2, 2);
    jps_node* elsewhere = s.finder.getNodeAt(4, 4);
    start->opened = start->closed = true;
    listed->opened = true;
    listed->g = 100;
    listed->h = 20;
    listed->f = 120;
    listed->parent = elsewhere;
    s.finder.open_list = {listed};
    s.finder.closed_list = {start};

    s.finder.identifySuccessors(start, 4, 2);

    EXPECT_EQ(s.finder.open_list, (std::vector<jps_node*>{listed}));
    EXPECT_EQ(listed->g, 28);
    EXPECT_EQ(listed->h, 20);
    EXPECT_EQ(listed->f, 48);
    EXPECT_EQ(listed->parent, start);
    EXPECT_TRUE(listed->opened);
    EXPECT_FALSE(listed->closed);
    EXPECT_TRUE(start->closed);
    EXPECT_EQ(start->parent, nullptr);

    // Afterwards the grid cleans up as usual and later searches are unaffected.
    s.finder.cleanUpNodes();
    EXPECT_TRUE(node_grid_is_clean(s.finder));
    const search_trace t = s.trace(0, 0, 4, 2);
    EXPECT_EQ(t.expanded, (cells{{0, 0}, {2, 2}, {4, 2}}));
    EXPECT_EQ(t.goal_g, 48);
}
