// Differential test: the module's pathfinder against the step-by-step reference
// search, on many seeded random maps and on a sample of benchmark queries.
// Compared: status, the order of the closed list (so the number of expansions
// too), the open list left behind, the path cells and the bit pattern of the
// length, in both interpolate modes, of the search on the live map and on the
// map's run planes; and the answers of test_direct_view.
// The threaded batch is held to the same reference, query by query.
#include "tests/reference/reference_pathfinder.hpp"
#include "tests/support/movingai.hpp"
#include "tests/support/search_outcome.hpp"
#include "voxel/bulk/batch_search.hpp"
#include "voxel/jps_pathfinder.hpp"
#include "voxel/search/snapshot_search.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using brondel_reference::reference_pathfinder;
using brondel_test::describe_difference;
using brondel_test::node_grid_is_clean;
using brondel_test::outcome_of;
using brondel_test::search_outcome;
using OSTREL::Voxel::batch_search;
using OSTREL::Voxel::jps_pathfinder;
using OSTREL::Voxel::path_query;
using OSTREL::Voxel::projection_map;
using coordinate = std::array<unsigned int, 3>;

// Runs one query through the reference and the module's search, on the live map and
// on its run planes, and compares everything they leave.
class both_pathfinders {
public:
    void init(const projection_map& map, bool interpolate) {
        reference.init(map, interpolate);
        live.init(map, interpolate);
        on_planes.init(map, interpolate);
        planes.build(map);
    }
    // After the map changed.
    void rebuild_planes(const projection_map& map) { planes.build(map); }

    ::testing::AssertionResult same_path(const coordinate& first, const coordinate& second) {
        const int reference_status = reference.find_path(first, second);
        const search_outcome expected = outcome_of(reference, reference_status);
        const search_outcome actual = outcome_of(live, live.find_path(first, second));
        if (expected != actual) return ::testing::AssertionFailure() << describe_difference(expected, actual);
        const search_outcome searched = outcome_of(on_planes, find_path_on(on_planes, planes, first, second));
        if (expected == searched) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "on the run planes: " << describe_difference(expected, searched);
    }

    ::testing::AssertionResult same_view(const coordinate& first, const coordinate& second) {
        const int expected = reference.test_direct_view(first, second);
        const int actual = live.test_direct_view(first, second);
        if (expected == actual) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "reference " << expected << ", module " << actual;
    }

    bool nodes_clean() const { return node_grid_is_clean(live) && node_grid_is_clean(on_planes); }

    reference_pathfinder reference;
    jps_pathfinder live;
    jps_pathfinder on_planes;
    OSTREL::Voxel::snapshot_planes planes;
};

std::string where(std::uint32_t seed, const coordinate& first, const coordinate& second) {
    std::ostringstream text;
    text << "seed " << seed << ", first (" << first[0] << ", " << first[1] << "), second (" << second[0] << ", "
         << second[1] << ")";
    return text.str();
}

// Random maps of three kinds: scattered blocks, mazes of one-cell corridors
// with some walls knocked out, and rooms joined by doors.
class map_maker {
public:
    explicit map_maker(std::uint32_t seed) : random(seed) {}

    int below(int n) { return static_cast<int>(random() % static_cast<std::uint32_t>(n)); }

    projection_map any() {
        const int width = side();
        const int height = side();
        switch (below(3)) {
            case 0: return scattered(width, height, below(61));
            case 1: return maze(width, height, below(30));
            default: return rooms(width, height, below(20));
        }
    }

    // A component for a query: mostly a cell inside, sometimes on or past an edge.
    unsigned int component(std::uint32_t extent) {
        switch (below(10)) {
            case 0: return 0;
            case 1: return extent + 1;
            case 2: return static_cast<unsigned int>(below(3)) + extent;
            default: return static_cast<unsigned int>(below(static_cast<int>(extent) + 1)) + (extent ? 1 : 0);
        }
    }

    coordinate cell_of(const projection_map& map) {
        return {component(map.resolution[0]), component(map.resolution[1]), static_cast<unsigned int>(random())};
    }

    std::mt19937 random;

private:
    int side() {
        switch (below(4)) {
            case 0: return 1 + below(3);
            case 1: return 1 + below(12);
            default: return 1 + below(100);
        }
    }

    void block(projection_map& map, int x, int y, int percent) {
        if (below(100) < percent) map.set(x, y, static_cast<char>(1 + below(127)));
    }

    projection_map scattered(int width, int height, int percent) {
        projection_map map(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) block(map, x, y, percent);
        return map;
    }

    projection_map maze(int width, int height, int open_percent) {
        projection_map map(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (x % 2 == 1 || y % 2 == 1) block(map, x, y, 100 - open_percent);
        return map;
    }

    projection_map rooms(int width, int height, int clutter) {
        projection_map map = scattered(width, height, clutter);
        const int room = 4 + below(8);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if ((x % room == 0 || y % room == 0) && below(room) != 0) map.set(x, y, 1);
        return map;
    }
};

}  // namespace

// One pair of pathfinders for all maps, so that grids of every size follow
// each other.
TEST(Differential, RandomMapsBothModes) {
    both_pathfinders finders;
    for (std::uint32_t seed = 1; seed <= 600; ++seed) {
        map_maker maker(seed);
        const projection_map map = maker.any();
        for (bool interpolate : {true, false}) {
            finders.init(map, interpolate);
            for (int query = 0; query < 12; ++query) {
                const coordinate first = maker.cell_of(map);
                const coordinate second = maker.cell_of(map);
                ASSERT_TRUE(finders.same_path(first, second)) << where(seed, first, second);
                ASSERT_TRUE(finders.same_view(first, second)) << where(seed, first, second);
            }
        }
        ASSERT_TRUE(finders.nodes_clean()) << "seed " << seed;
    }
}

// Searches that end where they start or one step away, which have short cuts
// of their own: cells of each map (and the cells just outside) as the goal,
// the start the same cell or any of its eight neighbours.
TEST(Differential, TrivialSearches) {
    both_pathfinders finders;
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        map_maker maker(seed);
        const projection_map map = maker.any();
        const int width = static_cast<int>(map.resolution[0]);
        const int height = static_cast<int>(map.resolution[1]);
        finders.init(map, seed % 2 == 0);
        for (int y = -1; y <= std::min(height, 12); ++y) {
            for (int x = -1; x <= std::min(width, 12); ++x) {
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const coordinate first{static_cast<unsigned int>(x + dx + 1),
                                               static_cast<unsigned int>(y + dy + 1), 0};
                        const coordinate second{static_cast<unsigned int>(x + 1), static_cast<unsigned int>(y + 1), 0};
                        ASSERT_TRUE(finders.same_path(first, second)) << where(seed, first, second);
                    }
                }
            }
        }
        ASSERT_TRUE(finders.nodes_clean()) << "seed " << seed;
    }
}

// One pathfinder, one map that changes between searches: every change must be
// seen by the next search.
TEST(Differential, MapChangesBetweenSearches) {
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        map_maker maker(seed);
        projection_map map = maker.any();
        both_pathfinders finders;
        finders.init(map, seed % 2 == 0);
        const int width = static_cast<int>(map.resolution[0]);
        const int height = static_cast<int>(map.resolution[1]);
        for (int round = 0; round < 20; ++round) {
            for (int change = 0; change < 1 + maker.below(8) && width * height > 0; ++change) {
                map.rows[maker.below(height)][maker.below(width)] = static_cast<char>(maker.below(2));
            }
            finders.rebuild_planes(map);
            const coordinate first = maker.cell_of(map);
            const coordinate second = maker.cell_of(map);
            ASSERT_TRUE(finders.same_path(first, second)) << where(seed, first, second);
        }
    }
}

// Grids of pillars with a long wall: far goals run into the budget of 5000
// expansions, near ones are found just before it.
TEST(Differential, BudgetBoundary) {
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        map_maker maker(seed);
        projection_map map(160, 160);
        for (unsigned int y = 1; y < 160; y += 2)
            for (unsigned int x = 1; x < 160; x += 2) map.set(x, y, 1);
        const unsigned int wall_end = 150 + static_cast<unsigned int>(maker.below(10));
        for (unsigned int x = 0; x <= wall_end; ++x) map.set(x, 80, 1);
        both_pathfinders finders;
        for (bool interpolate : {true, false}) {
            finders.init(map, interpolate);
            for (unsigned int goal_row = 100; goal_row < 160; goal_row += 6) {
                const coordinate first{1, goal_row, 0};
                const coordinate second{1 + 2 * static_cast<unsigned int>(maker.below(20)), 1, 0};
                ASSERT_TRUE(finders.same_path(first, second)) << where(seed, first, second);
            }
        }
    }
}

TEST(Differential, BenchmarkQueriesSample) {
    for (const char* name : {"ht_chantry", "den520d", "8room_000", "maze512-1-0"}) {
        const std::string base = std::string(BRONDEL_MAPS_DIR) + "/" + name + ".map";
        const projection_map map = movingai::load_map(base);
        const auto queries = movingai::spread(movingai::load_scenarios(base + ".scen", map), 40, 7);
        both_pathfinders finders;
        for (bool interpolate : {true, false}) {
            finders.init(map, interpolate);
            for (const movingai::query& q : queries) {
                const coordinate first{static_cast<unsigned int>(q.start_x + 1),
                                       static_cast<unsigned int>(q.start_y + 1), 0};
                const coordinate second{static_cast<unsigned int>(q.goal_x + 1),
                                        static_cast<unsigned int>(q.goal_y + 1), 0};
                ASSERT_TRUE(finders.same_path(first, second)) << name << ": " << where(0, first, second);
            }
        }
        EXPECT_TRUE(finders.nodes_clean()) << name;
    }
}

namespace {

// Answer i of the last run against the reference's answer to the same query:
// status, cells and length bits, a failed query's length being 0.
::testing::AssertionResult batch_answer_is_reference(const batch_search& batch, std::size_t i, const path_query& query,
                                                     reference_pathfinder& reference) {
    const auto one_based = [](int x, int y) {
        return coordinate{static_cast<unsigned int>(x) + 1u, static_cast<unsigned int>(y) + 1u, 0};
    };
    const int status = reference.find_path(one_based(query.x1, query.y1), one_based(query.x2, query.y2));
    const std::vector<int> expected_cells = status == 0 ? reference.path() : std::vector<int>{};
    const std::uint32_t expected_bits = brondel_test::float_bits(status == 0 ? reference.path_length() : 0.0f);
    const OSTREL::Voxel::path_answer answer = batch.answer(i);
    const std::vector<int> cells(answer.cells, answer.cells + answer.values);
    if (answer.status == status && cells == expected_cells && brondel_test::float_bits(answer.length) == expected_bits)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "query " << i << " (" << query.x1 << ", " << query.y1 << ") to ("
                                         << query.x2 << ", " << query.y2 << "): reference status " << status << ", "
                                         << expected_cells.size() / 2 << " cells; batch status " << answer.status
                                         << ", " << cells.size() / 2 << " cells";
}

path_query zero_based(const coordinate& first, const coordinate& second) {
    return {static_cast<int>(first[0] - 1u), static_cast<int>(first[1] - 1u), static_cast<int>(second[0] - 1u),
            static_cast<int>(second[1] - 1u)};
}

}  // namespace

// One batch for all maps, so that its pathfinders are rebound from size to
// size; one thread and several, on the same queries.
TEST(Differential, BatchOnRandomMaps) {
    batch_search batch;
    reference_pathfinder reference;
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        map_maker maker(seed);
        const projection_map map = maker.any();
        std::vector<path_query> queries;
        for (int query = 0; query < 24; ++query) queries.push_back(zero_based(maker.cell_of(map), maker.cell_of(map)));
        batch.load(map);
        for (bool interpolate : {true, false}) {
            reference.init(map, interpolate);
            for (unsigned int threads : {1u, 3u}) {
                ASSERT_TRUE(batch.run(queries, interpolate, threads, {}));
                ASSERT_EQ(batch.answer_count(), queries.size());
                for (std::size_t i = 0; i < queries.size(); ++i)
                    ASSERT_TRUE(batch_answer_is_reference(batch, i, queries[i], reference))
                        << "seed " << seed << ", " << threads << " threads, interpolate " << interpolate;
            }
        }
    }
}
