// The batch's own rules: its snapshot, stopping, failures reported on the
// calling thread, and the memory it keeps and gives back. Its answers are
// held to the reference by the differential test.
#include "voxel/bulk/batch_search.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <vector>

using OSTREL::Voxel::batch_search;
using OSTREL::Voxel::jps_node;
using OSTREL::Voxel::path_query;
using OSTREL::Voxel::projection_map;

namespace {

// A grid of pillars (every cell with odd x and y blocked), whose corner to
// corner searches spend the whole budget: long enough to be stopped.
projection_map pillars(std::uint32_t side) {
    projection_map map(side, side);
    for (std::uint32_t y = 1; y < side; y += 2)
        for (std::uint32_t x = 1; x < side; x += 2) map.set(x, y, 1);
    return map;
}

// Corner to corner, both ways, `count` times.
std::vector<path_query> across(const projection_map& map, std::size_t count) {
    const int right = static_cast<int>(map.resolution[0]) - 1;
    const int bottom = static_cast<int>(map.resolution[1]) - 1;
    std::vector<path_query> queries;
    for (std::size_t i = 0; i < count; ++i)
        queries.push_back(i % 2 ? path_query{0, 0, right, bottom} : path_query{right, bottom, 0, 0});
    return queries;
}

}  // namespace

TEST(BatchSearch, SearchesTheSnapshotNotTheMap) {
    projection_map map(5, 1);
    batch_search batch;
    batch.load(map);
    map.set(2, 0, 1);  // walls the ends apart, after the snapshot
    ASSERT_TRUE(batch.run({{0, 0, 4, 0}}, true, 1, {}));
    EXPECT_EQ(batch.answer(0).status, 0);
    EXPECT_EQ(batch.answer(0).values, 10u);
    batch.load(map);  // same size: copied into the same rows
    ASSERT_TRUE(batch.run({{0, 0, 4, 0}}, true, 1, {}));
    EXPECT_EQ(batch.answer(0).status, 2);
}

TEST(BatchSearch, StopsWhenAskedAndRunsAgain) {
    const projection_map map = pillars(301);
    batch_search batch;
    batch.load(map);
    std::atomic<int> polls{0};
    EXPECT_FALSE(batch.run(across(map, 100000), false, 2, [&polls] { return ++polls == 2; }));
    EXPECT_EQ(polls.load(), 2);
    ASSERT_TRUE(batch.run(across(map, 4), false, 2, {}));
    EXPECT_EQ(batch.answer(3).status, 0);
}

TEST(BatchSearch, FailureOfThePollIsRethrownAfterEveryThreadEnded) {
    const projection_map map = pillars(301);
    batch_search batch;
    batch.load(map);
    EXPECT_THROW(batch.run(across(map, 100000), false, 3, []() -> bool { throw std::runtime_error("poll"); }),
                 std::runtime_error);
    ASSERT_TRUE(batch.run(across(map, 3), true, 3, {}));
}

TEST(BatchSearch, KeepsOnePathfinderPerThreadUntilReleased) {
    const projection_map map(200, 100);
    const std::size_t grid = 200 * 100 * sizeof(jps_node);
    batch_search batch;
    batch.load(map);
    ASSERT_TRUE(batch.run(across(map, 10), true, 3, {}));
    EXPECT_GE(batch.bytes(), 3 * grid);
    batch.clear_answers();
    ASSERT_TRUE(batch.run(across(map, 10), true, 1, {}));  // fewer threads: fewer pathfinders
    EXPECT_LT(batch.bytes(), 2 * grid);
    EXPECT_GE(batch.release(), grid);
    EXPECT_LT(batch.bytes(), 1024u);
    EXPECT_EQ(batch.answer_count(), 0u);
}

TEST(BatchSearch, NeverMoreThreadsThanQueriesAndNoneNeededForNoQueries) {
    const projection_map map(10, 10);
    batch_search batch;
    batch.use_planes(batch_search::planes_use::never);  // only the pathfinders counted
    batch.load(map);
    ASSERT_TRUE(batch.run({}, true, 8, {}));
    EXPECT_EQ(batch.answer_count(), 0u);
    EXPECT_LT(batch.bytes(), 100 * sizeof(jps_node));
    ASSERT_TRUE(batch.run(across(map, 2), true, 8, {}));
    EXPECT_LT(batch.bytes(), 3 * 100 * sizeof(jps_node));
}
