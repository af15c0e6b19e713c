#include "voxel/projection_map.hpp"

#include <gtest/gtest.h>

#include <limits>

using OSTREL::Voxel::projection_map;

TEST(ProjectionMap, NewMapIsFreeAndPrintsZeros) {
    projection_map map(3, 2);
    EXPECT_EQ(map.resolution[0], 3u);
    EXPECT_EQ(map.resolution[1], 2u);
    ASSERT_EQ(map.rows.size(), 2u);
    for (const auto& row : map.rows) {
        ASSERT_EQ(row.size(), 3u);
        for (char cell : row) EXPECT_EQ(cell, 0);
    }
    EXPECT_EQ(map.to_string(), "0 0 0\n0 0 0\n");
}

TEST(ProjectionMap, TextShowsHighestRowFirst) {
    projection_map map(3, 2);
    map.set(0, 0, 1);
    map.set(2, 1, 2);
    EXPECT_EQ(map.to_string(), "0 0 2\n1 0 0\n");
}

TEST(ProjectionMap, TextOfSetCells) {
    projection_map map(3, 3);
    map.set(2, 0, 5);
    EXPECT_EQ(map.to_string(), "0 0 0\n0 0 0\n0 0 5\n");
    map.set(0, 2, 7);
    EXPECT_EQ(map.to_string(), "7 0 0\n0 0 0\n0 0 5\n");
}

TEST(ProjectionMap, NegativeBytesPrintSigned) {
    projection_map map(4, 1);
    map.set(0, 0, static_cast<char>(0x80));
    map.set(1, 0, static_cast<char>(0xFF));
    map.set(2, 0, 'a');
    map.set(3, 0, 1);
    EXPECT_EQ(map.to_string(), "-128 -1 97 1\n");
}

TEST(ProjectionMap, EmptyShapes) {
    EXPECT_EQ(projection_map(0, 0).to_string(), "");
    EXPECT_EQ(projection_map(5, 0).to_string(), "");
    EXPECT_EQ(projection_map(0, 3).to_string(), "\n\n\n");
}

TEST(ProjectionMap, HugeWidthWithoutRowsAllocatesNothing) {
    projection_map map(std::numeric_limits<std::uint32_t>::max(), 0);
    EXPECT_EQ(map.rows.size(), 0u);
    EXPECT_EQ(map.to_string(), "");
}

TEST(ProjectionMap, SetChangesOnlyItsCell) {
    projection_map map(4, 3);
    map.set(1, 2, 9);
    EXPECT_EQ(map.get(1, 2), 9);
    for (std::size_t y = 0; y < 3; ++y) {
        for (std::size_t x = 0; x < 4; ++x) {
            if (x != 1 || y != 2) {
                EXPECT_EQ(map.get(x, y), 0) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(map.rows[2][1], 9);
}

TEST(ProjectionMap, CopiesAreIndependent) {
    projection_map source(2, 2);
    projection_map copy(source);
    copy.set(0, 0, 1);
    source.set(1, 1, 2);
    EXPECT_EQ(source.get(0, 0), 0);
    EXPECT_EQ(copy.get(1, 1), 0);

    projection_map moved(std::move(copy));
    EXPECT_EQ(moved.get(0, 0), 1);
    EXPECT_EQ(copy.rows.size(), 0u);
}

TEST(ProjectionMap, CheckedAccessRejectsCellsOutside) {
    projection_map map(3, 2);
    EXPECT_THROW(map.checked_get(3, 0), std::out_of_range);
    EXPECT_THROW(map.checked_get(0, 2), std::out_of_range);
    EXPECT_THROW(map.checked_set(3, 0, 1), std::out_of_range);
    EXPECT_THROW(projection_map(0, 0).checked_get(0, 0), std::out_of_range);
    map.checked_set(2, 1, 4);
    EXPECT_EQ(map.checked_get(2, 1), 4);
    EXPECT_EQ(map.to_string(), "0 0 4\n0 0 0\n");
}
