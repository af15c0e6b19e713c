// Path reconstruction and the three-component entry point: cells, lengths
// (pinned by their float bit patterns) and the straightening rules.
#include "jps_test_support.hpp"

#include <gtest/gtest.h>

using namespace jps_test;

namespace {

constexpr std::uint32_t bits_5_8284273 = 0x40BA827A;  // 1 + 1 + d + 1 + d, in any order here
constexpr std::uint32_t bits_4_8284273 = 0x409A827A;  // two straight, two diagonal steps
constexpr std::uint32_t bits_3_4142137 = 0x405A827A;
constexpr std::uint32_t bits_9_0 = 0x41100000;
constexpr std::uint32_t bits_14_142134 = 0x4162462E;  // ten sums of 1.41421354f
constexpr std::uint32_t bits_14_1 = 0x4161999A;       // 141 * 0.1f

// Runs backtrace on a hand-made chain of jump points, goal first.
struct chain_result {
    cells path;
    float length = 0.0f;
};

chain_result backtraceChain(const projection_map& map, bool interpolate, const cells& jump_points, int goal_g = 0) {
    jps_pathfinder finder;
    finder.init(map, interpolate);
    std::vector<jps_node> chain(jump_points.size());
    for (std::size_t i = 0; i < chain.size(); ++i) {
        chain[i].x = jump_points[i].first;
        chain[i].y = jump_points[i].second;
        chain[i].parent = i + 1 < chain.size() ? &chain[i + 1] : nullptr;
    }
    chain[0].g = goal_g;
    std::vector<int> out;
    chain_result result;
    finder.backtrace(&chain[0], out, result.length);
    result.path = cells_of(out);
    return result;
}

struct bound {
    projection_map map;
    jps_pathfinder finder;
    bound(projection_map m, bool interpolate) : map(std::move(m)) { finder.init(map, interpolate); }
    std::uint32_t lengthBits() const { return float_bits(finder.get_path_length()); }
};

}  // namespace

TEST(JpsPath, FailureEmptiesThePathAndKeepsTheLength) {
    bound b(openMap(6, 3, {{2, 1}}), true);
    ASSERT_EQ(b.finder.find_path({6, 2, 0}, {1, 2, 0}), 0);
    const std::vector<std::array<unsigned int, 3>> bad = {{0, 1, 0}, {1, 0, 0}, {7, 1, 0},
                                                          {1, 4, 0}, {3, 2, 0}, {4294967295u, 1, 0}};
    for (const auto& c : bad) {
        EXPECT_EQ(b.finder.find_path(c, {1, 1, 0}), 2);
        EXPECT_TRUE(b.finder.get_path().coords.empty());
        EXPECT_EQ(b.finder.find_path({1, 1, 0}, c), 2);
        EXPECT_EQ(b.lengthBits(), bits_5_8284273);
    }
}

TEST(JpsPath, ClearLineStraightensTheWholeChain) {
    const chain_result r = backtraceChain(openMap(6, 4), true, {{0, 0}, {2, 0}, {4, 2}});
    EXPECT_EQ(r.path, (cells{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}));
    EXPECT_EQ(float_bits(r.length), bits_4_8284273);
}

TEST(JpsPath, BlockedLineMakesTheJumpPointBeforeItTheAnchor) {
    const chain_result r = backtraceChain(openMap(6, 4, {{2, 1}}), true, {{0, 0}, {2, 0}, {4, 2}});
    EXPECT_EQ(r.path, (cells{{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 2}}));
    EXPECT_EQ(float_bits(r.length), bits_4_8284273);
}

TEST(JpsPath, AroundABlockedSquare) {
    const projection_map map = openMap(6, 4, {{1, 1}, {2, 1}, {1, 2}, {2, 2}});
    const chain_result r = backtraceChain(map, true, {{0, 0}, {3, 0}, {3, 3}, {0, 3}});
    EXPECT_EQ(r.path, (cells{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {3, 2}, {3, 3}, {2, 3}, {1, 3}, {0, 3}}));
    EXPECT_EQ(float_bits(r.length), bits_9_0);
}

TEST(JpsPath, RunEndsAtTheFirstJumpPointNotSeen) {
    const chain_result r = backtraceChain(openMap(6, 4, {{1, 0}}), true, {{0, 0}, {0, 1}, {2, 1}, {2, 2}});
    EXPECT_EQ(r.path, (cells{{0, 0}, {0, 1}, {1, 1}, {2, 2}}));
    EXPECT_EQ(float_bits(r.length), bits_3_4142137);
}

TEST(JpsPath, LongDiagonalInBothModes) {
    const projection_map map = openMap(11, 11);
    const chain_result filled = backtraceChain(map, true, {{0, 0}, {10, 10}}, 141);
    ASSERT_EQ(filled.path.size(), 11u);
    for (int i = 0; i <= 10; ++i) EXPECT_EQ(filled.path[i], cell(i, i));
    EXPECT_EQ(float_bits(filled.length), bits_14_142134);

    const chain_result jumps = backtraceChain(map, false, {{0, 0}, {10, 10}}, 141);
    EXPECT_EQ(jumps.path, (cells{{0, 0}, {10, 10}}));
    EXPECT_EQ(float_bits(jumps.length), bits_14_1);

    // The search itself finds the same chain and cost (a worked example).
}

TEST(JpsPath, ChainWhoseNeighboursDoNotSeeEachOtherEnds) {
    // Never built by the search (neighbouring jump points always see each
    // other); the path then jumps the gap instead of looping forever.
    const chain_result r = backtraceChain(openMap(4, 1, {{1, 0}}), true, {{0, 0}, {2, 0}, {3, 0}});
    EXPECT_EQ(r.path, (cells{{0, 0}, {2, 0}, {3, 0}}));
}
