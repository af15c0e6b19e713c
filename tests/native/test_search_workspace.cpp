// The thread's search workspace: what it keeps after searches, when it gives
// it back, and that pathfinders of different sizes taking turns do no
// per-cell work on each search.
#include "voxel/jps_pathfinder.hpp"
#include "voxel/search/search_workspace.hpp"

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

using OSTREL::Voxel::jps_pathfinder;
using OSTREL::Voxel::projection_map;
using OSTREL::Voxel::search_workspace;

namespace {

// A pathfinder bound to its own open map of the given size.
struct bound_pathfinder {
    projection_map map;
    jps_pathfinder finder;
    bound_pathfinder(unsigned int width, unsigned int height) : map(width, height) { finder.init(map, false); }
    // A search across the map, from corner to corner.
    int search() { return finder.find_path({1, 1, 0}, {map.resolution[0], map.resolution[1], 0}); }
};

constexpr std::size_t large_cells = 1000 * 1000;
// Far below the four bytes a cell the large map needs.
constexpr std::size_t small_bytes = 200 * 1024;

search_workspace& workspace() {
    return search_workspace::for_this_thread();
}

}  // namespace

TEST(SearchWorkspace, StorageIsGivenBackWhenTheLastLargePathfinderDies) {
    bound_pathfinder small(20, 20);
    auto large = std::make_unique<bound_pathfinder>(1000, 1000);
    EXPECT_EQ(large->search(), 0);
    EXPECT_EQ(small.search(), 0);
    EXPECT_GE(workspace().bytes(), 4 * large_cells);
    EXPECT_EQ(search_workspace::largest_living_grid(), large_cells);
    large.reset();
    EXPECT_EQ(search_workspace::largest_living_grid(), 20u * 20u);
    EXPECT_LT(workspace().bytes(), small_bytes);
    EXPECT_EQ(small.search(), 0);  // the small one sizes it again, and still searches
    EXPECT_LT(workspace().bytes(), small_bytes);
}

TEST(SearchWorkspace, BindingALargePathfinderToASmallMapGivesStorageBack) {
    bound_pathfinder finder(1000, 1000);
    EXPECT_EQ(finder.search(), 0);
    EXPECT_GE(workspace().bytes(), 4 * large_cells);
    projection_map small_map(30, 30);
    finder.finder.init(small_map, false);
    EXPECT_LT(workspace().bytes(), small_bytes);
    EXPECT_EQ(finder.finder.find_path({1, 1, 0}, {30, 30, 0}), 0);
}

TEST(SearchWorkspace, NothingIsKeptOnceNoPathfinderLives) {
    {
        bound_pathfinder finder(200, 300);
        EXPECT_EQ(finder.search(), 0);
        EXPECT_GT(workspace().bytes(), 0u);
    }
    EXPECT_EQ(search_workspace::largest_living_grid(), 0u);
    EXPECT_EQ(workspace().bytes(), 0u);
}

// The pathfinder dies on another thread than the one it searched on, which
// stays alive and searches no more: its storage is given back all the same.
TEST(SearchWorkspace, APathfinderDyingOnAnotherThreadFreesTheSearchingThreadsStorage) {
    auto large = std::make_unique<bound_pathfinder>(1000, 1000);
    std::mutex lock;
    std::condition_variable changed;
    int step = 0;  // 1: searched, 2: pathfinder dead, 3: measured
    std::size_t bytes_after_search = 0;
    std::size_t bytes_after_death = 0;
    std::thread searcher([&] {
        EXPECT_EQ(large->search(), 0);
        std::unique_lock<std::mutex> held(lock);
        bytes_after_search = workspace().bytes();
        step = 1;
        changed.notify_all();
        changed.wait(held, [&] { return step == 2; });
        bytes_after_death = workspace().bytes();
        step = 3;
        changed.notify_all();
    });
    {
        std::unique_lock<std::mutex> held(lock);
        changed.wait(held, [&] { return step == 1; });
        large.reset();
        step = 2;
        changed.notify_all();
        changed.wait(held, [&] { return step == 3; });
    }
    searcher.join();
    EXPECT_GE(bytes_after_search, 4 * large_cells);
    EXPECT_EQ(bytes_after_death, 0u);
}

// Preparing a search does per-cell work only when the storage must grow:
// once for the larger map, not on every change of size.
TEST(SearchWorkspace, PathfindersOfDifferentSizesTakingTurnsPrepareNoCells) {
    bound_pathfinder large(600, 500);
    bound_pathfinder small(7, 9);
    EXPECT_EQ(large.search(), 0);
    EXPECT_EQ(small.search(), 0);
    const std::size_t prepared = workspace().marks.preparations();
    for (int turn = 0; turn < 50; ++turn) {
        ASSERT_EQ(small.search(), 0);
        ASSERT_EQ(large.search(), 0);
    }
    EXPECT_EQ(workspace().marks.preparations(), prepared);
}

TEST(SearchWorkspace, TakingTurnsGivesTheSameAnswersAsSearchingAlone) {
    projection_map walls(40, 30);
    for (unsigned int y = 0; y < 25; ++y) walls.set(20, y, 1);
    for (unsigned int x = 5; x < 40; ++x) walls.set(x, 27, 1);
    jps_pathfinder alone;
    alone.init(walls, true);
    ASSERT_EQ(alone.find_path({1, 1, 0}, {40, 1, 0}), 0);
    const auto path = alone.get_path().coords;
    const auto closed = alone.closed_list.size();

    bound_pathfinder other(300, 200);
    jps_pathfinder turns;
    turns.init(walls, true);
    for (int turn = 0; turn < 3; ++turn) {
        ASSERT_EQ(other.search(), 0);
        ASSERT_EQ(turns.find_path({1, 1, 0}, {40, 1, 0}), 0);
        EXPECT_EQ(turns.get_path().coords, path);
        EXPECT_EQ(turns.closed_list.size(), closed);
    }
}
