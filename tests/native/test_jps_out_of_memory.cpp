// Running out of memory inside a search or a re-bind leaves the pathfinder
// usable: a clean grid, an empty path, the old length, and later searches
// that answer as before. Allocations are made to fail by replacing the
// global operator new for this test program.
#include "jps_test_support.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {
// Allocations still allowed before the next one fails; negative: no limit.
int allocations_left = -1;
}  // namespace

void* operator new(std::size_t size) {
    if (allocations_left == 0) throw std::bad_alloc();
    if (allocations_left > 0) --allocations_left;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

using namespace jps_test;

namespace {

// Runs `call` with the first `allowed` allocations succeeding; true when it
// threw bad_alloc.
template <typename Call>
bool failsAfter(int allowed, Call call) {
    allocations_left = allowed;
    bool failed = false;
    try {
        call();
    } catch (const std::bad_alloc&) {
        failed = true;
    }
    allocations_left = -1;
    return failed;
}

}  // namespace

TEST(JpsOutOfMemory, FailedSearchLeavesTheGridClean) {
    const projection_map map = drawn_map({"..........",
                                         ".####.###.",
                                         ".#......#.",
                                         ".#.##...#.",
                                         "...#..#...",
                                         "####..####"});
    for (bool interpolate : {true, false}) {
        jps_pathfinder reference;
        reference.init(map, interpolate);
        ASSERT_EQ(reference.find_path({5, 6, 0}, {1, 1, 0}), 0);
        int failures = 0;
        for (int allowed = 0;; ++allowed) {
            jps_pathfinder finder;
            finder.init(map, interpolate);
            finder.path_length = 123.0f;
            if (!failsAfter(allowed, [&] { finder.find_path({5, 6, 0}, {1, 1, 0}); })) break;
            ++failures;
            EXPECT_TRUE(node_grid_is_clean(finder)) << allowed;
            EXPECT_TRUE(finder.get_path().coords.empty()) << allowed;
            EXPECT_EQ(finder.get_path_length(), 123.0f) << allowed;
            EXPECT_EQ(finder.find_path({5, 6, 0}, {1, 1, 0}), 0);
            EXPECT_EQ(finder.get_path().coords, reference.get_path().coords);
            EXPECT_EQ(float_bits(finder.get_path_length()), float_bits(reference.get_path_length()));
        }
        EXPECT_GT(failures, 3);
    }
}

TEST(JpsOutOfMemory, FailedRebindKeepsTheOldGrid) {
    const projection_map small = openMap(3, 1);
    const projection_map large = openMap(50, 50);
    jps_pathfinder finder;
    finder.init(small, false);
    EXPECT_TRUE(failsAfter(3, [&] { finder.init(large, true); }));
    EXPECT_EQ(finder.map, &small);
    EXPECT_FALSE(finder.interpolate);
    EXPECT_TRUE(node_grid_is_clean(finder));
    EXPECT_EQ(finder.width, 3);
    EXPECT_EQ(finder.find_path({1, 1, 0}, {3, 1, 0}), 0);
}
