// Helpers shared by the module's pathfinder's tests: made-up maps and
// searches that expose their internals. Outcomes, float bits, clean grids and
// maps from pictures come from tests/support.
#pragma once

#include "tests/support/map_picture.hpp"
#include "tests/support/search_outcome.hpp"
#include "voxel/jps_pathfinder.hpp"
#include "voxel/projection_map.hpp"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace jps_test {

using brondel_test::cell;
using brondel_test::cells;
using brondel_test::cells_of;
using brondel_test::drawn_map;
using brondel_test::float_bits;
using brondel_test::node_grid_is_clean;
using brondel_test::node_is_clean;
using OSTREL::Voxel::jps_node;
using OSTREL::Voxel::jps_pathfinder;
using OSTREL::Voxel::projection_map;

inline projection_map openMap(std::uint32_t width, std::uint32_t height, const cells& blocked = {}) {
    projection_map map(width, height);
    for (const cell& c : blocked) {
        map.set(static_cast<std::size_t>(c.first), static_cast<std::size_t>(c.second), 1);
    }
    return map;
}

// A one-cell-wide corridor winding down a width x height map: free rows at
// even y, joined through a gap at the right end, then the left end, and so
// on. From (0, 0) every jump point has exactly one successor.
inline projection_map windingCorridor(std::uint32_t width, std::uint32_t height) {
    projection_map map(width, height);
    for (std::uint32_t y = 1; y < height; y += 2) {
        const std::uint32_t gap = (y / 2) % 2 == 0 ? width - 1 : 0;
        for (std::uint32_t x = 0; x < width; ++x) {
            if (x != gap) map.set(x, y, 1);
        }
    }
    return map;
}

inline cells cellsOf(const std::vector<jps_node*>& list) {
    cells result;
    for (const jps_node* node : list) result.emplace_back(node->x, node->y);
    return result;
}

// What a search leaves behind while its nodes are still marked: the
// expansion order, the goal's cost and its parent chain.
struct search_trace {
    bool found = false;
    int goal_g = -1;
    cells chain;     // goal first
    cells expanded;  // closed_list, in order
};

inline search_trace traceSearch(jps_pathfinder& finder, int sx, int sy, int gx, int gy) {
    finder.open_list.clear();
    finder.closed_list.clear();
    search_trace trace;
    const jps_node* goal = finder.searchGoal(sx, sy, gx, gy);
    trace.found = goal != nullptr;
    if (goal != nullptr) {
        trace.goal_g = goal->g;
        for (const jps_node* node = goal; node != nullptr; node = node->parent) {
            trace.chain.emplace_back(node->x, node->y);
        }
    }
    trace.expanded = cellsOf(finder.closed_list);
    finder.cleanUpNodes();
    return trace;
}

}  // namespace jps_test
