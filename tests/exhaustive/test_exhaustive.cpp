// The module's search, on the live map and on the map's run planes (the
// batch's search), against the reference search on every small grid: every
// shape of at most N cells, every occupancy pattern of it, every ordered pair
// of its cells and of a few cells just outside it, in both interpolate modes.
// Compared for each: status, the order of the closed list, the open list left
// behind, the path cells, the bit pattern of the length and test_direct_view;
// after each search the node grid must be clean. One pathfinder per mode and shape serves every pattern,
// so that state one search leaves behind meets the next. Then the budget: a
// family of corridors whose goal is taken off the open list as the 4,998th to
// the 5,002nd node.
//
// N is BRONDEL_EXHAUSTIVE_CELLS when set, else the build's default
// (BRONDEL_EXHAUSTIVE_DEFAULT_CELLS: 12, less in slow builds). A mismatch is
// reported with its grid, pair and mode, both answers, and the fixed case to
// add to tests/native/test_worked_examples.cpp.
#include "tests/reference/reference_pathfinder.hpp"
#include "tests/support/fixed_case.hpp"
#include "tests/support/map_picture.hpp"
#include "tests/support/search_outcome.hpp"
#include "voxel/jps_pathfinder.hpp"
#include "voxel/search/snapshot_search.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

using brondel_reference::reference_pathfinder;
using namespace brondel_test;
using OSTREL::Voxel::jps_pathfinder;
using OSTREL::Voxel::projection_map;
using OSTREL::Voxel::snapshot_planes;
using coordinate = std::array<unsigned int, 3>;

namespace {

int cells_limit() {
    const char* text = std::getenv("BRONDEL_EXHAUSTIVE_CELLS");
    return text != nullptr && *text != '\0' ? std::atoi(text) : BRONDEL_EXHAUSTIVE_DEFAULT_CELLS;
}

// Every w x h with w * h <= limit, and the empty shapes.
std::vector<std::array<std::uint32_t, 2>> shapes_up_to(int limit) {
    std::vector<std::array<std::uint32_t, 2>> shapes = {{0, 0}, {0, 1}, {1, 0}, {0, 3}, {3, 0}};
    for (int width = 1; width <= limit; ++width) {
        for (int height = 1; width * height <= limit; ++height) {
            shapes.push_back({static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)});
        }
    }
    return shapes;
}

// The cells of the pairs: every cell of the grid, then four just outside it
// (a component of 0, and one past the width or the height), one-based.
std::vector<coordinate> cells_of_pairs(std::uint32_t width, std::uint32_t height) {
    std::vector<coordinate> cells;
    for (unsigned int y = 1; y <= height; ++y) {
        for (unsigned int x = 1; x <= width; ++x) cells.push_back({x, y, 0});
    }
    cells.push_back({0, 1, 0});
    cells.push_back({1, 0, 0});
    cells.push_back({width + 1, height, 0});
    cells.push_back({width, height + 1, 0});
    return cells;
}

std::string cell_text(const coordinate& c) {
    std::ostringstream text;
    text << '{' << c[0] << ", " << c[1] << '}';
    return text.str();
}

// The searches of one interpolate mode, bound to one map for a whole shape:
// the reference, the module's search on the live map and on the map's run planes
// (built by the caller for each pattern).
struct search_pair {
    reference_pathfinder reference;
    jps_pathfinder live;
    jps_pathfinder on_planes;
    bool interpolate = false;

    void bind(const projection_map& map, bool mode) {
        interpolate = mode;
        reference.init(map, mode);
        live.init(map, mode);
        on_planes.init(map, mode);
    }
};

// What went wrong, with everything needed to repeat it.
std::string mismatch_report(const projection_map& map, const coordinate& first, const coordinate& second,
                            bool interpolate, const std::string& what, const search_outcome& expected,
                            int expected_view) {
    std::ostringstream text;
    text << what << " on a " << map.resolution[0] << " x " << map.resolution[1]
         << " grid (row 0 first, '#' occupied):\n";
    for (const std::string& row : picture_of(map)) text << "    " << row << '\n';
    text << "find_path(" << cell_text(first) << ", " << cell_text(second) << "), interpolate "
         << (interpolate ? "on" : "off") << '\n';
    const fixed_case regression{"found by the exhaustive test",
                                picture_of(map),
                                {first[0], first[1]},
                                {second[0], second[1]},
                                interpolate,
                                expected,
                                expected_view};
    text << "the reference's answer, as a case for tests/native/test_worked_examples.cpp:\n"
         << fixed_case_source(regression);
    return text.str();
}

// Compares one pair of cells in one mode; an empty string when all agree.
std::string compare(search_pair& pair, const projection_map& map, const snapshot_planes& planes,
                    const coordinate& first, const coordinate& second, bool with_view) {
    const int reference_status = pair.reference.find_path(first, second);
    const search_outcome expected = outcome_of(pair.reference, reference_status);
    const int expected_view = pair.reference.test_direct_view(first, second);
    const auto differs = [&](const std::string& search, const jps_pathfinder& finder, int status) -> std::string {
        const search_outcome actual = outcome_of(finder, status);
        if (expected != actual) {
            return mismatch_report(map, first, second, pair.interpolate, search + " differs", expected, expected_view) +
                   '\n' + describe_difference(expected, actual);
        }
        if (!node_grid_is_clean(finder)) {
            return mismatch_report(map, first, second, pair.interpolate, search + ": node grid left dirty", expected,
                                   expected_view);
        }
        return {};
    };
    std::string failure = differs("find_path", pair.live, pair.live.find_path(first, second));
    if (failure.empty()) {
        failure = differs("the search on the run planes", pair.on_planes,
                          find_path_on(pair.on_planes, planes, first, second));
    }
    if (!failure.empty()) return failure;
    if (with_view) {
        const int actual_view = pair.live.test_direct_view(first, second);
        if (actual_view != expected_view) {
            return mismatch_report(map, first, second, pair.interpolate, "test_direct_view differs", expected,
                                   expected_view) +
                   "\nreference " + std::to_string(expected_view) + ", module " + std::to_string(actual_view);
        }
    }
    return {};
}

struct run_counts {
    std::uint64_t shapes = 0;
    std::uint64_t grids = 0;
    std::uint64_t searches = 0;  // find_path calls of each engine, both modes
    std::uint64_t views = 0;     // test_direct_view calls of each engine
};

// Every pattern of one shape; the first mismatch ends the run.
std::string check_shape(std::uint32_t width, std::uint32_t height, run_counts& counts) {
    projection_map map(width, height);
    snapshot_planes planes;
    search_pair pairs[2];
    pairs[0].bind(map, false);
    pairs[1].bind(map, true);
    const std::vector<coordinate> cells = cells_of_pairs(width, height);
    const std::uint32_t area = width * height;
    ++counts.shapes;
    for (std::uint64_t pattern = 0; pattern < (std::uint64_t{1} << area); ++pattern) {
        for (std::uint32_t i = 0; i < area; ++i) map.set(i % width, i / width, static_cast<char>(pattern >> i & 1));
        planes.build(map);
        ++counts.grids;
        for (const coordinate& first : cells) {
            for (const coordinate& second : cells) {
                for (search_pair& pair : pairs) {
                    // The line of sight does not depend on the mode: once a pair.
                    std::string failure = compare(pair, map, planes, first, second, !pair.interpolate);
                    if (!failure.empty()) return failure;
                }
                counts.searches += 2;
                ++counts.views;
            }
        }
    }
    return {};
}

}  // namespace

TEST(Exhaustive, EveryPatternOfEverySmallGrid) {
    const int limit = cells_limit();
    run_counts counts;
    for (const auto& shape : shapes_up_to(limit)) {
        const std::string failure = check_shape(shape[0], shape[1], counts);
        ASSERT_TRUE(failure.empty()) << failure;
    }
    std::printf(
        "every grid of at most %d cells: %llu shapes, %llu grids, %llu searches of each kind (both modes), "
        "%llu line-of-sight tests, all alike\n",
        limit, static_cast<unsigned long long>(counts.shapes), static_cast<unsigned long long>(counts.grids),
        static_cast<unsigned long long>(counts.searches), static_cast<unsigned long long>(counts.views));
}

namespace {

// A corridor one cell wide winding down a map `width` cells wide: rows 0, 2,
// 4, ... are free, joined through a gap at the right end of row 1, the left
// end of row 3, and so on, and it ends in a dead end at the cell `steps` cells
// along it from (0, 0). Every node the search takes off has one successor,
// so the order in which they are taken off hardly depends on the goal.
struct corridor {
    int width;
    int steps;

    // The cell `index` cells along the corridor.
    cell at(int index) const {
        const int leg = index / (width + 1);
        const int along = index % (width + 1);
        const bool eastwards = leg % 2 == 0;
        if (along < width) return {eastwards ? along : width - 1 - along, 2 * leg};
        return {eastwards ? width - 1 : 0, 2 * leg + 1};
    }

    projection_map map() const {
        const cell end = at(steps);
        projection_map result(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(end.second + 1));
        for (int y = 0; y <= end.second; ++y) {
            for (int x = 0; x < width; ++x) result.set(x, y, 1);
        }
        for (int index = 0; index <= steps; ++index) result.set(at(index).first, at(index).second, 0);
        return result;
    }
};

coordinate one_based(cell c) {
    return {static_cast<unsigned int>(c.first + 1), static_cast<unsigned int>(c.second + 1), 0};
}

// How many nodes the reference takes off until it takes off the goal; 0 when
// it does not find it.
int nodes_to_goal(const corridor& c, bool from_start) {
    const projection_map map = c.map();
    reference_pathfinder reference;
    reference.init(map, false);
    const coordinate start = one_based(c.at(0));
    const coordinate end = one_based(c.at(c.steps));
    // find_path searches from its second cell to its first.
    const int status = from_start ? reference.find_path(end, start) : reference.find_path(start, end);
    return status == 0 ? static_cast<int>(reference.expanded().size()) : 0;
}

}  // namespace

// The number of nodes taken off to reach the end of a corridor grows by the
// same amount every two legs. It is measured on short corridors, checked to
// repeat, and extended to corridors whose end is the 4,998th to the 5,002nd
// node; the reference confirms the count wherever the budget lets it.
TEST(Exhaustive, GoalTakenOffAroundTheBudget) {
    constexpr int first_target = reference_pathfinder::expansion_budget - 2;
    constexpr int last_target = reference_pathfinder::expansion_budget + 2;
    int covered[2][last_target - first_target + 1] = {};
    int compared = 0;
    for (int width : {3, 5, 8, 9, 17, 20}) {
        const int period = 2 * (width + 1);
        for (bool from_start : {true, false}) {
            bool reached[last_target - first_target + 1] = {};
            for (int offset = 0; offset < period; ++offset) {
                const int steps = 4 * period + offset;
                const int count = nodes_to_goal({width, steps}, from_start);
                const int growth = nodes_to_goal({width, steps + period}, from_start) - count;
                ASSERT_GT(count, 0) << "width " << width << ", steps " << steps;
                ASSERT_EQ(nodes_to_goal({width, steps + 2 * period}, from_start) - count, 2 * growth)
                    << "width " << width << ", steps " << steps;
                for (int target = first_target; target <= last_target; ++target) {
                    if ((target - count) % growth != 0 || reached[target - first_target]) continue;
                    reached[target - first_target] = true;
                    const corridor c{width, steps + (target - count) / growth * period};
                    const projection_map map = c.map();
                    snapshot_planes planes;
                    planes.build(map);
                    coordinate first = one_based(c.at(c.steps));
                    coordinate second = one_based(c.at(0));
                    if (!from_start) std::swap(first, second);
                    search_pair pairs[2];
                    for (bool interpolate : {false, true}) {
                        search_pair& pair = pairs[interpolate];
                        pair.bind(map, interpolate);
                        const std::string failure = compare(pair, map, planes, first, second, !interpolate);
                        ASSERT_TRUE(failure.empty()) << "corridor " << width << " wide, " << c.steps << " cells long:\n"
                                                     << failure;
                        const bool within_budget = target <= reference_pathfinder::expansion_budget;
                        ASSERT_EQ(pair.reference.expanded().size(),
                                  static_cast<std::size_t>(within_budget ? target : first_target + 2));
                        ASSERT_EQ(pair.live.get_path().coords.empty(), !within_budget);
                        ++compared;
                    }
                    ++covered[from_start][target - first_target];
                }
            }
        }
    }
    for (int direction = 0; direction < 2; ++direction) {
        for (int target = first_target; target <= last_target; ++target) {
            EXPECT_GT(covered[direction][target - first_target], 0)
                << "no corridor's goal is node " << target << (direction ? " from the start" : " towards the start");
        }
    }
    std::printf("goal taken off as node %d to %d: %d searches compared\n", first_target, last_target, compared);
}
