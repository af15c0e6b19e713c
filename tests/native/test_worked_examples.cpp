// Worked examples of the search, each replayed against both the reference
// search and the module's search: the map, the two cells as find_path takes them
// (one-based; it searches from the second to the first), the mode, and the
// answer both must give: status, closed list in order, path, length bits, and
// test_direct_view for the same cells. A case printed by the exhaustive test
// (tests/exhaustive) on a mismatch goes at the end of the table, so that every
// build replays it.
#include "tests/reference/reference_pathfinder.hpp"
#include "tests/support/fixed_case.hpp"
#include "voxel/jps_pathfinder.hpp"

#include <gtest/gtest.h>

#include <type_traits>

using brondel_reference::reference_pathfinder;
using namespace brondel_test;
using OSTREL::Voxel::jps_pathfinder;

namespace {

// clang-format off
const fixed_case worked_examples[] = {
    {"the start is the goal",
     {"...", "...", "..."},
     {2, 2}, {2, 2}, false,
     {0, {{1, 1}},
      {1, 1}, 0x00000000u},
     0},
    {"the start is the goal",
     {"...", "...", "..."},
     {2, 2}, {2, 2}, true,
     {0, {{1, 1}},
      {1, 1}, 0x00000000u},
     0},
    {"a straight row",
     {"....", "....", "...."},
     {1, 1}, {3, 1}, false,
     {0, {{2, 0}, {0, 0}},
      {0, 0, 2, 0}, 0x40000000u},
     0},
    {"a straight row",
     {"....", "....", "...."},
     {1, 1}, {3, 1}, true,
     {0, {{2, 0}, {0, 0}},
      {0, 0, 1, 0, 2, 0}, 0x40000000u},
     0},
    {"an open diagonal",
     {".....", ".....", ".....", ".....", "....."},
     {5, 5}, {1, 1}, false,
     {0, {{0, 0}, {4, 4}},
      {4, 4, 0, 0}, 0x40B33333u},
     0},
    {"an open diagonal",
     {".....", ".....", ".....", ".....", "....."},
     {5, 5}, {1, 1}, true,
     {0, {{0, 0}, {4, 4}},
      {4, 4, 3, 3, 2, 2, 1, 1, 0, 0}, 0x40B504F3u},
     0},
    {"a diagonal, then straight on",
     {".....", ".....", ".....", ".....", "....."},
     {5, 3}, {1, 1}, false,
     {0, {{0, 0}, {2, 2}, {4, 2}},
      {4, 2, 2, 2, 0, 0}, 0x4099999Au},
     0},
    {"a diagonal, then straight on",
     {".....", ".....", ".....", ".....", "....."},
     {5, 3}, {1, 1}, true,
     {0, {{0, 0}, {2, 2}, {4, 2}},
      {4, 2, 3, 2, 2, 1, 1, 1, 0, 0}, 0x409A827Au},
     0},
    {"a diagonal run passes between corner-touching blocks",
     {"....", "..#.", ".#..", "...."},
     {4, 4}, {1, 1}, false,
     {0, {{0, 0}, {2, 2}, {3, 3}},
      {3, 3, 2, 2, 0, 0}, 0x40866667u},
     0},
    {"a diagonal run passes between corner-touching blocks",
     {"....", "..#.", ".#..", "...."},
     {4, 4}, {1, 1}, true,
     {0, {{0, 0}, {2, 2}, {3, 3}},
      {3, 3, 2, 2, 1, 1, 0, 0}, 0x4087C3B6u},
     0},
    {"around one blocked cell",
     {"......", "..#...", "......"},
     {6, 2}, {1, 2}, false,
     {0, {{0, 1}, {1, 2}, {2, 2}, {3, 1}, {5, 1}},
      {5, 1, 3, 1, 2, 2, 1, 2, 0, 1}, 0x40B9999Au},
     3},
    {"around one blocked cell",
     {"......", "..#...", "......"},
     {6, 2}, {1, 2}, true,
     {0, {{0, 1}, {1, 2}, {2, 2}, {3, 1}, {5, 1}},
      {5, 1, 4, 1, 3, 1, 2, 2, 1, 2, 0, 1}, 0x40BA827Au},
     3},
    {"around one blocked cell, exchanged: not the reversed path",
     {"......", "..#...", "......"},
     {1, 2}, {6, 2}, true,
     {0, {{5, 1}, {4, 2}, {2, 2}, {1, 1}, {0, 1}},
      {0, 1, 1, 1, 2, 2, 3, 2, 4, 1, 5, 1}, 0x40BA827Au},
     3},
    {"a long diagonal",
     {"...........", "...........", "...........", "...........", "...........", "...........", "...........", "...........", "...........", "...........", "..........."},
     {1, 1}, {11, 11}, false,
     {0, {{10, 10}, {0, 0}},
      {0, 0, 10, 10}, 0x4161999Au},
     0},
    {"a long diagonal",
     {"...........", "...........", "...........", "...........", "...........", "...........", "...........", "...........", "...........", "...........", "..........."},
     {1, 1}, {11, 11}, true,
     {0, {{10, 10}, {0, 0}},
      {0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10}, 0x4162462Eu},
     0},
    {"a blocked row separates after one expansion",
     {".....", ".....", "#####", ".....", "....."},
     {5, 5}, {1, 1}, true,
     {2, {{0, 0}},
      {}, 0x00000000u},
     3},
    {"the start squeezes past no blocked corner pair",
     {"##.", "#.#", "###"},
     {3, 1}, {2, 2}, false,
     {2, {{1, 1}},
      {}, 0x00000000u},
     0},
    {"the start moves diagonally past one blocked cell",
     {"#..", "#.#", "###"},
     {3, 1}, {2, 2}, false,
     {0, {{1, 1}, {2, 0}},
      {2, 0, 1, 1}, 0x3FB33333u},
     0},
    {"an end with a component of 0",
     {"...", "..."},
     {0, 1}, {1, 1}, true,
     {2, {},
      {}, 0x00000000u},
     3},
    {"an end one past the width",
     {"...", "..."},
     {4, 1}, {1, 1}, true,
     {2, {},
      {}, 0x00000000u},
     3},
    {"an end one past the height",
     {"...", "..."},
     {1, 1}, {3, 3}, true,
     {2, {},
      {}, 0x00000000u},
     3},
    {"a blocked goal",
     {"...", ".#."},
     {2, 2}, {1, 1}, true,
     {2, {},
      {}, 0x00000000u},
     3},
    {"the line of sight depends on its direction",
     {".#....", "......", "......", "......"},
     {1, 1}, {3, 2}, true,
     {0, {{2, 1}, {1, 1}, {0, 0}},
      {0, 0, 1, 1, 2, 1}, 0x401A827Au},
     3},
    {"the line of sight depends on its direction",
     {".#....", "......", "......", "......"},
     {3, 2}, {1, 1}, true,
     {0, {{0, 0}, {1, 1}, {2, 1}},
      {2, 1, 1, 1, 0, 0}, 0x401A827Au},
     0},
    {"interpolated paths are eight-connected",
     {"..........", ".####.###.", ".#......#.", ".#.##...#.", "...#..#...", "####..####"},
     {5, 6}, {1, 1}, true,
     {0, {{0, 0}, {0, 3}, {1, 4}, {4, 0}, {5, 1}, {4, 2}, {5, 3}, {4, 4}, {4, 5}},
      {4, 5, 4, 4, 5, 3, 5, 2, 5, 1, 4, 0, 3, 0, 2, 0, 1, 0, 0, 0}, 0x411D413Du},
     3},
    // Found by the exhaustive test (N = 15) with a bubble pass that carried an
    // entry past an equal key: two jump points of equal f must keep their
    // order on the open list.
    {"equal keys keep their order on the open list",
     {"#.#", ".#.", "...", ".#.", "..."},
     {2, 1}, {2, 3}, false,
     {2, {{1, 2}, {2, 1}, {0, 1}, {0, 3}, {2, 3}, {1, 4}},
      {}, 0x00000000u},
     3},
};
// clang-format on

// Fresh pathfinders for every case, so that a failed search's length is 0.
template <typename Pathfinder>
void expectCase(const fixed_case& example) {
    const auto map = drawn_map(example.map);
    Pathfinder finder;
    finder.init(map, example.interpolate);
    const auto first = coordinate_of(example.first);
    const auto second = coordinate_of(example.second);
    search_outcome answer = outcome_of(finder, finder.find_path(first, second));
    answer.still_open.clear();  // not written down here; the exhaustive and differential tests compare it
    EXPECT_TRUE(answer == example.expected) << describe_difference(example.expected, answer);
    EXPECT_EQ(finder.test_direct_view(first, second), example.view);
    if constexpr (std::is_same_v<Pathfinder, jps_pathfinder>) {
        EXPECT_TRUE(node_grid_is_clean(finder));
    }
}

}  // namespace

TEST(WorkedExamples, TheReferenceSearchAnswersEachAsWritten) {
    for (const fixed_case& example : worked_examples) {
        SCOPED_TRACE(fixed_case_source(example));
        expectCase<reference_pathfinder>(example);
    }
}

TEST(WorkedExamples, TheProductAnswersEachAsWrittenAndLeavesACleanGrid) {
    for (const fixed_case& example : worked_examples) {
        SCOPED_TRACE(fixed_case_source(example));
        expectCase<jps_pathfinder>(example);
    }
}
