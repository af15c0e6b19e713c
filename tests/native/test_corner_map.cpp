// The corner map: which occupied cells survive the reduction.
#include "voxel/corner_finding_algorithm_wrapper.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

using OSTREL::Voxel::projection_map;

namespace {

projection_map map_with(std::uint32_t width, std::uint32_t height, const std::vector<std::pair<int, int>>& occupied) {
    projection_map map(width, height);
    for (const auto& cell : occupied) {
        map.set(cell.first, cell.second, 1);
    }
    return map;
}

projection_map filled_block(std::uint32_t width, std::uint32_t height, int left, int bottom, int size) {
    projection_map map(width, height);
    for (int y = bottom; y < bottom + size; ++y) {
        for (int x = left; x < left + size; ++x) {
            map.set(x, y, 1);
        }
    }
    return map;
}

}  // namespace

TEST(CornerMap, StartsWithCornerAtOrigin) {
    const corner_finding_algorithm_wrapper finder(projection_map(4, 4));
    EXPECT_EQ(finder.corner[0], 0u);
    EXPECT_EQ(finder.corner[1], 0u);
}

TEST(CornerMap, StraightRunKeepsOnlyItsEnds) {
    // (4, 5) is cleared only because its neighbour (3, 5), cleared just
    // before, still counts: the tests read the source, not the copy.
    const auto source = map_with(10, 10, {{2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}});
    const corner_finding_algorithm_wrapper finder(source);
    EXPECT_EQ(finder.corner_map.to_string(), map_with(10, 10, {{2, 5}, {6, 5}}).to_string());
}

TEST(CornerMap, VerticalRunKeepsOnlyItsEnds) {
    const auto source = map_with(5, 6, {{2, 1}, {2, 2}, {2, 3}, {2, 4}});
    const corner_finding_algorithm_wrapper finder(source);
    EXPECT_EQ(finder.corner_map.to_string(), map_with(5, 6, {{2, 1}, {2, 4}}).to_string());
}

TEST(CornerMap, FilledThreeByThreeBlockKeepsItsFourCorners) {
    const corner_finding_algorithm_wrapper finder(filled_block(7, 7, 2, 2, 3));
    EXPECT_EQ(finder.corner_map.to_string(),
              "0 0 0 0 0 0 0\n"
              "0 0 0 0 0 0 0\n"
              "0 0 1 0 1 0 0\n"
              "0 0 0 0 0 0 0\n"
              "0 0 1 0 1 0 0\n"
              "0 0 0 0 0 0 0\n"
              "0 0 0 0 0 0 0\n");
}

TEST(CornerMap, TwoByTwoBlockAndIsolatedCellStayWhole) {
    const auto source = map_with(6, 6, {{1, 1}, {2, 1}, {1, 2}, {2, 2}, {4, 4}});
    const corner_finding_algorithm_wrapper finder(source);
    EXPECT_EQ(finder.corner_map.to_string(), source.to_string());
}

TEST(CornerMap, CellsKeepTheirValues) {
    projection_map source(5, 3);
    source.set(1, 1, 7);
    source.set(2, 1, -3);
    source.set(3, 1, 'a');
    const corner_finding_algorithm_wrapper finder(source);
    EXPECT_EQ(finder.corner_map.to_string(), "0 0 0 0 0\n0 7 0 97 0\n0 0 0 0 0\n");
}

TEST(CornerMap, NarrowMapsAreCopiedUnchanged) {
    // Two cells wide or high: no interior, nothing is cleared.
    for (const auto& size :
         {std::make_pair(2u, 5u), std::make_pair(5u, 2u), std::make_pair(1u, 4u), std::make_pair(0u, 3u)}) {
        projection_map source(size.first, size.second);
        for (std::uint32_t y = 0; y < size.second; ++y) {
            for (std::uint32_t x = 0; x < size.first; ++x) {
                source.set(x, y, 1);
            }
        }
        const corner_finding_algorithm_wrapper finder(source);
        EXPECT_EQ(finder.corner_map.resolution, source.resolution);
        EXPECT_EQ(finder.corner_map.to_string(), source.to_string()) << size.first << " x " << size.second;
    }
}

TEST(CornerMap, BorderCellsStayEvenWhenFlanked) {
    // A fully occupied 4 x 4 map: every border cell is flanked along the border,
    // every interior cell on both axes; only the interior is cleared.
    const corner_finding_algorithm_wrapper finder(filled_block(4, 4, 0, 0, 4));
    EXPECT_EQ(finder.corner_map.to_string(),
              "1 1 1 1\n"
              "1 0 0 1\n"
              "1 0 0 1\n"
              "1 1 1 1\n");
}

TEST(CornerMap, DiagonalNeighboursPlayNoPart) {
    const auto source = map_with(5, 5, {{1, 1}, {2, 2}, {3, 3}, {1, 3}, {3, 1}});
    const corner_finding_algorithm_wrapper finder(source);
    EXPECT_EQ(finder.corner_map.to_string(), source.to_string());
}

TEST(CornerMap, IsIndependentOfItsSource) {
    auto source = map_with(10, 10, {{2, 5}, {3, 5}, {4, 5}});
    corner_finding_algorithm_wrapper finder(source);
    source.set(0, 0, 1);
    EXPECT_EQ(finder.corner_map.get(0, 0), 0);
    finder.corner_map.set(9, 9, 1);
    EXPECT_EQ(source.get(9, 9), 0);
}
