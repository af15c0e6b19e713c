// The corner search along a path: which cell is chosen, and that no input
// makes it read outside the map or the path.
#include "voxel/corner_finding_algorithm.hpp"
#include "voxel/corner_finding_algorithm_wrapper.hpp"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <utility>
#include <vector>

using OSTREL::Voxel::CornerFindingAlgorithm;
using OSTREL::Voxel::path_2d;
using OSTREL::Voxel::projection_map;

namespace {

using corner = std::array<unsigned int, 2>;

path_2d path_of(std::vector<int> coords) {
    path_2d path;
    path.coords = std::move(coords);
    return path;
}

// The corner of `coords` on `map` itself (no reduction).
corner corner_on(const projection_map& map, const std::vector<int>& coords) {
    corner found{99, 99};
    EXPECT_EQ(CornerFindingAlgorithm(coords.size(), coords.data(), map, found.data()), 0);
    return found;
}

// The 10 x 10 map with a horizontal run from (2, 5) to (6, 5).
projection_map run_map() {
    projection_map map(10, 10);
    for (int x = 2; x <= 6; ++x) {
        map.set(x, 5, 1);
    }
    return map;
}

}  // namespace

TEST(CornerSearch, EmptyPathGivesOrigin) {
    EXPECT_EQ(corner_on(run_map(), {}), (corner{0, 0}));
    corner_finding_algorithm_wrapper finder(run_map());
    finder.corner = {7, 7};
    EXPECT_EQ(finder.find_corner(0, path_2d()), 0);
    EXPECT_EQ(finder.corner, (corner{0, 0}));
}

TEST(CornerSearch, OneCellPathGivesThatCell) {
    const projection_map open(10, 10);
    EXPECT_EQ(corner_on(open, {3, 4}), (corner{3, 4}));
    // Also when it touches an obstacle: it is both start and last cell.
    EXPECT_EQ(corner_on(run_map(), {2, 4}), (corner{2, 4}));
}

TEST(CornerSearch, StartTouchingCountsOnlyAsLastCell) {
    // (2, 4) borders (2, 5); nothing after it touches anything.
    EXPECT_EQ(corner_on(run_map(), {2, 4, 2, 3, 2, 2}), (corner{2, 2}));
}

TEST(CornerSearch, SecondCellTouching) {
    EXPECT_EQ(corner_on(run_map(), {2, 3, 2, 4, 2, 3}), (corner{2, 4}));
    // The touching cell may lie on any side of the obstacle.
    EXPECT_EQ(corner_on(run_map(), {8, 5, 7, 5, 8, 6}), (corner{7, 5}));
    EXPECT_EQ(corner_on(run_map(), {0, 5, 1, 5, 0, 6}), (corner{1, 5}));
    EXPECT_EQ(corner_on(run_map(), {4, 7, 4, 6, 4, 7}), (corner{4, 6}));
}

TEST(CornerSearch, NoTouchGivesLastCell) {
    EXPECT_EQ(corner_on(run_map(), {0, 0, 1, 1, 2, 2, 3, 3}), (corner{3, 3}));
}

TEST(CornerSearch, DiagonalNeighboursAndTheCellItselfDoNotTouch) {
    // A lone occupied cell: the path crosses it and passes its diagonal
    // neighbours, but none of its cells has an occupied edge neighbour.
    projection_map map(5, 5);
    map.set(2, 2, 1);
    EXPECT_EQ(corner_on(map, {0, 0, 1, 1, 2, 2, 3, 3, 4, 4}), (corner{4, 4}));
}

TEST(CornerSearch, RunExampleOnTheCornerMap) {
    corner_finding_algorithm_wrapper finder(run_map());
    // (2, 4) borders the run end (2, 5).
    finder.find_corner(0, path_of({0, 4, 1, 4, 2, 4, 3, 4, 4, 4, 5, 4, 6, 4, 7, 4}));
    EXPECT_EQ(finder.corner, (corner{2, 4}));
    // (5, 4) borders only the cleared (5, 5); the start (4, 4) never counts.
    finder.find_corner(0, path_of({4, 4, 5, 4, 6, 4, 7, 4, 8, 4}));
    EXPECT_EQ(finder.corner, (corner{6, 4}));
}

TEST(CornerSearch, FirstArgumentIsNotUsed) {
    corner_finding_algorithm_wrapper finder(run_map());
    const auto path = path_of({0, 4, 1, 4, 2, 4, 3, 4});
    EXPECT_EQ(finder.find_corner(SIZE_MAX, path), 0);
    EXPECT_EQ(finder.corner, (corner{2, 4}));
}

TEST(CornerSearch, CornerMapWritesReachLaterResultsSourceWritesDoNot) {
    auto source = run_map();
    corner_finding_algorithm_wrapper finder(source);
    source.set(1, 3, 1);
    finder.find_corner(0, path_of({0, 2, 1, 2, 2, 2}));
    EXPECT_EQ(finder.corner, (corner{2, 2}));
    finder.corner_map.set(1, 3, 1);
    finder.find_corner(0, path_of({0, 2, 1, 2, 2, 2}));
    EXPECT_EQ(finder.corner, (corner{1, 2}));
}

TEST(CornerSearch, CellsOutsideTheMapTouchNothing) {
    // Cells just past each edge border a real occupied cell, but lie outside:
    // they touch nothing, yet the last of them is still chosen.
    projection_map map(4, 3);
    map.set(3, 1, 1);
    map.set(1, 2, 1);
    map.set(0, 0, 1);
    EXPECT_EQ(corner_on(map, {0, 1, 4, 1, 1, 3, -1, 0, 5, 5}), (corner{5, 5}));
    EXPECT_EQ(corner_on(map, {0, 1, 1, 3, 4, 1}), (corner{4, 1}));
    // Far outside and negative: wrapped to unsigned as they are written out.
    EXPECT_EQ(corner_on(map, {0, 1, INT_MAX, 0, 0, INT_MIN, -7, -9}),
              (corner{static_cast<unsigned int>(-7), static_cast<unsigned int>(-9)}));
    // An inside cell after outside ones is still found.
    EXPECT_EQ(corner_on(map, {0, 1, 3, 7, -1, 1, 2, 1, 0, 1}), (corner{2, 1}));
}

TEST(CornerSearch, PathFromALargerMap) {
    // A path found on a 20 x 20 map, searched on a 5 x 5 corner map.
    corner_finding_algorithm_wrapper finder(projection_map(5, 5));
    finder.corner_map.set(4, 4, 1);
    std::vector<int> diagonal;
    for (int i = 19; i >= 0; --i) {
        diagonal.push_back(i);
        diagonal.push_back(i);
    }
    finder.find_corner(0, path_of(diagonal));
    EXPECT_EQ(finder.corner, (corner{0, 0}));
    finder.corner_map.set(3, 2, 1);
    finder.find_corner(0, path_of(diagonal));
    EXPECT_EQ(finder.corner, (corner{3, 3}));
}

TEST(CornerSearch, OddCountIgnoresTheTrailingInt) {
    const auto map = run_map();
    // Only the count's first ints exist: the buffer ends at the odd count, so
    // a read past it is caught by the address sanitizer.
    const std::vector<int> one_and_half{3, 3, 2};
    corner found{99, 99};
    CornerFindingAlgorithm(one_and_half.size(), one_and_half.data(), map, found.data());
    EXPECT_EQ(found, (corner{3, 3}));
    const std::vector<int> three_and_half{0, 0, 1, 1, 2, 2, 2};
    CornerFindingAlgorithm(three_and_half.size(), three_and_half.data(), map, found.data());
    EXPECT_EQ(found, (corner{2, 2}));
    const std::vector<int> half{7};
    CornerFindingAlgorithm(half.size(), half.data(), map, found.data());
    EXPECT_EQ(found, (corner{0, 0}));
    // The same through the wrapper, with an odd vector inside a path_2d.
    corner_finding_algorithm_wrapper finder(map);
    finder.find_corner(0, path_of({0, 0, 1, 1, 2}));
    EXPECT_EQ(finder.corner, (corner{1, 1}));
}

TEST(CornerSearch, EmptyAndDegenerateMaps) {
    EXPECT_EQ(corner_on(projection_map(0, 0), {0, 0, 1, 1}), (corner{1, 1}));
    EXPECT_EQ(corner_on(projection_map(0, 3), {0, 0, 0, 1}), (corner{0, 1}));
    EXPECT_EQ(corner_on(projection_map(1, 1), {0, 0, 0, 0}), (corner{0, 0}));
}
