// The map view's diagonal run: what it tells about its straight probes at the
// cell where it stops, which the search reuses when it expands that cell.
#include "jps_test_support.hpp"

#include "voxel/search/map_view.hpp"

#include <gtest/gtest.h>

#include <limits>

using namespace jps_test;
using OSTREL::Voxel::diagonal_probes;
using OSTREL::Voxel::map_view;
using answer = diagonal_probes::answer;

namespace {

struct diagonal_stop {
    bool found;
    cell at;
    diagonal_probes probes;
};

diagonal_stop runDiagonal(const projection_map& map, cell from, int dx, int dy, cell goal) {
    const map_view view(&map, static_cast<int>(map.resolution[0]), static_cast<int>(map.resolution[1]));
    diagonal_stop stop{false, from, {}};
    stop.found = view.run_diagonal(stop.at.first, stop.at.second, dx, dy, goal.first, goal.second, stop.probes);
    return stop;
}

// What a straight run from `from` answers, for comparison with a probe.
bool runStraight(const projection_map& map, cell& from, int dx, int dy, cell goal) {
    const map_view view(&map, static_cast<int>(map.resolution[0]), static_cast<int>(map.resolution[1]));
    return dx != 0 ? view.run_horizontal(from.first, from.second, dx, goal.first, goal.second)
                   : view.run_vertical(from.first, from.second, dy, goal.first, goal.second);
}

}  // namespace

TEST(MapView, DiagonalRunTellsWhatItsHorizontalProbeFound) {
    // From (1, 1) down and right; the walk right from (3, 2) reaches the goal
    // (5, 2), so the run stops at (2, 2) and the vertical probe is not run.
    const projection_map map = openMap(6, 6);
    const diagonal_stop stop = runDiagonal(map, {1, 1}, 1, 1, {5, 2});
    ASSERT_TRUE(stop.found);
    EXPECT_EQ(stop.at, cell(2, 2));
    EXPECT_EQ(stop.probes.dx, 1);
    EXPECT_EQ(stop.probes.dy, 1);
    EXPECT_EQ(stop.probes.horizontal, answer::jump_point);
    EXPECT_EQ(stop.probes.vertical, answer::unknown);
    EXPECT_EQ(stop.probes.jump, 5);
    cell probe{3, 2};
    EXPECT_TRUE(runStraight(map, probe, 1, 0, {5, 2}));
    EXPECT_EQ(probe, cell(5, 2));
}

TEST(MapView, DiagonalRunTellsWhatItsVerticalProbeFound) {
    // Up and left from (4, 4) towards the goal (3, 0): at (3, 3) the walk
    // left finds nothing and the walk up reaches the goal.
    const projection_map map = openMap(6, 6);
    const diagonal_stop stop = runDiagonal(map, {4, 4}, -1, -1, {3, 0});
    ASSERT_TRUE(stop.found);
    EXPECT_EQ(stop.at, cell(3, 3));
    EXPECT_EQ(stop.probes.dx, -1);
    EXPECT_EQ(stop.probes.dy, -1);
    EXPECT_EQ(stop.probes.horizontal, answer::no_jump_point);
    EXPECT_EQ(stop.probes.vertical, answer::jump_point);
    EXPECT_EQ(stop.probes.jump, 0);
    cell left{2, 3};
    EXPECT_FALSE(runStraight(map, left, -1, 0, {3, 0}));
}

TEST(MapView, DiagonalRunStoppedByAnythingElseTellsNothing) {
    // clang-format off
    const projection_map map = drawn_map({"......",
                                         "......",
                                         ".#....",
                                         "......",
                                         "......"});
    // clang-format on
    // A forced neighbour at (2, 2): (1, 2) is blocked, (1, 3) is free.
    const diagonal_stop forced = runDiagonal(map, {1, 1}, 1, 1, {9, 9});
    ASSERT_TRUE(forced.found);
    EXPECT_EQ(forced.at, cell(2, 2));
    EXPECT_EQ(forced.probes.dx, 0);
    EXPECT_EQ(forced.probes.horizontal, answer::unknown);
    EXPECT_EQ(forced.probes.vertical, answer::unknown);
    // The goal itself, and a run off the grid.
    EXPECT_EQ(runDiagonal(map, {3, 1}, 1, 1, {4, 2}).probes.dx, 0);
    const diagonal_stop off = runDiagonal(map, {3, 0}, 1, 1, {0, 4});
    EXPECT_FALSE(off.found);
    EXPECT_EQ(off.probes.dx, 0);
}

// A goal off the grid can never be reached: a run towards it in its row or
// column ends at the grid's side, as the step-by-step jump does, and reads
// nothing past it (the sanitizer build checks the reads). The goal's
// coordinates may be anything a native caller passes, the extremes included.
TEST(MapView, RunsTowardsAGoalOffTheGridEndAtTheSide) {
    const projection_map map = openMap(24, 24);
    const map_view view(&map, 24, 24);
    const int far_away[] = {-1, -1000, std::numeric_limits<int>::min(), 24, 1000, std::numeric_limits<int>::max()};
    for (const int off : far_away) {
        for (const int step : {1, -1}) {
            for (const int along : {0, 5, 23}) {
                int y = 12;
                EXPECT_FALSE(view.run_vertical(along, y, step, along, off)) << along << " " << off;
                int x = 12;
                EXPECT_FALSE(view.run_horizontal(x, along, step, off, along)) << along << " " << off;
                cell from{along, 12};
                diagonal_probes probes;
                EXPECT_FALSE(view.run_diagonal(from.first, from.second, step, step, along, off, probes));
            }
        }
    }
}
