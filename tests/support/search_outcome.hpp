// search_outcome: everything a search leaves that the exactness checks compare
// (status, the closed list's order, the open list left behind in its order,
// the path cells, the length's bit pattern),
// taken from the module's pathfinder or from the reference search, and the text
// that describes it, or two of them, on a mismatch. Used by the benchmark and
// by every test that holds the module's search against the reference.
//
// Contract
//   Linking:      reads the reference search's header only: a target that
//                 never takes the reference's outcome need not link it.
//   Ownership:    plain values; an outcome copies what it is taken from.
//   Threads:      pure functions.
//
// Usage
//   const int status = finder.find_path(first, second);
//   const search_outcome actual = outcome_of(finder, status);
//   if (actual != expected) std::cerr << describe_difference(expected, actual);
#pragma once

#include "tests/reference/reference_pathfinder.hpp"
#include "voxel/jps_pathfinder.hpp"

#include <cstdint>
#include <cstring>
#include <iomanip>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace brondel_test {

using cell = std::pair<int, int>;
using cells = std::vector<cell>;

// A float as its IEEE 754 bit pattern: equal bits, equal lengths.
inline std::uint32_t float_bits(float value) {
    static_assert(sizeof(std::uint32_t) == sizeof(float), "float is 32 bits");
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline std::string hex_bits(std::uint32_t bits) {
    std::ostringstream text;
    text << "0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << bits;
    return text.str();
}

struct search_outcome {
    int status = 0;
    cells expanded;         // the closed list, in the order nodes were taken off
    std::vector<int> path;  // x0, y0, x1, y1, ...
    std::uint32_t length_bits = 0;
    cells still_open = {};  // the open list left behind, in its order (the fixed cases leave it out)

    bool operator==(const search_outcome& other) const {
        return status == other.status && expanded == other.expanded && still_open == other.still_open &&
               path == other.path && length_bits == other.length_bits;
    }
    bool operator!=(const search_outcome& other) const { return !(*this == other); }
};

// What the last find_path of each pathfinder left; `status` is its answer.
inline search_outcome outcome_of(const OSTREL::Voxel::jps_pathfinder& finder, int status) {
    search_outcome outcome;
    outcome.status = status;
    outcome.expanded.reserve(finder.closed_list.size());
    for (const OSTREL::Voxel::jps_node* node : finder.closed_list) outcome.expanded.emplace_back(node->x, node->y);
    outcome.still_open.reserve(finder.open_list.size());
    for (const OSTREL::Voxel::jps_node* node : finder.open_list) outcome.still_open.emplace_back(node->x, node->y);
    outcome.path = finder.get_path().coords;
    outcome.length_bits = float_bits(finder.get_path_length());
    return outcome;
}

inline search_outcome outcome_of(const brondel_reference::reference_pathfinder& finder, int status) {
    return search_outcome{status, finder.expanded(), finder.path(), float_bits(finder.path_length()),
                          finder.still_open()};
}

// g, h, f 0, on neither list, no parent: a node outside a search.
inline bool node_is_clean(const OSTREL::Voxel::jps_node& node) {
    return node.g == 0 && node.h == 0 && node.f == 0 && !node.opened && !node.closed && node.parent == nullptr;
}

// Every node of the grid clean and at its own cell, and the grid of the size
// the pathfinder states: what every search must leave.
inline bool node_grid_is_clean(const OSTREL::Voxel::jps_pathfinder& finder) {
    if (finder.nodes.size() != static_cast<std::size_t>(finder.height)) return false;
    for (int y = 0; y < finder.height; ++y) {
        if (finder.nodes[y].size() != static_cast<std::size_t>(finder.width)) return false;
        for (int x = 0; x < finder.width; ++x) {
            const OSTREL::Voxel::jps_node& node = finder.nodes[y][x];
            if (node.x != x || node.y != y || !node_is_clean(node)) return false;
        }
    }
    return true;
}

inline std::string cells_text(const cells& list) {
    std::ostringstream text;
    text << '{';
    for (std::size_t i = 0; i < list.size(); ++i) {
        text << (i ? ", " : "") << '{' << list[i].first << ", " << list[i].second << '}';
    }
    text << '}';
    return text.str();
}

inline cells cells_of(const std::vector<int>& coords) {
    cells result;
    for (std::size_t i = 0; i + 1 < coords.size(); i += 2) result.emplace_back(coords[i], coords[i + 1]);
    return result;
}

// One line: "status 0, 3 expanded {...}, 2 left open {...}, path {...},
// length 0x40BA827A".
// Lists longer than `shown` cells are given by their size only.
inline std::string describe(const search_outcome& outcome, std::size_t shown = 40) {
    std::ostringstream text;
    text << "status " << outcome.status << ", " << outcome.expanded.size() << " expanded";
    if (outcome.expanded.size() <= shown) text << ' ' << cells_text(outcome.expanded);
    text << ", " << outcome.still_open.size() << " left open";
    if (outcome.still_open.size() <= shown) text << ' ' << cells_text(outcome.still_open);
    const cells path = cells_of(outcome.path);
    text << ", path of " << path.size() << " cells";
    if (path.size() <= shown) text << ' ' << cells_text(path);
    text << ", length " << hex_bits(outcome.length_bits);
    return text.str();
}

// Both answers, and where their closed lists part when they do.
inline std::string describe_difference(const search_outcome& reference, const search_outcome& actual) {
    std::ostringstream text;
    text << "reference: " << describe(reference) << "\nactual:    " << describe(actual);
    std::size_t same = 0;
    while (same < reference.expanded.size() && same < actual.expanded.size() &&
           reference.expanded[same] == actual.expanded[same]) {
        ++same;
    }
    if (same < reference.expanded.size() || same < actual.expanded.size()) {
        text << "\nthe closed lists part after " << same << " nodes";
    }
    return text.str();
}

}  // namespace brondel_test
