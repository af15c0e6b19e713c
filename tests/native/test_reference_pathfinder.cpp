// The reference search is the oracle of the differential and exhaustive
// tests. Beside the worked examples (test_worked_examples.cpp, which it
// answers like the module's search), it is pinned here where it differs in form:
// lengths kept by failures, the budget and its line of sight.
#include "tests/reference/reference_pathfinder.hpp"

#include <gtest/gtest.h>

#include <vector>

using brondel_reference::cell;
using brondel_reference::reference_pathfinder;
using OSTREL::Voxel::projection_map;

namespace {

// find_path searches from its second cell to its first; these helpers take the
// search's own zero-based start and goal.
int search(reference_pathfinder& finder, int sx, int sy, int gx, int gy) {
    return finder.find_path({static_cast<unsigned int>(gx + 1), static_cast<unsigned int>(gy + 1), 0},
                            {static_cast<unsigned int>(sx + 1), static_cast<unsigned int>(sy + 1), 0});
}

}  // namespace

TEST(ReferenceSearch, FailuresLeaveTheLengthAndEmptyThePath) {
    projection_map map(5, 5);
    for (unsigned int x = 0; x < 5; ++x) map.set(x, 2, 1);
    reference_pathfinder finder;
    finder.init(map, true);
    EXPECT_EQ(search(finder, 0, 0, 4, 1), 0);
    const float previous = finder.path_length();

    EXPECT_EQ(search(finder, 0, 0, 4, 4), 2);
    EXPECT_EQ(finder.expanded().size(), 1u);
    EXPECT_TRUE(finder.path().empty());
    EXPECT_EQ(finder.path_length(), previous);

    EXPECT_EQ(finder.find_path({0, 1, 0}, {1, 1, 0}), 2);  // component 0: column -1
    EXPECT_EQ(finder.find_path({6, 1, 0}, {1, 1, 0}), 2);  // column 5 = width
    EXPECT_EQ(finder.find_path({1, 3, 0}, {1, 1, 0}), 2);  // blocked goal
    EXPECT_EQ(finder.find_path({0xFFFFFFFFu, 1, 0}, {1, 1, 0}), 2);
    EXPECT_TRUE(finder.expanded().empty());
}

TEST(ReferenceSearch, BudgetStopsAReachableGoal) {
    projection_map map(160, 160);
    for (unsigned int y = 1; y < 160; y += 2)
        for (unsigned int x = 1; x < 160; x += 2) map.set(x, y, 1);
    for (unsigned int x = 0; x <= 155; ++x) map.set(x, 80, 1);
    reference_pathfinder finder;
    finder.init(map, false);
    EXPECT_EQ(search(finder, 0, 0, 0, 158), 2);
    EXPECT_EQ(finder.expanded().size(), 5000u);
}

TEST(ReferenceLine, DirectionMattersAndEndsOutsideGiveNothing) {
    projection_map map(6, 4);
    reference_pathfinder finder;
    finder.init(map, true);
    std::vector<cell> line;
    finder.interpolate_line(0, 0, 5, 2, line);
    EXPECT_EQ(line, (std::vector<cell>{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}));
    finder.interpolate_line(2, 1, 0, 0, line);
    EXPECT_EQ(line, (std::vector<cell>{{2, 1}, {1, 1}, {0, 0}}));
    finder.interpolate_line(0, 0, -2147483647 - 1, 3, line);
    EXPECT_TRUE(line.empty());

    map.set(1, 0, 1);
    EXPECT_EQ(finder.test_direct_view({1, 1, 0}, {3, 2, 0}), 3);
    EXPECT_EQ(finder.test_direct_view({3, 2, 0}, {1, 1, 0}), 0);
    EXPECT_EQ(finder.test_direct_view({1, 4, 0}, {7, 4, 0}), 3);
    EXPECT_EQ(finder.test_direct_view({1, 4, 0}, {6, 4, 0}), 0);
    EXPECT_EQ(finder.test_direct_view({1, 1, 0}, {0x80000001u, 1, 0}), 3);
}
