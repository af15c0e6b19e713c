// Running out of memory inside a search or a re-bind leaves the pathfinder
// usable: a clean grid, an empty path, the old length, and later searches
// that answer as before. A map's text or copy that runs out of memory is an
// error and changes nothing. Allocations are made to fail by replacing the
// global operator new for this test program.

// Optimising, GCC inlines the replaced operator delete where GoogleTest
// deletes a test and takes its free() for a mismatch with operator new; both
// are malloc's here.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

#include "jps_test_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

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

// The nothrow form, which the standard library uses for temporary buffers
// (std::stable_sort), must take memory from the same place as the others:
// left to the runtime (or to a sanitizer's), its blocks would reach the
// operator delete below, which frees them as malloc's.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return ::operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, const std::nothrow_t&) noexcept {
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

// A search that runs out of memory leaves the grid clean and the last path
// and length as they were.
TEST(JpsOutOfMemory, FailedSearchLeavesTheGridClean) {
    // clang-format off
    const projection_map map = drawn_map({"..........",
                                         ".####.###.",
                                         ".#......#.",
                                         ".#.##...#.",
                                         "...#..#...",
                                         "####..####"});
    // clang-format on
    for (bool interpolate : {true, false}) {
        jps_pathfinder reference;
        reference.init(map, interpolate);
        ASSERT_EQ(reference.find_path({5, 6, 0}, {1, 1, 0}), 0);
        int failures = 0;
        for (int allowed = 0;; ++allowed) {
            jps_pathfinder finder;
            finder.init(map, interpolate);
            finder.path.coords = {7, 7};
            finder.path_length = 123.0f;
            if (!failsAfter(allowed, [&] { finder.find_path({5, 6, 0}, {1, 1, 0}); })) break;
            ++failures;
            EXPECT_TRUE(node_grid_is_clean(finder)) << allowed;
            EXPECT_EQ(finder.get_path().coords, (std::vector<int>{7, 7})) << allowed;
            EXPECT_EQ(finder.get_path_length(), 123.0f) << allowed;
            EXPECT_EQ(finder.find_path({5, 6, 0}, {1, 1, 0}), 0);
            EXPECT_EQ(finder.get_path().coords, reference.get_path().coords);
            EXPECT_EQ(float_bits(finder.get_path_length()), float_bits(reference.get_path_length()));
        }
        EXPECT_GT(failures, 3);
    }
}

TEST(JpsOutOfMemory, FailedRebindKeepsTheOldGridAndLists) {
    const projection_map small = openMap(3, 1);
    const projection_map large = openMap(50, 50);
    int failures = 0;
    for (int allowed = 0;; ++allowed) {
        jps_pathfinder finder;
        finder.init(small, false);
        ASSERT_EQ(finder.find_path({1, 1, 0}, {3, 1, 0}), 0);
        const std::vector<jps_node*> open = finder.open_list;
        const std::vector<jps_node*> closed = finder.closed_list;
        if (!failsAfter(allowed, [&] { finder.init(large, true); })) break;
        ++failures;
        EXPECT_EQ(finder.map, &small);
        EXPECT_FALSE(finder.interpolate);
        EXPECT_EQ(finder.width, 3);
        EXPECT_EQ(finder.open_list, open);
        EXPECT_EQ(finder.closed_list, closed);
        EXPECT_TRUE(node_grid_is_clean(finder));
        EXPECT_EQ(finder.find_path({1, 1, 0}, {3, 1, 0}), 0);
    }
    EXPECT_GT(failures, 50);
}

// A map's text is either whole or an error, and its storage is asked for in
// one piece, of the text's exact size, before anything is written.
TEST(MapOutOfMemory, TextIsWholeOrAnError) {
    projection_map map(300, 200);
    for (std::size_t i = 0; i < 200; ++i) map.set(i, i, static_cast<char>(-100));
    const std::string whole = map.to_string();
    int failures = 0;
    for (int allowed = 0;; ++allowed) {
        std::string text;
        if (!failsAfter(allowed, [&] { text = map.to_string(); })) {
            EXPECT_EQ(text.size(), whole.size());
            EXPECT_EQ(whole.capacity(), whole.size());
            EXPECT_TRUE(text == whole);
            break;
        }
        ++failures;
    }
    EXPECT_EQ(failures, 1);
}

TEST(MapOutOfMemory, FailedCopyLeavesTheTargetAsItWas) {
    projection_map source(40, 30);
    source.set(39, 29, 5);
    int failures = 0;
    for (int allowed = 0;; ++allowed) {
        projection_map target(3, 2);
        target.set(2, 1, 7);
        if (!failsAfter(allowed, [&] { target = source; })) {
            EXPECT_EQ(target.to_string(), source.to_string());
            break;
        }
        ++failures;
        EXPECT_EQ(target.to_string(), "0 0 7\n0 0 0\n");
    }
    EXPECT_GT(failures, 30);
}

// Code beside these tests in the same program may use the standard library's
// temporary buffers, which ask for memory without exceptions.
TEST(JpsOutOfMemory, NothrowAllocationsShareTheReplacedOperators) {
    std::vector<int> values(1000);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<int>((i * 7919) % 1000);
    std::stable_sort(values.begin(), values.end());
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    allocations_left = 0;
    void* refused = ::operator new(16, std::nothrow);
    allocations_left = -1;
    EXPECT_EQ(refused, nullptr);
}
