// Helpers shared by the pathfinder tests: maps from pictures, searches that
// expose their internals, and float bit patterns.
#pragma once

#include "voxel/jps_pathfinder.hpp"
#include "voxel/projection_map.hpp"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace jps_test {

using OSTREL::Voxel::jps_node;
using OSTREL::Voxel::jps_pathfinder;
using OSTREL::Voxel::projection_map;
using cell = std::pair<int, int>;
using cells = std::vector<cell>;

// A map drawn row by row, row 0 first: '#' is blocked, anything else free.
inline projection_map drawnMap(const std::vector<std::string>& picture) {
    projection_map map(static_cast<std::uint32_t>(picture.front().size()),
                       static_cast<std::uint32_t>(picture.size()));
    for (std::size_t y = 0; y < picture.size(); ++y) {
        for (std::size_t x = 0; x < picture[y].size(); ++x) {
            map.set(x, y, picture[y][x] == '#' ? 1 : 0);
        }
    }
    return map;
}

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

inline cells cellsOf(const std::vector<int>& coords) {
    cells result;
    for (std::size_t i = 0; i + 1 < coords.size(); i += 2) result.emplace_back(coords[i], coords[i + 1]);
    return result;
}

inline bool isClean(const jps_node& node) {
    return node.g == 0 && node.h == 0 && node.f == 0 && !node.opened && !node.closed &&
           node.parent == nullptr;
}

// Every node clean and at its own place, and the grid of the stated size.
inline bool gridIsClean(const jps_pathfinder& finder) {
    if (finder.nodes.size() != static_cast<std::size_t>(finder.height)) return false;
    for (int y = 0; y < finder.height; ++y) {
        if (finder.nodes[y].size() != static_cast<std::size_t>(finder.width)) return false;
        for (int x = 0; x < finder.width; ++x) {
            const jps_node& node = finder.nodes[y][x];
            if (node.x != x || node.y != y || !isClean(node)) return false;
        }
    }
    return true;
}

// What a search leaves behind while its nodes are still marked: the
// expansion order, the goal's cost and its parent chain.
struct search_trace {
    bool found = false;
    int goal_g = -1;
    cells chain;      // goal first
    cells expanded;   // closed_list, in order
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

inline std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace jps_test
