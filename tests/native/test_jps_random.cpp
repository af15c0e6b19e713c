// Many seeded random searches on one pathfinder, across maps and re-binds:
// every node is clean afterwards and no result depends on what ran before.
#include "jps_test_support.hpp"

#include <gtest/gtest.h>

#include <random>

using namespace jps_test;

namespace {

// A search and the line of sight between the same cells.
struct answers {
    brondel_test::search_outcome search;
    int view = -1;
    bool operator==(const answers& other) const { return search == other.search && view == other.view; }
};

answers ask(jps_pathfinder& finder, const std::array<unsigned int, 3>& a, const std::array<unsigned int, 3>& b) {
    answers result;
    result.search = brondel_test::outcome_of(finder, finder.find_path(a, b));
    // A failed search keeps the length of the search before it, which
    // differs between the two pathfinders compared.
    if (result.search.status != 0) result.search.length_bits = 0;
    result.view = finder.test_direct_view(a, b);
    return result;
}

projection_map randomMap(std::mt19937& random) {
    std::uniform_int_distribution<int> extent(0, 14);
    std::uniform_int_distribution<int> percent(0, 99);
    const int width = extent(random);
    const int height = extent(random);
    const int density = percent(random) / 2;
    projection_map map(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (percent(random) < density) map.set(x, y, static_cast<char>(1 + percent(random)));
        }
    }
    return map;
}

}  // namespace

TEST(JpsRandom, ResultsDoNotDependOnHistory) {
    std::mt19937 random(20240531);
    jps_pathfinder shared;
    int found = 0;
    for (int round = 0; round < 400; ++round) {
        // Some rounds reuse the previous map's size, which keeps the grid.
        const projection_map map = randomMap(random);
        const bool interpolate = random() % 2 == 0;
        shared.init(map, interpolate);
        std::uniform_int_distribution<unsigned int> column(0, map.resolution[0] + 1);
        std::uniform_int_distribution<unsigned int> row(0, map.resolution[1] + 1);
        for (int query = 0; query < 25; ++query) {
            const std::array<unsigned int, 3> a = {column(random), row(random), 0};
            const std::array<unsigned int, 3> b = {column(random), row(random), 0};
            const answers seen = ask(shared, a, b);
            jps_pathfinder fresh;
            fresh.init(map, interpolate);
            ASSERT_TRUE(seen == ask(fresh, a, b)) << "round " << round << " query " << query << "\n" << map.to_string();
            ASSERT_TRUE(node_grid_is_clean(shared));
            found += seen.search.status == 0;
        }
    }
    EXPECT_GT(found, 1000);  // the maps are not all walls
}
