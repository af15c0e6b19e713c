// The pathfinder object: binding maps, the node grid and the cost functions.
#include "jps_test_support.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace jps_test;

TEST(JpsGrid, NewPathfinderIsEmpty) {
    jps_pathfinder finder;
    EXPECT_EQ(finder.width, 0);
    EXPECT_EQ(finder.height, 0);
    EXPECT_EQ(finder.nodes.size(), 0u);
    EXPECT_TRUE(finder.get_path().coords.empty());
    EXPECT_EQ(finder.get_path_length(), 0.0f);
    // Nothing bound: every cell is outside the grid and no map is read.
    EXPECT_EQ(finder.find_path({1, 1, 0}, {1, 1, 0}), 2);
    EXPECT_EQ(finder.test_direct_view({1, 1, 0}, {1, 1, 0}), 3);
}

TEST(JpsGrid, InitBuildsNodesThatKnowTheirCells) {
    jps_pathfinder finder;
    const projection_map tall = openMap(2, 3);
    const projection_map wide = openMap(3, 2);
    EXPECT_EQ(finder.init(tall, true), 0);
    EXPECT_EQ(finder.init(wide, false), 0);
    EXPECT_EQ(finder.width, 3);
    EXPECT_EQ(finder.height, 2);
    EXPECT_EQ(finder.map, &wide);
    EXPECT_FALSE(finder.interpolate);
    EXPECT_EQ(finder.getNodeAt(2, 1)->x, 2);
    EXPECT_EQ(finder.getNodeAt(2, 1)->y, 1);
    EXPECT_TRUE(node_grid_is_clean(finder));
}

TEST(JpsGrid, SameSizeRebindsWithoutRebuilding) {
    jps_pathfinder finder;
    const projection_map first = openMap(4, 3);
    const projection_map second = openMap(4, 3, {{1, 0}});
    finder.init(first, false);
    const jps_node* grid = &finder.nodes[0][0];
    EXPECT_EQ(finder.init(second, true), 0);
    EXPECT_EQ(&finder.nodes[0][0], grid);
    EXPECT_EQ(finder.map, &second);
    // The second map and flag are the ones used: (1, 0) is blocked there, and
    // the path comes back straightened into every cell.
    EXPECT_EQ(finder.find_path({1, 1, 0}, {3, 1, 0}), 0);
    EXPECT_EQ(cells_of(finder.path.coords), (cells{{0, 0}, {1, 1}, {2, 0}}));
}

TEST(JpsGrid, ZeroWidthMapHasRowsButNoNodes) {
    jps_pathfinder finder;
    const projection_map empty(0, 5);
    EXPECT_EQ(finder.init(empty, true), 0);
    EXPECT_EQ(finder.width, 0);
    EXPECT_EQ(finder.height, 5);
    EXPECT_EQ(finder.nodes.size(), 5u);
    EXPECT_EQ(finder.find_path({1, 1, 0}, {1, 1, 0}), 2);
    EXPECT_EQ(finder.test_direct_view({1, 1, 0}, {1, 1, 0}), 3);
    EXPECT_TRUE(finder.closed_list.empty());
}

TEST(JpsGrid, OversizedMapIsRefusedAndChangesNothing) {
    jps_pathfinder finder;
    const projection_map small = openMap(3, 2);
    finder.init(small, true);
    const projection_map too_wide(jps_pathfinder::max_extent + 1, 0);
    const projection_map too_high(0, jps_pathfinder::max_extent + 1);
    EXPECT_THROW(finder.init(too_wide, false), std::length_error);
    EXPECT_THROW(finder.init(too_high, false), std::length_error);
    EXPECT_EQ(finder.map, &small);
    EXPECT_TRUE(finder.interpolate);
    EXPECT_EQ(finder.width, 3);
    EXPECT_EQ(finder.height, 2);
    const projection_map widest(jps_pathfinder::max_extent, 0);
    EXPECT_EQ(finder.init(widest, false), 0);
    EXPECT_EQ(finder.width, static_cast<int>(jps_pathfinder::max_extent));
}

TEST(JpsGrid, CostFunctions) {
    // clang-format off
    const std::vector<std::pair<cell, int>> euclidean = {
        {{1, 0}, 10}, {{1, 1}, 14}, {{2, 0}, 20}, {{2, 1}, 22}, {{2, 2}, 28}, {{3, 1}, 31},
        {{3, 3}, 42}, {{4, 3}, 50}, {{5, 5}, 70}, {{10, 10}, 141}, {{0, 0}, 0},
        // The largest displacement a supported grid allows.
        {{32766, 32766}, 463381}};
    // clang-format on
    for (const auto& c : euclidean) {
        EXPECT_EQ(jps_pathfinder::euclidean(c.first.first, c.first.second), c.second)
            << c.first.first << ", " << c.first.second;
    }
    EXPECT_EQ(jps_pathfinder::manhattan(0, 0), 0);
    EXPECT_EQ(jps_pathfinder::manhattan(3, 4), 70);
}

TEST(JpsGrid, CleanUpResetsListedNodesOnly) {
    jps_pathfinder finder;
    const projection_map map = openMap(3, 3);
    finder.init(map, false);
    jps_node* listed = finder.getNodeAt(1, 1);
    jps_node* other = finder.getNodeAt(2, 2);
    *listed = {1, 1, 5, 6, 11, true, true, other};
    other->g = 7;
    finder.open_list = {listed};
    finder.closed_list.clear();
    finder.cleanUpNodes();
    EXPECT_TRUE(node_is_clean(*listed));
    EXPECT_EQ(listed->x, 1);
    EXPECT_EQ(other->g, 7);
    EXPECT_EQ(finder.open_list.size(), 1u);
}

// A search leaves its nodes on the lists. An init that rebuilds the grid
// frees those nodes, so it must take the lists with them: a native caller
// that expands or cleans up afterwards would otherwise touch freed memory.
TEST(JpsGrid, RebuildingTheGridEmptiesTheLists) {
    // clang-format off
    const projection_map first = drawn_map({"........",
                                           "..#..#..",
                                           "..#.....",
                                           "......#.",
                                           ".#......",
                                           "........"});
    // clang-format on
    for (const projection_map& second : {openMap(5, 5), openMap(8, 7), openMap(9, 6)}) {
        jps_pathfinder finder;
        finder.init(first, false);
        ASSERT_EQ(finder.find_path({1, 1, 0}, {8, 6, 0}), 0);
        ASSERT_FALSE(finder.open_list.empty());
        ASSERT_FALSE(finder.closed_list.empty());

        finder.init(second, false);
        EXPECT_TRUE(finder.open_list.empty());
        EXPECT_TRUE(finder.closed_list.empty());
        finder.cleanUpNodes();
        jps_node* start = finder.getNodeAt(0, 0);
        start->opened = start->closed = true;
        finder.closed_list = {start};
        finder.identifySuccessors(start, 4, 4);
        EXPECT_FALSE(finder.open_list.empty());
        finder.cleanUpNodes();
        EXPECT_TRUE(node_grid_is_clean(finder));
        EXPECT_EQ(finder.find_path({1, 1, 0}, {5, 5, 0}), 0);
    }
}

// The same size keeps the grid, and with it the lists of the last search,
// whose nodes are still alive and clean.
TEST(JpsGrid, SameSizeKeepsTheLists) {
    const projection_map first = openMap(6, 3, {{2, 1}});
    const projection_map second = openMap(6, 3);
    jps_pathfinder finder;
    finder.init(first, true);
    ASSERT_EQ(finder.find_path({1, 2, 0}, {6, 2, 0}), 0);
    const std::vector<jps_node*> open = finder.open_list;
    const std::vector<jps_node*> closed = finder.closed_list;
    finder.init(second, true);
    EXPECT_EQ(finder.open_list, open);
    EXPECT_EQ(finder.closed_list, closed);
    finder.cleanUpNodes();
    EXPECT_TRUE(node_grid_is_clean(finder));
}
