// Line of sight: the digital line between two cells and test_direct_view.
#include "jps_test_support.hpp"

#include <gtest/gtest.h>

#include <climits>

using namespace jps_test;

namespace {

struct sighted {
    projection_map map;
    jps_pathfinder finder;
    explicit sighted(projection_map m) : map(std::move(m)) { finder.init(map, true); }
    cells line(int x0, int y0, int x1, int y1) const {
        cells result = {{99, 99}};  // must be emptied first
        finder.interpolate_line(x0, y0, x1, y1, result);
        return result;
    }
};

}  // namespace

TEST(JpsLine, BothDirectionsOfAShallowLine) {
    sighted s(openMap(6, 4));
    EXPECT_EQ(s.line(0, 0, 5, 2), (cells{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}));
    EXPECT_EQ(s.line(5, 2, 0, 0), (cells{{5, 2}, {4, 2}, {3, 1}, {2, 1}, {1, 0}, {0, 0}}));
}

TEST(JpsLine, DirectionMatters) {
    sighted s(openMap(6, 4));
    EXPECT_EQ(s.line(0, 0, 2, 1), (cells{{0, 0}, {1, 0}, {2, 1}}));
    EXPECT_EQ(s.line(2, 1, 0, 0), (cells{{2, 1}, {1, 1}, {0, 0}}));
    s.map.set(1, 0, 1);
    EXPECT_EQ(s.finder.test_direct_view({1, 1, 0}, {3, 2, 0}), 3);
    EXPECT_EQ(s.finder.test_direct_view({3, 2, 0}, {1, 1, 0}), 0);
}

TEST(JpsLine, RowsColumnsAndDiagonals) {
    sighted s(openMap(6, 6));
    EXPECT_EQ(s.line(1, 2, 4, 2), (cells{{1, 2}, {2, 2}, {3, 2}, {4, 2}}));
    EXPECT_EQ(s.line(3, 4, 3, 1), (cells{{3, 4}, {3, 3}, {3, 2}, {3, 1}}));
    EXPECT_EQ(s.line(5, 0, 2, 3), (cells{{5, 0}, {4, 1}, {3, 2}, {2, 3}}));
    EXPECT_EQ(s.line(2, 2, 2, 2), (cells{{2, 2}}));
}

TEST(JpsLine, DiagonalStepPassesBetweenTouchingCorners) {
    sighted s(openMap(2, 2, {{1, 0}, {0, 1}}));
    EXPECT_EQ(s.line(0, 0, 1, 1), (cells{{0, 0}, {1, 1}}));
    EXPECT_EQ(s.finder.test_direct_view({1, 1, 0}, {2, 2, 0}), 0);
}

TEST(JpsLine, BlockedCellsEmptyTheLine) {
    sighted s(openMap(6, 4, {{3, 1}}));
    EXPECT_TRUE(s.line(0, 0, 5, 2).empty());
    EXPECT_TRUE(s.line(3, 1, 3, 1).empty());
    EXPECT_EQ(s.finder.test_direct_view({4, 2, 0}, {4, 2, 0}), 3);
    EXPECT_EQ(s.finder.test_direct_view({1, 1, 0}, {4, 2, 0}), 3);  // blocked end
    EXPECT_EQ(s.finder.test_direct_view({1, 1, 0}, {1, 1, 0}), 0);
}

TEST(JpsLine, EndsOutsideTheGrid) {
    sighted s(openMap(6, 4));
    EXPECT_EQ(s.finder.test_direct_view({1, 1, 0}, {7, 1, 0}), 3);
    EXPECT_EQ(s.finder.test_direct_view({1, 1, 0}, {6, 1, 0}), 0);
    EXPECT_EQ(s.finder.test_direct_view({0, 1, 0}, {2, 1, 0}), 3);
    EXPECT_EQ(s.finder.test_direct_view({1, 0, 0}, {1, 2, 0}), 3);
    EXPECT_EQ(s.finder.test_direct_view({1, 1, 0}, {1, 5, 0}), 3);
    EXPECT_EQ(s.finder.test_direct_view({1, 1, 0}, {1, 4, 0}), 0);
}

TEST(JpsLine, FarOutEndsGiveEmptyLinesWithoutOverflow) {
    sighted s(openMap(6, 4));
    const int far[] = {INT_MIN, -1, 6, 7, INT_MAX};
    for (int a : far) {
        EXPECT_TRUE(s.line(0, 0, a, 0).empty()) << a;
        EXPECT_TRUE(s.line(a, 0, 0, 0).empty()) << a;
        EXPECT_TRUE(s.line(0, 0, 0, a).empty()) << a;
        EXPECT_TRUE(s.line(a, a, INT_MAX, INT_MIN).empty()) << a;
    }
    for (unsigned int c : {0u, 7u, 2147483648u, 2147483649u, 4294967295u}) {
        EXPECT_EQ(s.finder.test_direct_view({1, 1, 0}, {c, c, 0}), 3) << c;
        EXPECT_EQ(s.finder.test_direct_view({c, 1, 0}, {1, 1, 0}), 3) << c;
    }
}

TEST(JpsLine, DirectViewTouchesNothingButTheMap) {
    sighted s(openMap(6, 3, {{2, 1}}));
    ASSERT_EQ(s.finder.find_path({6, 2, 0}, {1, 2, 0}), 0);
    const std::vector<int> path = s.finder.get_path().coords;
    const float length = s.finder.get_path_length();
    EXPECT_EQ(s.finder.test_direct_view({1, 1, 0}, {6, 1, 0}), 0);
    EXPECT_EQ(s.finder.get_path().coords, path);
    EXPECT_EQ(float_bits(s.finder.get_path_length()), float_bits(length));
    EXPECT_TRUE(node_grid_is_clean(s.finder));
}
