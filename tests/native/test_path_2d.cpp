#include "voxel/path_2d.hpp"

#include <gtest/gtest.h>

using OSTREL::Voxel::path_2d;

TEST(Path2d, EmptyPath) {
    path_2d path;
    EXPECT_EQ(path.length(), 0u);
    EXPECT_EQ(path.to_string(), "");
}

TEST(Path2d, TextJoinsCellsWithArrows) {
    path_2d path;
    path.coords = {1, 2, 3, 4, 5, 4};
    EXPECT_EQ(path.length(), 3u);
    EXPECT_EQ(path.to_string(), "(1, 2) > (3, 4) > (5, 4)");
}

TEST(Path2d, OneCellAndNegativeCoordinates) {
    path_2d path;
    path.coords = {-1, 7};
    EXPECT_EQ(path.to_string(), "(-1, 7)");
}

TEST(Path2d, OddTrailingValueIsIgnored) {
    path_2d path;
    path.coords = {1, 2, 3};
    EXPECT_EQ(path.length(), 1u);
    EXPECT_EQ(path.to_string(), "(1, 2)");
}

TEST(Path2d, CellAccessIsRangeChecked) {
    path_2d path;
    path.coords = {1, 2};
    EXPECT_EQ(path.cell(0), std::make_pair(1, 2));
    EXPECT_THROW(path.cell(1), std::out_of_range);
}

TEST(Path2d, CopiesAreIndependent) {
    path_2d path;
    path.coords = {1, 2};
    path_2d copy = path;
    path.coords = {3, 4, 5, 6};
    EXPECT_EQ(copy.to_string(), "(1, 2)");
}
